// A lesson word's sub-words as a table: each row a word and the handler that runs it, looked up
// ignoring case in the table's order, as the engine finds its words.
#pragma once
#include <cstddef>
#include "scripts/engine/script_engine.h"

template <typename Handler>
struct stWordRow {
    const char* word;
    Handler run;
};

// The first row naming the word; null when no row does.
template <typename Handler, size_t N>
const stWordRow<Handler>* FindWordRow(const stWordRow<Handler> (&rows)[N], const char* word) {
    for (const stWordRow<Handler>& row : rows)
        if (ScriptWordIs(row.word, word)) return &row;
    return nullptr;
}
