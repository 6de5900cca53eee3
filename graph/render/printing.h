// Printing and picture export of a graph.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

// Draws the graph into a disk metafile at path (colour 0: black and white); the metafile's
// handle and the picture rectangle come back. 1 done, 0 when no metafile was made.
int DrawGraphToMetafile(tagGS* gs, int colour, const char* path, HMETAFILE* metafile, RECT* picture, int selectionOnly);

// Puts the graph's picture on the clipboard as an enhanced metafile; 1.
int CopyGraphToClipboard(tagGS* gs);

// Marker labels stand on at most this many rows above the plot.
constexpr int32_t kMaxMarkerRows = 15;

// Rows of marker labels spanning lefts[i] .. rights[i], in marker order: the first row whose
// last label ends left of the label, else the row whose last label ends furthest left. rows[i]
// gets each label's row (0 nearest the plot); the number of rows used comes back.
int32_t PlaceMarkerLabelRows(const int32_t* lefts, const int32_t* rights, int32_t count, int32_t* rows);

// Packed device-independent bitmap (header, colour table, bits) of a bitmap in a moveable
// global block; bitsPerPixel 0 keeps the bitmap's own, palette 0 takes the default palette.
// 0 on failure.
HGLOBAL BitmapToDIB(HBITMAP bitmap, DWORD compression, WORD bitsPerPixel, HPALETTE palette);
