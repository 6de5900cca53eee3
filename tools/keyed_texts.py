#!/usr/bin/env python3
"""Every key the code looks up has a text: collects the keys that the program and the device
library hand to the text lookups (getMsgBoxText, getHLabelText, mlgetName) and to every function
that passes one of its arguments on to them, and checks each against the device library's default
tables. A lookup whose answer goes straight into another call is reported too: its null answer for
a missing key would be shown as "(null)" or as nothing. Run by ctest as "KeyedTexts".

Keys are followed through string literals, the two sides of a conditional, named constants and
macros, local variables, arrays and tables of records (an element or a field of each row), and
range-for loops over them. A key the tool cannot follow (one computed at run time) is listed with
--unresolved and is not checked.

Usage: keyed_texts.py [--root DIR] [--unresolved] [--keys]
(--root: another source tree; --unresolved: the lookups not followed; --keys: the lookup functions
found and every key checked)
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAM = ["common", "base", "controls", "outputs", "documents", "graph", "transforms", "scripts", "shell"]
LIBRARY = ["devlib"]
SKIPPED = {"devlib/simulated"}  # the simulated unit shows no texts; tests folders are skipped too
DEFAULTS = "devlib/services/text_defaults.cpp"
TEXTS = "devlib/services/texts.cpp"

# The lookups themselves: name -> (argument that holds the key, table, each). A function found
# to take an array of keys and look each element up has "each" set.
LOOKUPS = {"getMsgBoxText": (0, "message", False), "getHLabelText": (0, "axis label", False),
           "mlgetName": (0, "menu label", False)}
# Calls that make a menu label at run time (id, sub-id, text, create).
MENU_CREATORS = {"mlset": 0}

# Texts that reach a lookup's argument only on a path that shows something else.
NOT_LOOKED_UP = {
    "Too many data channels in file",  # ShowTextRefusal shows it from the string table
}

KEYWORDS = {"if", "for", "while", "switch", "catch", "return", "sizeof", "decltype", "alignof", "static_assert",
            "new", "delete", "throw", "case", "defined", "operator"}
QUALIFIERS = {"const", "noexcept", "override", "final", "volatile"}


# ---- Tokens ----

class Tok:
    __slots__ = ("kind", "value", "line")

    def __init__(self, kind, value, line):
        self.kind, self.value, self.line = kind, value, line

    def __repr__(self):
        return f"{self.kind}:{self.value!r}"


ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "0": "\0", "\\": "\\", "'": "'", '"': '"', "?": "?", "a": "\a",
           "b": "\b", "f": "\f", "v": "\v"}


def decode(body):
    """The characters of a string literal's body, its escapes read."""
    out, i = [], 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        n = body[i + 1]
        if n == "x":
            m = re.match(r"[0-9a-fA-F]+", body[i + 2:])
            out.append(chr(int(m.group(0), 16)))
            i += 2 + len(m.group(0))
        elif n in "01234567":
            m = re.match(r"[0-7]{1,3}", body[i + 1:])
            out.append(chr(int(m.group(0), 8)))
            i += 1 + len(m.group(0))
        else:
            out.append(ESCAPES.get(n, n))
            i += 2
    return "".join(out)


TOKEN = re.compile(r"""
    (?P<space>[ \t\r\f\v]+)
  | (?P<newline>\n)
  | (?P<comment>//[^\n]*|/\*.*?\*/)
  | (?P<str>(?:u8|[uUL])?"(?:[^"\\\n]|\\.)*")
  | (?P<chr>(?:u8|[uUL])?'(?:[^'\\\n]|\\.)*')
  | (?P<num>\.?[0-9](?:[eEpP][+-]|[0-9a-zA-Z_.'])*)
  | (?P<id>[A-Za-z_][A-Za-z_0-9]*)
  | (?P<op>::|->|<<=|>>=|<<|>>|<=|>=|==|!=|&&|\|\||\+\+|--|[-+*/%&|^]=|\.\.\.|.)
""", re.S | re.X)


