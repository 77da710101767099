#include "dm/dm_record.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace {

struct RecordLengthCase {
  const char* name;
  int count;      // bytes read from the start of the file
  int lfAt84;     // 1: byte 84 is LF
  int lfAt85;     // 1: byte 85 is LF
  int expected;
};

TEST(dm_record, detectRecordLength) {
  const RecordLengthCase cases[] = {
      {"CR LF", 86, 0, 1, 86},
      {"LF only", 86, 1, 0, 85},
      {"LF at 84 and 85: the second test wins", 86, 1, 1, 86},
      {"no line end: the bytes read", 86, 0, 0, 86},
      {"85 bytes with LF at 84", 85, 1, 0, 85},
      {"85 bytes without LF", 85, 0, 0, 85},
      {"70 bytes", 70, 0, 0, 70},
      {"64 bytes: one record of its own length", 64, 0, 0, 64},
      {"10 bytes", 10, 0, 0, 10},
      {"empty file", 0, 0, 0, 0},
  };
  for (const RecordLengthCase& c : cases) {
    std::string bytes(static_cast<std::size_t>(c.count), 'x');
    if (c.lfAt84 && c.count > 84) bytes[84] = '\n';
    if (c.lfAt85 && c.count > 85) bytes[85] = '\n';
    EXPECT_EQ(detectRecordLength(bytes.data(), c.count), c.expected) << c.name;
  }
  // Only bytes actually read are looked at: a 64-byte file with LF where position 84 would be.
  std::string small(64, 'x');
  EXPECT_EQ(detectRecordLength(small.data(), 64), 64);
}

TEST(dm_record, sjisToJis) {
  const struct {
    unsigned char lead, trail;
    unsigned expected;
  } cases[] = {
      {0x88, 0x9F, 0x3021},  // 亜
      {0x81, 0x40, 0x2121},  // full-width blank
      {0x82, 0xA0, 0x2422},  // あ
      {0x82, 0x4F, 0x2330},  // ０
      {0x83, 0x41, 0x2522},  // ア
      {0x81, 0x80, 0x2160},  // ÷ (trail above 0x7E)
      {0x98, 0x9F, 0x5021},  // 弌 (first character of level 2)
      {0xE0, 0x40, 0x5F21},  // lead of 0xE0 and above
      {0xEA, 0xA4, 0x7426},  // last JIS X 0208 character
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sjisToJis(c.lead, c.trail), c.expected)
        << std::hex << int(c.lead) << " " << int(c.trail);
  }
}

TEST(dm_record, isJisCodeAndDetectKanjiEncoding) {
  EXPECT_TRUE(isJisCode(0x21, 0x7E));
  EXPECT_FALSE(isJisCode(0x20, 0x30));
  EXPECT_FALSE(isJisCode(0x30, 0x7F));
  EXPECT_FALSE(isJisCode(0x88, 0x9F));

  const struct {
    const char* name;
    std::string at0, at10, at35;
    KanjiEncoding expected;
  } cases[] = {
      {"blank probes", "M", "  ", "  ", KanjiEncoding::ShiftJis},
      {"ASCII letters at 10", "M", "AB", "  ", KanjiEncoding::Jis},
      {"JIS code at 35", "M", "  ", "\x30\x21", KanjiEncoding::Jis},
      {"Shift_JIS lead bytes", "M", "\x88\x9F", "\x82\xA0", KanjiEncoding::ShiftJis},
      {"half a code", "M", "A ", " B", KanjiEncoding::ShiftJis},
      {"not a header record", "G", "AB", "AB", KanjiEncoding::ShiftJis},
  };
  for (const auto& c : cases) {
    Record record;
    record.size = 86;
    record.bytes[0] = c.at0[0];
    c.at10.copy(record.at(10), 2);
    c.at35.copy(record.at(35), 2);
    EXPECT_EQ(detectKanjiEncoding(record), c.expected) << c.name;
  }
}

// The field of a putKanjiText call, as the caller prepares it: blanks, with a guard byte after it.
std::string putInField(const std::string& text, int n, KanjiEncoding encoding, int* written) {
  std::string field(2 * n + 1, ' ');
  field.back() = '|';
  *written = putKanjiText(&field[0], text, n, encoding);
  return field;
}

