// The channel presets organiser (dialog 1390): reorders, renames and deletes the presets of the
// store in memory; the store reaches the presets file when the library saves it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/stAcq.h"

// Presets groups: input-channel presets first, then calculation presets.
constexpr int32_t kPresetGroupInput = 0;
constexpr int32_t kPresetGroupCalc = 2;

// 1 when no preset of either group has this description (any case); else 0.
int32_t IsUnusedPresetName(const stPresetStore& store, const char* text);
// Removes the preset at its place in the whole list (input presets, then calculation presets)
// with every parallel entry; 0 when the record there does not carry the description (any case).
int32_t DeletePreset(stPresetStore* store, int32_t index, const char* description, int32_t group);
// Moves a preset within its group from one group position to another (held within the group);
// 1 when it moved.
int32_t MovePreset(stPresetStore* store, int32_t group, int32_t from, int32_t to);
// Frees every array and sets both counts to 0; 1.
int32_t ClearPresets(stPresetStore* store);
// A preset's description into a record (at most 127 characters); 0 for an index outside the store.
int32_t RenamePreset(stPresetStore* store, int32_t index, const char* description);

// A copy of the store with arrays of its own; 0 (to left empty or partly made) when memory is short.
int32_t CopyPresetStore(const stPresetStore& from, stPresetStore* to);

// The dialog over the locked record: it edits a copy of the presets store, which "&Close" puts in
// place (1) and Cancel throws away (0).
int32_t ShowPresetOrganizer(HWND owner, stAcq* acq);
