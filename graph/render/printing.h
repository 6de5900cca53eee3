// Printing and picture export of a graph.
#pragma once
#include <windows.h>

struct tagGS;

// Draws the graph into a disk metafile at path (colour 0: black and white); the metafile's
// handle and the picture rectangle come back. 1 done, 0 when no metafile was made.
int DrawGraphToMetafile(tagGS* gs, int colour, const char* path, HMETAFILE* metafile, RECT* picture, int selectionOnly);

// Puts the graph's picture on the clipboard as an enhanced metafile; 1.
int CopyGraphToClipboard(tagGS* gs);