def tokenize(text):
    """The file's tokens, its #define lines as (name, value tokens, line) and its includes."""
    toks, defines, includes, line = [], [], [], 1
    lines = text.split("\n")
    # Preprocessor lines (with their continuations) leave the token stream; defines are kept.
    cleaned = []
    i = 0
    while i < len(lines):
        if lines[i].lstrip().startswith("#"):
            start, directive = i, lines[i]
            while directive.endswith("\\") and i + 1 < len(lines):
                i += 1
                directive = directive[:-1] + " " + lines[i]
            m = re.match(r"\s*#\s*define\s+([A-Za-z_]\w*)(?!\()\s*(.*)", directive)
            if m:
                defines.append((m.group(1), m.group(2), start + 1))
            m = re.match(r'\s*#\s*include\s*"([^"]+)"', directive)
            if m:
                includes.append(m.group(1))
            cleaned.extend([""] * (i - start + 1))
        else:
            cleaned.append(lines[i])
        i += 1
    text = "\n".join(cleaned)
    for m in TOKEN.finditer(text):
        kind = m.lastgroup
        value = m.group(kind)
        if kind == "newline":
            line += 1
        elif kind == "comment":
            line += value.count("\n")
        elif kind == "space":
            pass
        elif kind == "str":
            toks.append(Tok("str", decode(value[value.index('"') + 1:-1]), line))
        else:
            toks.append(Tok(kind, value, line))
    return toks, [(name, tokenize_plain(value), at) for name, value, at in defines], includes


def tokenize_plain(text):
    """The tokens of source that needs no preprocessing: a define's value, a literal made here."""
    out = []
    for m in TOKEN.finditer(text):
        kind = m.lastgroup
        value = m.group(kind)
        if kind == "str":
            out.append(Tok("str", decode(value[value.index('"') + 1:-1]), 0))
        elif kind not in ("space", "newline", "comment"):
            out.append(Tok(kind, value, 0))
    return out


def match(toks, i, open_, close):
    """Index of the token closing the bracket opened at i."""
    depth = 0
    for j in range(i, len(toks)):
        v = toks[j].value if toks[j].kind == "op" else None
        if v == open_:
            depth += 1
        elif v == close:
            depth -= 1
            if depth == 0:
                return j
    return len(toks) - 1


def split_top(toks, sep=","):
    """Splits a token list at the separators outside every bracket."""
    parts, cur, depth = [], [], 0
    for t in toks:
        if t.kind == "op" and t.value in "([{":
            depth += 1
        elif t.kind == "op" and t.value in ")]}":
            depth -= 1
        if depth == 0 and t.kind == "op" and t.value == sep:
            parts.append(cur)
            cur = []
        else:
            cur.append(t)
    if cur or parts:
        parts.append(cur)
    return parts


def text_of(toks):
    return " ".join(repr(t.value) if t.kind == "str" else t.value for t in toks)


# ---- One source file ----

class Function:
    """A function definition: its parameters' names, its body's first and last token, whether
    other files cannot call it, its class, and a constructor's member initializers."""

    def __init__(self, name, params, body, path):
        self.name, self.params, self.body, self.path = name, params, body, path
        self.hidden, self.cls, self.inits = False, None, {}


