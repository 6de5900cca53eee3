// What a lesson author meets in the lesson's texts: string functions given counts past the text,
// variable files that were cut or damaged, and a lesson script that a zero byte cuts short; run
// as lessons in the program booted in the test.
#include "tests/scripts/lesson_fixture.h"

#include <cstring>

#include "base/app.h"
#include "base/lesson.h"
#include "devlib/vk40.h"
#include "scripts/engine/script_engine.h"
#include "shell/commands/menus.h"
#include "shell/shell_ids.h"
#include "tests/documents/acq_builder.h"
#include "tests/shell/shell_fixture.h"

namespace {

std::string FileText(const std::string& path) {
    const Bytes bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

bool WriteText(const std::string& path, const std::string& text) {
    return WriteWholeFile(path, Bytes(text.begin(), text.end()));
}

// A local variable of the lesson's "Main" after its run.
double MainLocal(char letter) {
    const auto* main = FindScriptSubroutine(LoadedScript(), "Main");
    return main ? main->Local(letter - 'a') : -1000.0;
}

}  // namespace

class LessonText : public LessonWords {};

// ---- String functions ----

// A count past the text takes the part of the text there is, however far past it is; a count
// below its start takes nothing of what lies before it.
TEST_F(LessonText, StringFunctionsGiveThePartThatExistsForAnyCount) {
    const struct {
        const char* expression;
        const char* result;
    } cases[] = {
        {"LEFT$(\"abcdef\", 300)", "abcdef"},
        {"LEFT$(\"abcdef\", 1E12)", "abcdef"},
        {"LEFT$(\"abcdef\", 2147483648)", "abcdef"},
        {"LEFT$(\"abcdef\", 4294967298)", "abcdef"},
        {"LEFT$(\"abcdef\", -1E12)", ""},
        {"LEFT$(\"abcdef\", -2147483649)", ""},
        {"RIGHT$(\"abcdef\", 300)", "abcdef"},
        {"RIGHT$(\"abcdef\", 1E12)", "abcdef"},
        {"RIGHT$(\"abcdef\", 2147483648)", "abcdef"},
        {"RIGHT$(\"abcdef\", -1E12)", ""},
        {"MID$(\"abcdef\", 2, 300)", "bcdef"},
        {"MID$(\"abcdef\", 2, 1E12)", "bcdef"},
        {"MID$(\"abcdef\", 3, 2147483648)", "cdef"},
        {"MID$(\"abcdef\", -1E12, 3)", "abc"},
        {"MID$(\"abcdef\", -2147483648, 2)", "ab"},
        {"MID$(\"abcdef\", -1E12, 1E12)", "abcdef"},
        {"MID$(\"abcdef\", 1E12, 1E13)", ""},
        {"MID$(\"abcdef\", 2147483649, 3)", ""},
        {"MID$(\"abcdef\", 2, -1E12)", ""},
        {"MID$(LEFT$(\"abcdef\", 1E12), 5, 1E12)", "ef"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expression);
        AssignScriptStringVariable(0, "unchanged", 0);
        EXPECT_EQ(Run({std::string("A$ = ") + c.expression}), kScriptGoOn);
        EXPECT_EQ(Str('A'), c.result);
    }
    // The decimals of STR$ are a count too: past its most, the most.
    EXPECT_EQ(Run({"A$ = STR$(2.5, 1E12)"}), kScriptGoOn);
    EXPECT_EQ(Str('A'), "2.5" + std::string(29, '0'));
    EXPECT_EQ(ErrorDialogs(), 0);
}

// ---- Variable files ----

namespace {

// The variables of one table: LOADLVARS' (A#..Z#, A@..Z@) or LOADAVARS' (A..Z, A$..Z$).
struct stVarTable {
    double* numbers;
    char (*strings)[kScriptWordChars];
};

stVarTable TableOf(bool macro) {
    return macro ? stVarTable{g_script.macroVariables, g_script.macroStrings}
                 : stVarTable{g_script.variables, g_script.strings};
}

// The values the lesson saves: 101.25 + i and "text A".."text Z".
void FillSavedValues(const stVarTable& t) {
    for (int i = 0; i < 26; ++i) {
        t.numbers[i] = 101.25 + i;
        const std::string text = std::string("text ") + static_cast<char>('A' + i);
        lstrcpynA(t.strings[i], text.c_str(), kScriptWordChars);
    }
}

// What the variables hold when the lesson loads the file: -1 - i and "before".
void FillValuesBeforeTheLoad(const stVarTable& t) {
    for (int i = 0; i < 26; ++i) {
        t.numbers[i] = -1.0 - i;
        lstrcpynA(t.strings[i], "before", kScriptWordChars);
    }
}

}  // namespace

// A file that was cut inside a line, or holds a string line without its quotes, is said to be damaged
// with the line it holds, the damaged line's variable keeps its value, the lines before and
// after it are read, and the result variable says the load failed.
TEST_F(LessonText, AVariableFileCutInsideALineIsReportedAndItsVariableKept) {
    const std::string path = InFolder("vars.txt");
    struct Case {
        const char* what;
        bool macro;                // LOADLVARS (A#..Z#, A@..Z@), else LOADAVARS (A..Z, A$..Z$)
        const char* cutAfter;      // the file ends right after this text ("" : not cut)
        const char* replace;       // this text of the file ...
        const char* with;          // ... becomes this one
        int line;                  // the damaged line (0: none)
        const char* damagedText;   // what the message shows of it
        bool numberKept, stringKept;  // S# / S (or S@ / S$) keep the value before the load
        bool laterRead;            // the lines after the damaged one are read
        bool crlf = false;         // the file's lines end in CR LF, as an editor may leave them
    };
    const Case cases[] = {
        {"whole file", true, "", "", "", 0, "", false, false, true},
        {"whole file with CR LF line ends", true, "", "", "", 0, "", false, false, true, true},
        {"cut after the equals sign", true, "S# =", "", "", 19, "S# =", true, true, false},
        {"cut inside the number", true, "S# = 11", "", "", 19, "S# = 11", true, true, false},
        {"cut inside a string", true, "S@ = \"te", "", "", 45, "S@ = \"te", false, true, false},
        {"a string line without its quotes", true, "", "S@ = \"text S\"\r", "S@ =\r", 45, "S@ =", false, true, true},
        {"application table cut after the equals sign", false, "S =", "", "", 19, "S =", true, true, false},
        {"application table whole", false, "", "", "", 0, "", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const stVarTable table = TableOf(c.macro);
        double* numbers = table.numbers;
        char(*strings)[kScriptWordChars] = table.strings;
        // The file as the lesson saved it.
        FillSavedValues(table);
        ASSERT_EQ(Run({c.macro ? "SAVELVARS \"vars.txt\"" : "SAVEAVARS \"vars.txt\""}), kScriptGoOn);
        std::string text = FileText(path);
        ASSERT_FALSE(text.empty());
        if (*c.cutAfter) {
            const size_t at = text.find(c.cutAfter);
            ASSERT_NE(at, std::string::npos) << text;
            text.resize(at + std::strlen(c.cutAfter));
        }
        if (*c.replace) {
            const size_t at = text.find(c.replace);
            ASSERT_NE(at, std::string::npos) << text;
            text.replace(at, std::strlen(c.replace), c.with);
        }
        if (c.crlf) {
            std::string lines;
            for (char ch : text) lines += ch == '\r' ? std::string("\r\n") : std::string(1, ch);
            text = lines;
        }
        ASSERT_TRUE(WriteText(path, text));
        FillValuesBeforeTheLoad(table);
        const int s = 'S' - 'A', a = 0, z = 'Z' - 'A';
        const int dialogsBefore = ErrorDialogs();
        const int16_t result = Run({c.macro ? "LOADLVARS \"vars.txt\", r" : "LOADAVARS \"vars.txt\", r"});
        if (c.line == 0) {
            EXPECT_EQ(result, kScriptGoOn);
            EXPECT_EQ(MainLocal('r'), 1.0);
            EXPECT_EQ(ErrorDialogs(), dialogsBefore);
            for (int i : {a, s, z}) {
                EXPECT_EQ(numbers[i], 101.25 + i);
                EXPECT_EQ(std::string(strings[i]), std::string("text ") + static_cast<char>('A' + i));
            }
            continue;
        }
        // The error dialog names the file, the line and what it holds; answered "stop".
        EXPECT_EQ(result, kScriptStop);
        EXPECT_EQ(MainLocal('r'), 3.0) << "a damaged file is a failed load";
        ASSERT_EQ(ErrorDialogs(), dialogsBefore + 1);
        const std::string& shown = LastError();
        EXPECT_NE(shown.find("vars.txt"), std::string::npos) << shown;
        EXPECT_NE(shown.find("Line " + std::to_string(c.line)), std::string::npos) << shown;
        EXPECT_NE(shown.find(std::string("\r\n") + c.damagedText + "\r\n"), std::string::npos) << shown;
        EXPECT_NE(shown.find(c.macro ? "WORD: LOADLVARS" : "WORD: LOADAVARS"), std::string::npos) << shown;
        EXPECT_EQ(numbers[a], 101.25) << "the lines before it are read";
        EXPECT_EQ(numbers[s], c.numberKept ? -1.0 - s : 101.25 + s);
        EXPECT_STREQ(strings[s], c.stringKept ? "before" : "text S");
        EXPECT_EQ(numbers[z], c.numberKept && !c.laterRead ? -1.0 - z : 101.25 + z);
        EXPECT_STREQ(strings[z], c.laterRead ? "text Z" : "before");
    }
}

// A file whose lines end in LF alone (as an editor may leave it) loads whole, and a complete
// number line with nothing after its "=" reads 0: neither is damage, the load succeeds and no
// error dialog is shown.
TEST_F(LessonText, AVariableFileWithLineFeedsOrAnEmptyNumberLoadsWhole) {
    const std::string path = InFolder("vars.txt");
    const struct {
        const char* what;
        bool macro, lf, emptyNumber;
    } cases[] = {
        {"macro table, LF line ends", true, true, false},
        {"application table, LF line ends", false, true, false},
        {"macro table, G# without its number", true, false, true},
        {"application table, G without its number", false, false, true},
        {"application table, LF and G without its number", false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const stVarTable table = TableOf(c.macro);
        double* numbers = table.numbers;
        char(*strings)[kScriptWordChars] = table.strings;
        FillSavedValues(table);
        ASSERT_EQ(Run({c.macro ? "SAVELVARS \"vars.txt\"" : "SAVEAVARS \"vars.txt\""}), kScriptGoOn);
        std::string text = FileText(path);
        if (c.emptyNumber) {
            const std::string line = c.macro ? "G# = 107.25\r" : "G = 107.25\r";
            const size_t at = text.find(line);
            ASSERT_NE(at, std::string::npos) << text;
            text.replace(at, line.size(), c.macro ? "G# =\r" : "G =\r");
        }
        if (c.lf)
            for (char& ch : text)
                if (ch == '\r') ch = '\n';
        ASSERT_TRUE(WriteText(path, text));
        FillValuesBeforeTheLoad(table);
        const int dialogs = ErrorDialogs();
        EXPECT_EQ(Run({c.macro ? "LOADLVARS \"vars.txt\", r" : "LOADAVARS \"vars.txt\", r"}), kScriptGoOn);
        EXPECT_EQ(MainLocal('r'), 1.0);
        EXPECT_EQ(ErrorDialogs(), dialogs) << LastError();
        for (int i = 0; i < 26; ++i) {
            const bool empty = c.emptyNumber && i == 'G' - 'A';
            EXPECT_EQ(numbers[i], empty ? 0.0 : 101.25 + i) << static_cast<char>('A' + i);
            EXPECT_EQ(std::string(strings[i]), std::string("text ") + static_cast<char>('A' + i));
        }
    }
}

// ---- A lesson script cut short by a zero byte ----

// A zero byte ends what is read of a lesson's script. When the lesson is chosen from the Lessons
// menu the author is told where it is and which subroutine lost its END for it; zero bytes that
// only pad the end of the file cut nothing and are not mentioned.
TEST_F(LessonText, AZeroByteThatCutsTheScriptShortIsToldWhenTheLessonOpens) {
    const std::string lessons = InFolder("Lessons");
    const std::string lessonFolder = InFolder("Lessons\\Cut");
    const std::string script = InFolder("Lessons\\Cut\\Cut");
    ASSERT_TRUE(CreateDirectoryA(lessons.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(lessonFolder.c_str(), nullptr));
    ASSERT_EQ(FillUpLessonDescriptions(lessons.c_str()), 1);
    HMENU popup = CreatePopupMenu();
    ASSERT_EQ(BuildLessonsMenu(popup), 1);
    ASSERT_TRUE(AppendMenuA(GetMenu(g_app->hwndFrame), MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "&Lessons"));
    char entry[64] = "";
    ASSERT_GT(GetMenuStringA(popup, IDM_LESSON_FIRST, entry, sizeof entry, MF_BYCOMMAND), 0);
    ASSERT_STREQ(entry, "Cut");

    const std::string head = "Cut short\r\nOnOpenFile\r\nA = 1\r\nEND\r\n";
    const std::string zero(1, '\0');
    const struct {
        const char* what;
        std::string text;
        std::vector<std::string> told;  // what the message says; empty: no message
        std::vector<std::string> kept;  // the subroutines loaded
    } cases[] = {
        {"inside a subroutine", head + "Later\r\nB = 2\r\n" + zero + "END\r\nLast\r\nEND\r\n",
         {"'" + script + "'", "line 7", "Later"}, {"OnOpenFile"}},
        {"between subroutines", head + "\r\n" + zero + "Last\r\nEND\r\n", {"'" + script + "'", "line 6"}, {"OnOpenFile"}},
        {"padding at the end", head + zero + zero + zero, {}, {"OnOpenFile"}},
        {"padding after line ends", head + zero + "\r\n \t" + zero + "\r\n", {}, {"OnOpenFile"}},
        {"no zero byte", head + "Later\r\nB = 2\r\nEND\r\n", {}, {"OnOpenFile", "Later"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteText(script, c.text));
        AssignScriptNumericVariable(nullptr, "A", 0.0);
        BoxCapture boxes;
        SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_LESSON_FIRST, 0), 0);
        PumpMessages();
        EXPECT_EQ(Var('A'), 1.0) << "the lesson opened and ran what it holds";
        std::vector<std::string> names;
        for (CListItem* i = LoadedScript()->MoveFirst(); i; i = LoadedScript()->MoveNext())
            names.push_back(static_cast<CScriptSubroutine*>(i)->Name());
        EXPECT_EQ(names, c.kept);
        if (c.told.empty()) {
            EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
            continue;
        }
        ASSERT_EQ(boxes.boxes.size(), 1u);
        for (const std::string& part : c.told)
            EXPECT_NE(boxes.boxes[0].text.find(part), std::string::npos) << part << " in " << boxes.boxes[0].text;
        EXPECT_EQ(ErrorDialogs(), 0);
    }
    SetCurrentDirectoryA(folder.c_str());
}
