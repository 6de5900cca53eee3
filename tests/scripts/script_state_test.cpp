// The interpreter's state record: the program starts in the state every load resets to, a load
// drops everything of the previous script and keeps what the language keeps for the whole run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "scripts/script_api.h"
#include "controls/short_string.h"

namespace {

void ExpectFreshScriptState(const char* when) {
    for (int p = 0; p < kPermCount; ++p) EXPECT_EQ(g_script.permissions[p], 1) << when << ", permission " << p;
    EXPECT_EQ(g_script.savePromptEnabled, 1) << when;
    EXPECT_EQ(g_script.cursorToolsAllowed, 0) << when;
    EXPECT_EQ(g_script.closeCancelled, 0) << when;
    EXPECT_EQ(g_script.graphWindowExists, 0) << when;
    EXPECT_EQ(g_script.graph, nullptr) << when;
    EXPECT_EQ(g_script.text, nullptr) << when;
}

TEST(ScriptState, TheProgramStartsAsAFreshLoadLeavesIt) { ExpectFreshScriptState("at start"); }

TEST(ScriptState, ALoadDropsThePreviousScriptsStateAndKeepsTheRunsOwn) {
    tagGS* const graph = reinterpret_cast<tagGS*>(&g_script);  // any address: the record only keeps it
    int scriptObject = 0;
    ShortString folder;
    for (uint16_t& p : g_script.permissions) p = 0;
    g_script.savePromptEnabled = 0;
    g_script.cursorToolsAllowed = 1;
    g_script.closeCancelled = 1;
    g_script.graphWindowExists = 1;
    g_script.graph = graph;
    g_script.text = static_cast<char*>(std::malloc(16));
    std::strcpy(g_script.text, "Main\rEND\r");
    g_script.script = &scriptObject;
    g_script.lessonFolder = &folder;
    AssignScriptNumericVariable(nullptr, "R", 2.5);

    ResetScriptState();

    ExpectFreshScriptState("after a load");
    EXPECT_EQ(g_script.script, &scriptObject) << "the script object lives from start to exit";
    EXPECT_EQ(g_script.lessonFolder, &folder);
    double r = 0.0;
    EXPECT_EQ(GetScriptNumericVariable(nullptr, 'R', &r, 0), 1) << "application variables outlive a load";
    EXPECT_EQ(r, 2.5);

    g_script.script = nullptr;
    g_script.lessonFolder = nullptr;
}

}  // namespace