class Source:
    """One file's tokens and what the check reads of them: its functions, constants and records."""

    def __init__(self, path):
        self.path = path
        with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
            self.toks, self.defines, self.includes = tokenize(f.read())
        self.functions = []
        self.constants = {}   # name -> initializer tokens
        self.elem_types = {}  # array name -> element type name
        self.hidden = []      # the token ranges of anonymous namespaces
        self.hidden_constants = set()
        self.class_ranges = []
        self.structs = {}     # type name -> member names in order
        self.scan()

    def scan(self):
        toks = self.toks
        n = len(toks)
        # Functions and constants of anonymous namespaces reach no other file.
        for i in range(n - 1):
            if toks[i].value == "namespace" and toks[i + 1].value == "{":
                self.hidden.append((i + 1, match(toks, i + 1, "{", "}")))
        for i in range(n):
            t = toks[i]
            if t.kind == "id" and t.value in ("struct", "class") and i + 1 < n:
                self.try_struct(i)
            if t.kind == "id" and i + 1 < n and toks[i + 1].value == "(" and toks[i + 1].kind == "op":
                self.try_function(i)
            if t.kind == "id" and i + 1 < n and toks[i + 1].kind == "op" and toks[i + 1].value in ("=", "[", "{"):
                self.try_constant(i)

    def try_struct(self, i):
        """A record's members in order; an unnamed record is filed under the variable it declares."""
        toks = self.toks
        j = i + 1
        while j < len(toks) and not (toks[j].kind == "op" and toks[j].value in "{;()"):
            j += 1
        if j >= len(toks) or toks[j].value != "{":
            return
        close = match(toks, j, "{", "}")
        members = self.members(j, close)
        if toks[i + 1].kind == "id" and j > i + 1:
            self.structs.setdefault(toks[i + 1].value, members)
            self.class_ranges.append((toks[i + 1].value, j, close))
        elif close + 1 < len(toks) and toks[close + 1].kind == "id":
            name = f"<record of {toks[close + 1].value}>"
            self.structs[name] = members
            self.elem_types.setdefault(toks[close + 1].value, name)

    def is_hidden(self, index):
        return any(a < index < b for a, b in self.hidden)

    def members(self, first, last):
        """The data members' names of the record body between the two braces, in order."""
        names = []
        for part in split_top(self.toks[first + 1:last], ";"):
            if not part or any(t.kind == "op" and t.value == "(" for t in part):
                continue
            ids = [k for k, t in enumerate(part) if t.kind == "id"]
            cut = next((k for k, t in enumerate(part) if t.kind == "op" and t.value in ("[", "=", "{")), len(part))
            ids = [k for k in ids if k < cut]
            if ids:
                names.append(part[ids[-1]].value)
        return names

    def try_function(self, i):
        """A function definition whose name is at i, if it is one."""
        toks = self.toks
        if toks[i].value in KEYWORDS:
            return
        if i > 0 and toks[i - 1].kind == "op" and toks[i - 1].value in (".", "->", "=", "(", ",", "!"):
            return
        close = match(toks, i + 1, "(", ")")
        j = close + 1
        while j < len(toks) and toks[j].kind == "id" and toks[j].value in QUALIFIERS:
            j += 1
        # A constructor's member initializers: "m_key(key)" ties the member to an argument.
        inits = {}
        cls = toks[i - 2].value if i > 1 and toks[i - 1].value == "::" and toks[i - 2].kind == "id" else None
        if not cls:
            inside = [(a, name) for name, a, b in self.class_ranges if a < i < b]
            cls = max(inside)[1] if inside else None
        if j < len(toks) and toks[j].value == ":" and cls == toks[i].value:
            j += 1
            while j + 1 < len(toks) and toks[j].kind == "id" and toks[j + 1].value in ("(", "{"):
                opener = toks[j + 1].value
                end = match(toks, j + 1, opener, ")" if opener == "(" else "}")
                inits[toks[j].value] = toks[j + 2:end]
                j = end + 1
                if toks[j].value == ",":
                    j += 1
        if j >= len(toks) or toks[j].value != "{" or toks[j].kind != "op":
            return
        if i > 0 and toks[i - 1].kind == "op" and toks[i - 1].value not in ("*", "&", "::", "}", ";", ">", "~"):
            return
        params = []
        for part in split_top(toks[i + 2:close]):
            cut = next((k for k, t in enumerate(part) if t.kind == "op" and t.value in ("=", "[")), len(part))
            ids = [t.value for t in part[:cut] if t.kind == "id"]
            params.append(ids[-1] if len(ids) >= 2 else None)
        f = Function(toks[i].value, params, (j, match(toks, j, "{", "}")), self.path)
        f.inits = inits
        f.cls = cls
        # Hidden: in an anonymous namespace, or declared static (looked for back to the last statement).
        k = i - 1
        while k >= 0 and not (toks[k].kind == "op" and toks[k].value in (";", "{", "}")):
            k -= 1
        f.hidden = self.is_hidden(i) or any(t.value == "static" for t in toks[k + 1:i])
        self.functions.append(f)

    def try_constant(self, i):
        """A name given a string or a brace initializer at i: a constant, an array or a table."""
        toks = self.toks
        j = i + 1
        while j < len(toks) and toks[j].kind == "op" and toks[j].value == "[":
            j = match(toks, j, "[", "]") + 1
        if j >= len(toks) or toks[j].kind != "op":
            return
        if toks[j].value == "=":
            j += 1
        if j >= len(toks):
            return
        if toks[j].kind == "op" and toks[j].value == "{":
            init = toks[j:match(toks, j, "{", "}") + 1]
        elif toks[j].kind == "str":
            k = j
            while k < len(toks) and toks[k].kind == "str":
                k += 1
            init = toks[j:k]
        else:
            return
        name = toks[i].value
        self.constants.setdefault(name, init)
        if self.is_hidden(i):
            self.hidden_constants.add(name)
        # The element type of an array of records: the name before the array's own.
        k = i - 1
        while k >= 0 and toks[k].kind == "id" and toks[k].value in ("const", "constexpr", "static", "inline"):
            k -= 1
        if k >= 0 and toks[k].kind == "id":
            self.elem_types.setdefault(name, toks[k].value)

    def enclosing(self, index):
        best = None
        for f in self.functions:
            if f.body[0] < index <= f.body[1] and (best is None or f.body[0] > best.body[0]):
                best = f
        return best


