// Reading a correction parameter file (.par): 13 header lines, two ignored lines, a column heading
// line holding "MeshCode" (line 16), then one grid point per line: mesh code in columns 0-7,
// latitude shift 8-17 and longitude shift 18-27 in arc-seconds, a third value 28-37.
//
// The file is read as bytes. A line ends in LF or CR LF (a lone CR and 0x1A are ordinary bytes).
// Lines arrive through a 2000-byte buffer: a line of more than 1998 characters comes in pieces of
// at most 1999, and each piece counts as a line.
#pragma once

#include <string>
#include <vector>

#include "model/parameter_record.h"

// What a successful read yields.
struct ParameterFileContents {
  int parameterId = 0;
  std::wstring headerText;  // lines 1 to 13, each followed by CR LF
  std::vector<ParameterRecord> records;  // in file order, only codes in 30000000 to 70000000
};

// Reads the whole file. False when it cannot be opened, line 1 lacks "for" or "Tarnwick", the
// file ends before line 16, or line 16 lacks "MeshCode"; `contents` is then unspecified.
bool readParameterFileContents(const std::wstring& path, ParameterFileContents& contents);

// The parameter identifier of a title line: the second blank- or tab-separated token after
// "Tarnwick" read as an integer (optional sign, then digits); 0 when it does not begin with a
// number or is missing.
int parameterIdentifier(const std::string& titleLine);

// The record of a grid-point line (its bytes without the line end). False when its mesh code
// lies outside 30000000 to 70000000.
bool parseGridPointLine(const char* line, size_t length, ParameterRecord& record);