TEST(dm_record, putKanjiTextShiftJis) {
  const std::string wide2 = "\x91\xAA";  // 測: one full-width character
  int written = 0;

  // 16 full-width characters into 15: exactly 30 bytes.
  std::string sixteen;
  for (int i = 0; i < 16; ++i) sixteen += wide2;
  EXPECT_EQ(putInField(sixteen, 15, KanjiEncoding::ShiftJis, &written), sixteen.substr(0, 30) + "|");
  EXPECT_EQ(written, 30);

  // 14 full-width, one single-byte and one more full-width character: 29 bytes, the 30th blank.
  std::string mixed;
  for (int i = 0; i < 14; ++i) mixed += wide2;
  mixed += "A" + wide2;
  EXPECT_EQ(putInField(mixed, 15, KanjiEncoding::ShiftJis, &written),
            mixed.substr(0, 29) + " |");
  EXPECT_EQ(written, 29);

  // Short text: the rest of the field keeps its blanks; single-byte characters take one byte.
  EXPECT_EQ(putInField("No." + wide2, 3, KanjiEncoding::ShiftJis, &written), "No.\x91\xAA |");
  // A lead byte without its trail byte at the end of the text is not written.
  EXPECT_EQ(putInField("A\x91", 2, KanjiEncoding::ShiftJis, &written), "A   |");
}

TEST(dm_record, putKanjiTextJis) {
  int written = 0;
  // Double-byte characters by sjisToJis, high byte first.
  EXPECT_EQ(putInField("\x88\x9F\x82\xA0", 3, KanjiEncoding::Jis, &written), "\x30\x21\x24\x22  |");
  EXPECT_EQ(written, 4);
  // Single-byte characters become their full-width forms: "No. 1-ｱ" -> Ｎｏ．　１－ア.
  EXPECT_EQ(putInField("No. 1-\xB1", 7, KanjiEncoding::Jis, &written),
            "\x23\x4E\x23\x6F\x21\x25\x21\x21\x23\x31\x21\x5D\x25\x22|");
  // At most n characters.
  EXPECT_EQ(putInField("ABCD", 2, KanjiEncoding::Jis, &written), "\x23\x41\x23\x42|");
  // A byte with no full-width form (a control byte) becomes the full-width blank.
  EXPECT_EQ(putInField("\x01", 1, KanjiEncoding::Jis, &written), "\x21\x21|");
}

TEST(dm_record, fullWidthFormsMatchCodePage932) {
  // Every single-byte character of code page 932 maps to the JIS code of its full-width
  // counterpart in code page 932 (U+FF01..U+FF5E for ASCII, except the three that code page 932
  // writes as JIS symbols; U+30xx katakana for half-width katakana are checked by samples).
  for (unsigned char c = 0x21; c <= 0x7E; ++c) {
    if (c == '"' || c == '\'' || c == '~') continue;
    const std::string sjis = platform::toCodePage932(std::wstring(1, wchar_t(0xFF01 + c - 0x21)));
    ASSERT_EQ(sjis.size(), 2u) << int(c);
    EXPECT_EQ(fullWidthJisOf(c), sjisToJis(sjis[0], sjis[1])) << std::hex << int(c);
  }
  EXPECT_EQ(fullWidthJisOf('"'), 0x2149u);   // ”
  EXPECT_EQ(fullWidthJisOf('\''), 0x2147u);  // ’
  EXPECT_EQ(fullWidthJisOf('~'), 0x2141u);   // 〜
  EXPECT_EQ(fullWidthJisOf(' '), 0x2121u);
  EXPECT_EQ(fullWidthJisOf(0xA1), 0x2123u);  // 。
  EXPECT_EQ(fullWidthJisOf(0xA6), 0x2572u);  // ヲ
  EXPECT_EQ(fullWidthJisOf(0xB0), 0x213Cu);  // ー
  EXPECT_EQ(fullWidthJisOf(0xC2), 0x2544u);  // ツ
  EXPECT_EQ(fullWidthJisOf(0xDD), 0x2573u);  // ン
  EXPECT_EQ(fullWidthJisOf(0xDF), 0x212Cu);  // ゜
  EXPECT_EQ(fullWidthJisOf(0x80), 0x2121u);
  EXPECT_EQ(fullWidthJisOf(0xFD), 0x2121u);
}

TEST(dm_record, halfWidthKatakanaMatchCodePage932) {
  // Half-width katakana U+FF61..U+FF9F and their full-width forms, in code page order.
  const wchar_t fullWidth[] =
      L"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホ"
      L"マミムメモヤユヨラリルレロワン゛゜";
  static_assert(sizeof fullWidth / sizeof fullWidth[0] - 1 == 63, "63 half-width katakana");
  for (int i = 0; i < 63; ++i) {
    const std::string sjis = platform::toCodePage932(std::wstring(1, fullWidth[i]));
    ASSERT_EQ(sjis.size(), 2u) << i;
    EXPECT_EQ(fullWidthJisOf(static_cast<unsigned char>(0xA1 + i)), sjisToJis(sjis[0], sjis[1]))
        << std::hex << 0xA1 + i;
  }
}

}  // namespace
