// The zone field of an index file (".dmi" or ".idx") in a run's input folder.
#pragma once

#include <string>

// The zone number held in byte columns 2 and 3 of the index file's first line, read with
// parseFieldInt over those two bytes. At most the first 83 bytes of the first line are read (up to
// and including its line end); positions beyond what was read count as non-digits, so the line
// end also ends the field ("ab5\n" gives 5, "a\n" gives 0). 0 when the file cannot be opened or
// is empty. Any value is returned as read, also one outside 1 to 19 or below 0.
int readIndexZone(const std::wstring& path);