# ---- Following a key ----

class Unresolved(Exception):
    pass


class Param:
    """An argument of the enclosing function; each: the key is every element of it."""

    def __init__(self, index, each=False, owner=None):
        self.index, self.each, self.owner = index, each, owner  # owner: a constructor's class


class Project:
    def __init__(self, files):
        self.sources = [Source(p) for p in files]
        self.macros, self.constants, self.structs, self.elem_types = {}, {}, {}, {}
        for s in self.sources:
            for name, value, _ in s.defines:
                self.macros.setdefault(name, value)
            for name, members in s.structs.items():
                self.structs.setdefault(name, members)
        # Constants that other files can name: a header's, and a source file's outside its
        # anonymous namespaces (declared extern in a header), headers first.
        for s in sorted(self.sources, key=lambda s: not s.path.endswith(".h")):
            for name, init in s.constants.items():
                if name not in s.hidden_constants:
                    self.constants.setdefault(name, init)
                    if name in s.elem_types:
                        self.elem_types.setdefault(name, s.elem_types[name])
        # Which files each file includes, directly or not.
        by_path = {s.path: s for s in self.sources}
        direct = {}
        for s in self.sources:
            found = set()
            for name in s.includes:
                for candidate in (os.path.normpath(os.path.join(os.path.dirname(s.path), name)), name):
                    if candidate in by_path:
                        found.add(candidate)
                        break
            direct[s.path] = found
        self.included = {}
        for s in self.sources:
            seen, todo = set(), list(direct[s.path])
            while todo:
                h = todo.pop()
                if h not in seen:
                    seen.add(h)
                    todo.extend(direct.get(h, ()))
            self.included[s.path] = seen
        # The headers that declare each name as a function.
        self.declaring = {}
        for s in self.sources:
            if s.path.endswith(".h"):
                for k, t in enumerate(s.toks[:-1]):
                    if t.kind == "id" and s.toks[k + 1].value == "(":
                        self.declaring.setdefault(t.value, set()).add(s.path)

    def reach(self, src, f):
        """The files that can call a function: its own, and those that include a header declaring it."""
        headers = set()
        if src.path.endswith(".h"):
            headers.add(src.path)
        if not f.hidden:
            headers |= self.declaring.get(f.name, set())
        files = {src.path}
        for s in self.sources:
            if s.path in headers or self.included[s.path] & headers:
                files.add(s.path)
        return files

    # The values an expression can have: strings and numbers, or a Param for an argument of the
    # enclosing function. Raises Unresolved for anything else.
    def values(self, src, toks, at, depth=0):
        out = []
        for row in self.rows(src, toks, at, depth):
            if isinstance(row, Param):
                out.append(row)
            elif row is not None:
                out.extend(self.value_of(src, row, at, depth + 1))
        return out

    def value_of(self, src, toks, at, depth):
        """The values of one initializer or expression, once the names in it are followed."""
        toks = strip(toks)
        if toks and all(t.kind == "str" for t in toks):
            return ["".join(t.value for t in toks)]
        if len(toks) == 1 and toks[0].kind == "num":
            return [parse_int(toks[0].value)]
        if len(toks) == 1 and toks[0].kind == "id" and toks[0].value in ("nullptr", "NULL"):
            return []
        return self.values(src, toks, at, depth)

    def rows(self, src, toks, at, depth=0):
        """What an expression stands for: initializers (token lists), None for a literal's own
        value, or Params. A name is followed, then its subscripts and fields narrow each row."""
        if depth > 16:
            raise Unresolved()
        toks = strip(toks)
        if not toks:
            raise Unresolved()
        q = top_index(toks, "?")
        if q is not None:
            c = colon_after(toks, q)
            return self.rows(src, toks[q + 1:c], at, depth + 1) + self.rows(src, toks[c + 1:], at, depth + 1)
        if all(t.kind == "str" for t in toks) or (len(toks) == 1 and toks[0].kind == "num"):
            return [toks]
        if len(toks) == 1 and toks[0].value in ("nullptr", "NULL"):
            return []
        if toks[0].kind == "id" and toks[0].value in ("static_cast", "reinterpret_cast", "const_cast"):
            close = match(toks, 1, "<", ">")
            if close + 1 < len(toks) and toks[close + 1].value == "(" and match(toks, close + 1, "(", ")") == len(toks) - 1:
                return self.rows(src, toks[close + 2:-1], at, depth + 1)
        if toks[0].kind != "id":
            raise Unresolved()
        if len(toks) > 1 and toks[1].value == "(" and match(toks, 1, "(", ")") == len(toks) - 1:
            return self.returned(src, toks[0].value, depth)
        return self.selected(src, toks[0].value, toks[1:], at, depth)

    def returned(self, src, name, depth):
        """What a function of the file, or a declared one, can return."""
        funcs = [f for f in src.functions if f.name == name]
        if not funcs:
            funcs = [f for s in self.sources for f in s.functions if f.name == name and not f.hidden
                     and self.declaring.get(name, set()) & (self.included[src.path] | {src.path})]
        if not funcs:
            raise Unresolved()
        out = []
        for f in funcs:
            fsrc = next(s for s in self.sources if s.path == f.path)
            toks = fsrc.toks
            first, last = f.body
            for k in range(first, last):
                if toks[k].kind == "id" and toks[k].value == "return" and fsrc.enclosing(k) is f:
                    end = k + 1
                    while not (toks[end].kind == "op" and toks[end].value == ";"):
                        end += 1
                    # Read in the function's own file, each value becomes a literal row.
                    for value in self.values(fsrc, toks[k + 1:end], k, depth + 1):
                        if isinstance(value, Param):
                            raise Unresolved()
                        out.append(tokenize_plain(literal(value)))
        return out

    def selected(self, src, name, selectors, at, depth):
        """A name, then subscripts and fields: each row the name can stand for, narrowed by them."""
        rows, elem_type = self.rows_of(src, name, at, depth)
        k = 0
        while k < len(selectors):
            t = selectors[k]
            if t.kind == "op" and t.value == "[":
                close = match(selectors, k, "[", "]")
                index = selectors[k + 1:close]
                new = []
                for row in rows:
                    if isinstance(row, Param):
                        if row.each or close + 1 < len(selectors):
                            raise Unresolved()
                        new.append(Param(row.index, True, row.owner))
                        continue
                    elems = elements(row)
                    if len(index) == 1 and index[0].kind == "num":
                        i = parse_int(index[0].value)
                        if i >= len(elems):
                            raise Unresolved()
                        new.append(elems[i])
                    else:
                        new.extend(elems)
                rows = new
                k = close + 1
            elif t.kind == "op" and t.value in (".", "->") and k + 1 < len(selectors) and selectors[k + 1].kind == "id":
                field = selectors[k + 1].value
                members = self.members_for(src, elem_type, field)
                i = members.index(field)
                new = []
                for row in rows:
                    if isinstance(row, Param):
                        raise Unresolved()
                    elems = elements(row)
                    if i >= len(elems):
                        raise Unresolved()
                    new.append(elems[i])
                rows = new
                elem_type = None
                k += 2
            else:
                raise Unresolved()
        return rows

    def members_for(self, src, elem_type, field):
        """The members of the rows' record: by its type, else the one record that has the field."""
        for table in (src.structs, self.structs):
            if elem_type in table and field in table[elem_type]:
                return table[elem_type]
        for candidates in ([m for m in src.structs.values() if field in m],
                           [m for s in self.sources for m in s.structs.values() if field in m]):
            if candidates:
                if len({m.index(field) for m in candidates}) == 1:
                    return candidates[0]
                raise Unresolved()
        raise Unresolved()

    def rows_of(self, src, name, at, depth):
        """What a name stands for: the initializer of each of its values (or a Param)."""
        f = src.enclosing(at)
        if f:
            if name in f.params:
                return [Param(f.params.index(name))], None
            local = self.local_rows(src, f, name, at, depth)
            if local is not None:
                return local
            if f.cls:
                member = self.member_rows(f.cls, name, depth)
                if member is not None:
                    return member, None
        if name in src.constants:
            return [src.constants[name]], src.elem_types.get(name)
        if name in self.constants:
            return [self.constants[name]], self.elem_types.get(name)
        if name in self.macros:
            return [self.macros[name]], None
        raise Unresolved()

    def member_rows(self, cls, name, depth):
        """A member set from a constructor's argument stands for that argument of the class."""
        for s in self.sources:
            for ctor in s.functions:
                if ctor.cls == cls and ctor.name == cls and name in ctor.inits:
                    rows = self.rows(s, ctor.inits[name], ctor.body[0] + 1, depth + 1)
                    return [Param(r.index, r.each, cls) if isinstance(r, Param) else r for r in rows]
        return None

    def local_rows(self, src, f, name, at, depth):
        """A local variable: every value given to it before the lookup, or each element of the
        range a range-for walks."""
        toks = src.toks
        first, last = f.body
        rows = []
        elem_type = None
        for k in range(first, min(at, last)):
            t = toks[k]
            if t.kind != "id" or t.value != name or toks[k - 1].value in (".", "->"):
                continue
            nxt = toks[k + 1]
            if nxt.kind == "op" and nxt.value == "=":
                end = k + 2
                while end < last and not (toks[end].kind == "op" and toks[end].value in (";", ")")
                                          and depth_between(toks, k + 2, end) == 0):
                    end += 1
                rows.extend(self.rows(src, toks[k + 2:end], k, depth + 1))
            elif nxt.kind == "op" and nxt.value == ":" and self.in_for(toks, k):
                end = k + 2
                while not (toks[end].kind == "op" and toks[end].value == ")" and depth_between(toks, k + 2, end) == 0):
                    end += 1
                rng = strip(toks[k + 2:end])
                inner = self.rows(src, rng, k, depth + 1)
                if len(rng) == 1 and rng[0].kind == "id":
                    elem_type = self.rows_of(src, rng[0].value, k, depth + 1)[1]
                for r in inner:
                    if isinstance(r, Param):
                        raise Unresolved()
                    rows.extend(elements(r))
        return (rows, elem_type) if rows else None

    @staticmethod
    def in_for(toks, k):
        depth = 0
        for j in range(k - 1, max(k - 30, 0), -1):
            t = toks[j]
            if t.kind == "op" and t.value == ")":
                depth += 1
            elif t.kind == "op" and t.value == "(":
                if depth == 0:
                    return j > 0 and toks[j - 1].value == "for"
                depth -= 1
            elif t.kind == "op" and t.value in (";", "{", "}"):
                return False
        return False


