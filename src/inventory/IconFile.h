// Whether an icon file holds together, before the system is asked for its picture. The system's
// readers trust the file's own counts and sizes: Wine's reads past the end of a file whose
// directory names more images than the file holds, and the fault then aborts the paint of the
// list that asked, so that no row is drawn at all.
#pragma once

#include <string>

// True when the file is an icon file (not a cursor) of at least one image, every image the
// directory names lies inside the file, and each is a PNG or a bitmap of 1 to 256 pixels a side
// whose colour and mask rows fit the bytes the directory gives it.
bool IsSoundIconFile(const std::wstring& path);
