// Nothing of its own: the layer's link check links a library's objects into a DLL, and the DLL
// only builds when everything they call lies in that library or below it.