def literal(value):
    """A value as C source: a number, or a string literal with octal escapes where needed."""
    if isinstance(value, int):
        return str(value)
    return '"' + "".join("\\%03o" % ord(c) if c in '"\\' or ord(c) < 32 else c for c in value) + '"'


def depth_between(toks, first, end):
    d = 0
    for t in toks[first:end]:
        if t.kind == "op" and t.value in "([{":
            d += 1
        elif t.kind == "op" and t.value in ")]}":
            d -= 1
    return d


def strip(toks):
    while len(toks) >= 2 and toks[0].value == "(" and toks[0].kind == "op" and match(toks, 0, "(", ")") == len(toks) - 1:
        toks = toks[1:-1]
    return toks


def top_index(toks, op):
    d = 0
    for k, t in enumerate(toks):
        if t.kind == "op" and t.value in "([{":
            d += 1
        elif t.kind == "op" and t.value in ")]}":
            d -= 1
        elif d == 0 and t.kind == "op" and t.value == op:
            return k
    return None


def colon_after(toks, q):
    d, nested = 0, 0
    for k in range(q + 1, len(toks)):
        t = toks[k]
        if t.kind == "op" and t.value in "([{":
            d += 1
        elif t.kind == "op" and t.value in ")]}":
            d -= 1
        elif d == 0 and t.kind == "op" and t.value == "?":
            nested += 1
        elif d == 0 and t.kind == "op" and t.value == ":":
            if nested == 0:
                return k
            nested -= 1
    raise Unresolved()


