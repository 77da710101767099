// The map of one zone in the HTML run report: an inline SVG drawing of every sheet's outline at
// its place in the zone's plane coordinates (north up), coloured by what became of the file, with
// an arrow for the sheet's mean shift, exaggerated so that it shows, and a cross where a point or
// a corner could not be corrected.
#pragma once

#include <string>
#include <vector>

#include "run/file_outcome.h"

// How the report colours and names what became of a file.
enum class SheetLook { Corrected, PartlyCorrected, Refused, Failed, Cancelled, NotStarted };

// Corrected files with points or corners that could not be corrected look PartlyCorrected.
SheetLook sheetLookOf(const FileOutcome& file);

// The Japanese word for a look ("補正済み", "一部補正できず", "補正不可", "失敗", "中断",
// "未処理").
const wchar_t* sheetLookName(SheetLook look);

// The colours of a look: the outline's fill and stroke (CSS colours).
const wchar_t* sheetLookFill(SheetLook look);
const wchar_t* sheetLookStroke(SheetLook look);

struct ZoneMap {
  std::wstring svg;        // the <svg> element, ready to be put into the page
  std::wstring caption;    // one line in Japanese: the extent shown and the arrows' scale
  bool drawn = false;      // false when no sheet of the zone has known corners
};

// Draws the sheets of one zone; every file given has its corners read. Names are shown inside
// outlines wide enough for them.
ZoneMap drawZoneMap(int zone, const std::vector<const FileOutcome*>& sheets);

// The XML text of wide text: '&', '<', '>', '"' and '\'' as character references.
std::wstring xmlText(const std::wstring& text);

// The file name of a path (after its last '\' or '/').
std::wstring fileNameOfPath(const std::wstring& path);
