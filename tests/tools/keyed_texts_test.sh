#!/usr/bin/env bash
# The keyed-text check finds what it is there for: over a copy of the sources it passes, and with
# a key taken out of the default table, or a missing key planted behind a wrapper, a table, a
# record and a range-for, or a lookup's answer handed on unchecked, it names each one.
# Usage: keyed_texts_test.sh <source root>
set -euo pipefail
root=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/tools"
cp "$root/tools/keyed_texts.py" "$dir/tools/"
for folder in common base controls outputs documents graph transforms scripts shell devlib; do
  cp -r "$root/$folder" "$dir/"
done
bad=0

# expect <case> <text the report must hold>... ; the check must fail for the case.
expect() {
  local name=$1
  shift
  local out rc=0
  out=$(python3 "$dir/tools/keyed_texts.py") || rc=$?
  if [ $rc -eq 0 ]; then
    printf 'FAILED %s: the check passed\n%s\n' "$name" "$out"
    bad=1
  fi
  for want in "$@"; do
    if ! grep -qF -- "$want" <<<"$out"; then
      printf 'FAILED %s: no "%s" in\n%s\n' "$name" "$want" "$out"
      bad=1
    fi
  done
}

if ! out=$(python3 "$dir/tools/keyed_texts.py"); then
  printf 'FAILED the sources as they are\n%s\n' "$out"
  bad=1
fi

# A key the Find Peak dialog asks for, gone from the table.
defaults=$dir/devlib/services/text_defaults.cpp
cp "$defaults" "$dir/defaults.kept"
grep -v '{"Set first cursor to", "Set first cursor to"},' "$dir/defaults.kept" >"$defaults"
expect "a key taken out of the table" \
  "transforms/analysis/find_peak_dialog.cpp:" "the message key 'Set first cursor to' (through Keyed) has no text"
cp "$dir/defaults.kept" "$defaults"

# Keys that reach the lookup only through the code's own ways of handing them on.
cat >"$dir/transforms/planted.cpp" <<'EOF'
#include "devlib/vk40.h"
#include <cstdio>
namespace {
const char* Say(int, const char* key) { return Keyed(key); }
void Tell(const char* key) { MessageBoxA(nullptr, Say(0, key), Keyed("Warning"), MB_OK); }
constexpr const char* kRows[] = {"Warning", "A planted key in a table"};
struct stRow {
    int id;
    const char* key;
};
const stRow kRecords[] = {{1, "Peak"}, {2, "A planted key in a record"}};
}  // namespace
void Planted(HWND dlg, int i) {
    Tell("A planted key through two wrappers");
    for (const char* key : kRows) Say(1, key);
    SetWindowTextA(dlg, Say(2, kRecords[i].key));
    const char* chosen = i ? "Peak" : "A planted key in a variable";
    Tell(chosen);
    char text[64];
    std::snprintf(text, sizeof text, "%s", getMsgBoxText("Peak"));
}
EOF
expect "planted keys" \
  "planted.cpp:14: the message key 'A planted key through two wrappers' (through Tell) has no text" \
  "planted.cpp:15: the message key 'A planted key in a table' (through Say) has no text" \
  "planted.cpp:16: the message key 'A planted key in a record' (through Say) has no text" \
  "planted.cpp:18: the message key 'A planted key in a variable' (through Tell) has no text" \
  "planted.cpp:20: the answer of getMsgBoxText goes unchecked into snprintf()"
if grep -q "'Peak'\|'Warning'" <<<"$(python3 "$dir/tools/keyed_texts.py" || true)"; then
  echo "FAILED keys that have a text are reported"
  bad=1
fi
rm "$dir/transforms/planted.cpp"

# A translated text handed to the status line, which looks its argument up again.
cat >"$dir/graph/planted.cpp" <<'EOF'
#include "base/notify.h"
#include "devlib/vk40.h"
void Planted() { notify::SetStatusText(Keyed("Ready")); }
EOF
expect "a looked-up text looked up again" "planted.cpp:3: SetStatusText is given a text that Keyed looked up"

exit $bad