def elements(init):
    """The elements of a brace initializer; anything else is one element, itself."""
    init = list(init)
    if init and init[0].kind == "op" and init[0].value == "{" and match(init, 0, "{", "}") == len(init) - 1:
        return [p for p in split_top(init[1:-1]) if p]
    return [init]


def parse_int(text):
    text = text.rstrip("uUlL").replace("'", "")
    try:
        return int(text, 0)
    except ValueError:
        raise Unresolved()


# ---- The check ----

def source_files():
    files = []
    for top in PROGRAM + LIBRARY:
        for base, dirs, names in os.walk(os.path.join(ROOT, top)):
            rel = os.path.relpath(base, ROOT)
            dirs[:] = sorted(d for d in dirs if os.path.join(rel, d) not in SKIPPED and d != "tests")
            for name in sorted(names):
                if name.endswith((".cpp", ".h")):
                    files.append(os.path.join(rel, name))
    return files


def defaults(project):
    src = next(s for s in project.sources if s.path == DEFAULTS)
    tables = {}
    for name, table in (("kMessageDefaults", "message"), ("kHLabelDefaults", "axis label"),
                        ("kMenuLabelDefaults", "menu label")):
        keys = set()
        for row in elements(src.constants[name]):
            keys.update(project.values(src, elements(row)[0], 0))
        tables[table] = keys
    return tables


