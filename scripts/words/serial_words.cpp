// SERIALPORT: the lesson's line to an instrument on a serial port, through the one serial link.
// Every form goes on; what the link did is told through the result variables.
#include "scripts/words/word_fields.h"
#include "scripts/serial/serial_link.h"
#include <cmath>
#include <cstdio>

namespace {

// The longest answer a string variable can take.
constexpr int kSerialAnswerChars = kScriptStringChars;

// The optional result variable named next on the line: false when a name is there but is no
// numeric variable (the statement then fails before it acts).
bool ReadOutcomeName(CWordFields& fields, char* var256) {
    if (!fields.Word(var256)) var256[0] = 0;
    return !CWordFields::Bad() && AreOptionalVariables({var256});
}

// The result variable gets 1 when the link's result was done, else 0; without a name nothing is set.
void AssignOutcome(stScriptCall& call, const char* var, int linkResult) {
    if (var[0]) AssignScriptNumericVariable(call.frame, var, linkResult == kSerialDone ? 1.0 : 0.0);
}

// SETPARAM baud, data, stop, parity, var: the four words joined with commas, as the link reads them.
int16_t SerialSetParam(stScriptCall& call, CWordFields& fields) {
    char words[4][kScriptWordChars];
    for (auto& word : words)
        if (!fields.Word(word)) word[0] = 0;
    char var[kScriptWordChars];
    if (!ReadOutcomeName(fields, var)) return kScriptStop;
    char settings[kScriptWordChars];
    std::snprintf(settings, sizeof settings, "%s,%s,%s,%s", words[0], words[1], words[2], words[3]);
    AssignOutcome(call, var, ScriptSerialLink().Configure(settings));
    return kScriptGoOn;
}

// OUT text, var: the text as one line.
int16_t SerialOut(stScriptCall& call, CWordFields& fields) {
    char command[kScriptWordChars], var[kScriptWordChars];
    fields.Text(command);
    if (!ReadOutcomeName(fields, var)) return kScriptStop;
    AssignOutcome(call, var, ScriptSerialLink().Send(command));
    return kScriptGoOn;
}

// OUTINPUT text, s$, length, var: the line out and its answer into the string variable (empty on
// failure). The answer never runs past what a string variable holds, however long the length.
int16_t SerialOutInput(stScriptCall& call, CWordFields& fields) {
    char command[kScriptWordChars], name[kScriptWordChars], var[kScriptWordChars];
    fields.Text(command);
    int index = 0, macro = 0;
    const bool named = fields.Word(name);
    if (named && !ParseScriptStringVariable(name, &index, &macro)) return kScriptStop;
    const double asked = fields.Number();
    if (!ReadOutcomeName(fields, var)) return kScriptStop;
    int length = 0;
    if (asked > 0.0) length = asked >= kSerialAnswerChars ? kSerialAnswerChars : static_cast<int>(std::trunc(asked));
    char answer[kSerialAnswerChars + 1] = "";
    const int result = ScriptSerialLink().Exchange(command, answer, length);
    if (named) AssignScriptStringVariable(index, result == kSerialDone ? answer : "", macro);
    AssignOutcome(call, var, result);
    return kScriptGoOn;
}

}  // namespace

int16_t ScriptWordSerialPort(stScriptCall& call) {
    CWordFields fields(call.rest);
    char word[kScriptWordChars];
    if (!fields.Word(word)) return kScriptGoOn;
    if (ScriptWordIs(word, "NAME")) {
        char name[kScriptWordChars];
        fields.Text(name);
        if (CWordFields::Bad()) return kScriptStop;
        ScriptSerialLink().SetPortName(name);
        return kScriptGoOn;
    }
    if (ScriptWordIs(word, "SETPARAM")) return SerialSetParam(call, fields);
    if (ScriptWordIs(word, "OUT")) return SerialOut(call, fields);
    if (ScriptWordIs(word, "OUTINPUT")) return SerialOutInput(call, fields);
    return kScriptGoOn;
}
