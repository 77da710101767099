// DM records: the fixed-length records of a DM file, how their length is found, and how kanji
// text is detected and written in the two encodings that DM files use.
//
// A record is 84 bytes of fields (columns 0 to 83, 0-based byte positions) followed by its line
// end, if any. Records are bytes and are never converted.
#pragma once

#include <cstddef>
#include <string>

constexpr int kRecordFieldWidth = 84;  // columns 0 to 83
constexpr int kMaxRecordLength = 86;   // 84 columns and CR LF
// Room for one record and the widest field read beyond its end, so that no field read or written
// by column can leave the buffer.
constexpr int kRecordBufferSize = 128;

// One record as read. Bytes from `size` on are blanks (a short final record never shows bytes of
// an earlier one), so that every field lies inside `bytes`.
struct Record {
  char bytes[kRecordBufferSize];
  int size = 0;  // bytes that belong to the record (those read, or those to be written)

  Record();
  char* at(int column) { return bytes + column; }
  const char* at(int column) const { return bytes + column; }
  // True when columns `column` .. `column + width - 1` all lie within `size`.
  bool holds(int column, int width) const { return column + width <= size; }
  // Sets the bytes from `size` on to blanks.
  void blankTail();
};

// Record length of a file from its first bytes (`count` = up to 86 bytes read from its start).
// When more than 64 bytes were read: LF at position 84 gives 85; LF at position 85 gives 86 (this
// test wins). Otherwise the number of bytes read (so 86 for a file of at least 86 bytes without
// those line ends, and a small file is one record of its own length).
int detectRecordLength(const char* start, int count);

enum class KanjiEncoding { Jis, ShiftJis };

// True when both bytes lie in 0x21 to 0x7E (a 7-bit JIS X 0208 code).
bool isJisCode(unsigned char first, unsigned char second);

// JIS when the header record's columns 10-11 or 35-36 hold a JIS code, else Shift_JIS. A first
// record that is not a header record ("M" in column 0) gives Shift_JIS.
KanjiEncoding detectKanjiEncoding(const Record& first);

// Shift_JIS byte pair -> 16-bit JIS X 0208 code by the standard arithmetic; any pair converts.
// 0x88 0x9F -> 0x3021, 0x81 0x40 -> 0x2121, 0x82 0xA0 -> 0x2422.
unsigned sjisToJis(unsigned char lead, unsigned char trail);

// True for a byte that starts a double-byte character of code page 932.
bool isShiftJisLead(unsigned char byte);

// JIS X 0208 code of the full-width form of a single-byte character of code page 932: ASCII
// 0x21-0x7E (full-width letters, digits and symbols), the blank (0x2121) and half-width katakana
// 0xA1-0xDF (full-width katakana and punctuation). Any other byte gives the full-width blank.
unsigned fullWidthJisOf(unsigned char byte);

// Writes `text` (Shift_JIS bytes) as at most `n` full-width characters (2·n bytes) at the start
// of `field`, which holds blanks; bytes not written keep their blanks. Returns the bytes written.
//  - Shift_JIS: the bytes in order until the text ends or 2·n bytes are written; a double-byte
//    character is copied whole or not at all (never split at the field's end).
//  - JIS: every character becomes one JIS X 0208 code, high byte first: a double-byte character
//    by sjisToJis, a single-byte one by fullWidthJisOf.
int putKanjiText(char* field, const std::string& text, int n, KanjiEncoding encoding);