def calls(src, names):
    """Each call of one of the names: (token index, name, argument token lists). An object made
    as "Type name(arguments)" counts as a call of its constructor."""
    toks = src.toks
    for k, t in enumerate(toks[:-2]):
        if t.kind == "id" and t.value in names and toks[k + 1].kind == "id" and toks[k + 2].value in ("(", "{") \
                and toks[k + 1].value not in QUALIFIERS:
            opener = toks[k + 2].value
            close = match(toks, k + 2, opener, ")" if opener == "(" else "}")
            yield k, t.value, split_top(toks[k + 3:close])
    for k, t in enumerate(toks[:-1]):
        if t.kind != "id" or t.value not in names or toks[k + 1].value != "(":
            continue
        if k > 0 and toks[k - 1].kind == "op" and toks[k - 1].value in (".", "->"):
            continue
        close = match(toks, k + 1, "(", ")")
        if close + 1 < len(toks) and toks[close + 1].value == "{":
            continue  # a definition
        if k > 0 and ((toks[k - 1].kind == "id" and toks[k - 1].value not in KEYWORDS | {"else"})
                      or (toks[k - 1].value in ("*", "&") and k > 1 and toks[k - 2].kind == "id")):
            continue  # a declaration
        args = split_top(toks[k + 2:close])
        if any(declares(a) for a in args):
            continue  # a declaration: its arguments name types
        yield k, t.value, args


def declares(arg):
    """An argument that names a type ("const char* key"): two names in a row, or const first."""
    if arg and arg[0].value == "const":
        return True
    return any(a.kind == "id" and b.kind == "id" and a.value not in KEYWORDS for a, b in zip(arg, arg[1:]))


def find_lookups(project):
    """Per file, the lookups it can call: the library's own, and every function that hands one of
    its arguments on to a lookup as the key."""
    known = {s.path: dict(LOOKUPS) for s in project.sources}
    by_path = {s.path: s for s in project.sources}
    changed = True
    while changed:
        changed = False
        for s in project.sources:
            for k, name, args in calls(s, known[s.path]):
                arg, table, each = known[s.path][name]
                f = s.enclosing(k)
                if arg >= len(args) or not f or f.name in LOOKUPS:
                    continue
                try:
                    vals = key_values(project, s, args[arg], k, each)
                except Unresolved:
                    continue
                for v in vals:
                    if not isinstance(v, Param) or (each and v.each):
                        continue
                    owner = f
                    if v.owner:
                        owner = next((c for src in project.sources for c in src.functions
                                      if c.cls == v.owner and c.name == v.owner), None)
                    if owner and v.index < len(owner.params):
                        owner_src = next(src for src in project.sources if src.path == owner.path)
                        for path in project.reach(owner_src, owner):
                            if owner.name not in known[path]:
                                known[path][owner.name] = (v.index, table, each or v.each)
                                changed = True
    return known


