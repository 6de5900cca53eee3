// Printing and picture export of a graph.
#pragma once

struct tagGS;

// Puts the graph's picture on the clipboard as an enhanced metafile; 1.
int CopyGraphToClipboard(tagGS* gs);
