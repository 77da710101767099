// The sheet identification number of a DM file's header: 8 characters naming a sheet of a zone's
// division into blocks, sheets and sub-sheets; its first two characters are the zone number.
#pragma once

// Checks `text` (NUL-terminated; the header's 8 characters cut at the first NUL) against the
// sheet-number grammar, on a copy with trailing blanks removed and letters upper-cased:
//   zone    two digits "00" to "19"
//   block   row "A"-"Z" and column "A"-"H"; or a northern extended row "AX"/"AY"/"AZ", or a
//           southern one "ZA"-"ZE", followed by a column "A"-"H"
//   sheet   row digit and column digit
//   then optionally: a quadrant "1"-"4"; or two digits (10 x 10 sub-sheets); or a digit "0"-"4"
//           and a letter "A"-"E" (5 x 5 sub-sheets)
// Returns 1 and writes the zone number (0 to 19) to `zone`, when given, if the text follows the
// grammar; returns 0 and writes nothing otherwise. The text itself is not changed.
int parseSheetNumber(const char* text, int* zone);