def key_values(project, src, toks, at, each):
    """The keys an argument gives: its values, or with each those of every element of it."""
    if not each:
        return project.values(src, toks, at)
    out = []
    for row in project.rows(src, toks, at):
        if isinstance(row, Param):
            out.append(Param(row.index, True))
        else:
            for elem in elements(row):
                out.extend(project.value_of(src, elem, at, 1))
    return out


def unchecked_answers(project):
    """Lookups whose answer is an argument of another call (a cast of it included)."""
    found = []
    for s in project.sources:
        toks = s.toks
        for k, name, _ in calls(s, set(LOOKUPS)):
            prev = toks[k - 1]
            if prev.kind == "op" and prev.value in ("(", ","):
                # The innermost open bracket before the lookup.
                d, j = 0, k - 1
                while j >= 0:
                    t = toks[j]
                    if t.kind == "op" and t.value in ")]}":
                        d += 1
                    elif t.kind == "op" and t.value in "([{":
                        if d == 0:
                            break
                        d -= 1
                    j -= 1
                if j > 0 and toks[j].value == "(" and (
                        (toks[j - 1].kind == "id" and toks[j - 1].value not in KEYWORDS) or toks[j - 1].value == ">"):
                    callee = f"{toks[j - 1].value}()" if toks[j - 1].kind == "id" else "a cast"
                    found.append(f"{s.path}:{toks[k].line}: the answer of {name} goes unchecked into {callee}: "
                                 f"a missing key would show as \"(null)\" or nothing")
    return found


def main(argv):
    global ROOT
    if "--root" in argv:
        ROOT = os.path.abspath(argv[argv.index("--root") + 1])
    project = Project(source_files())
    tables = defaults(project)
    # Menu labels that the program makes itself at run time.
    for s in project.sources:
        for k, _, args in calls(s, set(MENU_CREATORS)):
            if len(args) >= 4 and text_of(args[3]) == "1":
                try:
                    tables["menu label"].update(v for v in project.values(s, args[0], k) if not isinstance(v, Param))
                except Unresolved:
                    pass
    known = find_lookups(project)
    missing, unresolved, seen = [], [], set()
    for s in project.sources:
        if s.path in (DEFAULTS, TEXTS):
            continue
        for k, name, args in calls(s, known[s.path]):
            arg, table, each = known[s.path][name]
            if arg >= len(args):
                continue
            where = f"{s.path}:{s.toks[k].line}"
            inner = strip(args[arg])
            if len(inner) > 1 and inner[0].value in known[s.path] and inner[1].value == "(":
                missing.append(f"{where}: {name} is given a text that {inner[0].value} looked up: a translated "
                               f"text is no key")
                continue
            try:
                vals = key_values(project, s, args[arg], k, each)
            except Unresolved:
                unresolved.append(f"{where}: {name}({text_of(args[arg])})")
                continue
            for v in vals:
                if isinstance(v, Param) or v == "":
                    continue  # an empty key stands for the empty text
                seen.add((table, v))
                if v not in tables[table] and v not in NOT_LOOKED_UP:
                    missing.append(f"{where}: the {table} key {v!r} (through {name}) has no text")
    problems = missing + unchecked_answers(project)
    if "--unresolved" in argv:
        print("Keys not followed:", *unresolved, sep="\n  ")
    if "--keys" in argv:
        for path, names in sorted(known.items()):
            extra = sorted(set(names) - set(LOOKUPS))
            if extra:
                print(f"  {path}: {', '.join(extra)}")
        for table, v in sorted(seen, key=str):
            print(f"  {table}: {v!r}")
    for p in problems:
        print(p)
    print(f"{len(seen)} keys checked, {len(unresolved)} lookups with keys computed at run time, "
          f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
