#include "dm/dm_record.h"

#include <cstring>

Record::Record() { std::memset(bytes, ' ', sizeof bytes); }

void Record::blankTail() {
  if (size < 0) size = 0;
  if (size < kRecordBufferSize) std::memset(bytes + size, ' ', kRecordBufferSize - size);
}

int detectRecordLength(const char* start, int count) {
  int length = count;
  if (count > 64) {
    if (count > 84 && start[84] == '\n') length = 85;
    if (count > 85 && start[85] == '\n') length = 86;
  }
  return length;
}

bool isJisCode(unsigned char first, unsigned char second) {
  return first >= 0x21 && first <= 0x7E && second >= 0x21 && second <= 0x7E;
}

KanjiEncoding detectKanjiEncoding(const Record& first) {
  if (first.bytes[0] != 'M') return KanjiEncoding::ShiftJis;
  const auto* b = reinterpret_cast<const unsigned char*>(first.bytes);
  if (isJisCode(b[10], b[11]) || isJisCode(b[35], b[36])) return KanjiEncoding::Jis;
  return KanjiEncoding::ShiftJis;
}

unsigned sjisToJis(unsigned char lead, unsigned char trail) {
  unsigned row = lead >= 0xA0 ? lead - 0xC1u : lead - 0x81u;
  if (trail >= 0x9F) return ((row * 512 + 0x2200) & 0xFF00u) | ((trail - 0x7Eu) & 0xFFu);
  unsigned low = trail > 0x7E ? trail - 0x20u : trail - 0x1Fu;
  return ((row * 512 + 0x2100) & 0xFF00u) | (low & 0xFFu);
}

bool isShiftJisLead(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

namespace {

// Full-width JIS X 0208 forms of ASCII 0x21 to 0x7E, in code order ("!" first).
// Letters and digits are rows 3; symbols row 1; '"' and '\'' take the closing quotation marks,
// '~' the wave dash, as code page 932 pairs them.
constexpr unsigned short kAsciiFullWidth[94] = {
    0x212A, 0x2149, 0x2174, 0x2170, 0x2173, 0x2175, 0x2147, 0x214A,  // ! " # $ % & ' (
    0x214B, 0x2176, 0x215C, 0x2124, 0x215D, 0x2125, 0x213F,          // ) * + , - . /
    0x2330, 0x2331, 0x2332, 0x2333, 0x2334, 0x2335, 0x2336, 0x2337, 0x2338, 0x2339,  // 0-9
    0x2127, 0x2128, 0x2163, 0x2161, 0x2164, 0x2129, 0x2177,  // : ; < = > ? @
    0x2341, 0x2342, 0x2343, 0x2344, 0x2345, 0x2346, 0x2347, 0x2348, 0x2349, 0x234A, 0x234B,
    0x234C, 0x234D, 0x234E, 0x234F, 0x2350, 0x2351, 0x2352, 0x2353, 0x2354, 0x2355, 0x2356,
    0x2357, 0x2358, 0x2359, 0x235A,                          // A-Z
    0x214E, 0x2140, 0x214F, 0x2130, 0x2132, 0x212E,          // [ \ ] ^ _ `
    0x2361, 0x2362, 0x2363, 0x2364, 0x2365, 0x2366, 0x2367, 0x2368, 0x2369, 0x236A, 0x236B,
    0x236C, 0x236D, 0x236E, 0x236F, 0x2370, 0x2371, 0x2372, 0x2373, 0x2374, 0x2375, 0x2376,
    0x2377, 0x2378, 0x2379, 0x237A,                          // a-z
    0x2150, 0x2143, 0x2151, 0x2141,                          // { | } ~
};
static_assert(sizeof kAsciiFullWidth / sizeof kAsciiFullWidth[0] == 0x7E - 0x21 + 1,
              "one entry per printable ASCII character");

// Full-width JIS X 0208 forms of the half-width katakana 0xA1 to 0xDF of code page 932
// (punctuation, then katakana in syllabary order, then the two voicing marks).
constexpr unsigned short kHalfWidthKatakanaFullWidth[63] = {
    0x2123, 0x2156, 0x2157, 0x2122, 0x2126,                          // 。「」、・
    0x2572, 0x2521, 0x2523, 0x2525, 0x2527, 0x2529, 0x2563, 0x2565,  // ヲァィゥェォャュ
    0x2567, 0x2543, 0x213C,                                          // ョッー
    0x2522, 0x2524, 0x2526, 0x2528, 0x252A,                          // アイウエオ
    0x252B, 0x252D, 0x252F, 0x2531, 0x2533,                          // カキクケコ
    0x2535, 0x2537, 0x2539, 0x253B, 0x253D,                          // サシスセソ
    0x253F, 0x2541, 0x2544, 0x2546, 0x2548,                          // タチツテト
    0x254A, 0x254B, 0x254C, 0x254D, 0x254E,                          // ナニヌネノ
    0x254F, 0x2552, 0x2555, 0x2558, 0x255B,                          // ハヒフヘホ
    0x255E, 0x255F, 0x2560, 0x2561, 0x2562,                          // マミムメモ
    0x2564, 0x2566, 0x2568,                                          // ヤユヨ
    0x2569, 0x256A, 0x256B, 0x256C, 0x256D,                          // ラリルレロ
    0x256F, 0x2573, 0x212B, 0x212C,                                  // ワン゛゜
};
static_assert(sizeof kHalfWidthKatakanaFullWidth / sizeof kHalfWidthKatakanaFullWidth[0] ==
                  0xDF - 0xA1 + 1,
              "one entry per half-width katakana");

constexpr unsigned kFullWidthBlank = 0x2121;

}  // namespace

unsigned fullWidthJisOf(unsigned char byte) {
  if (byte >= 0x21 && byte <= 0x7E) return kAsciiFullWidth[byte - 0x21];
  if (byte >= 0xA1 && byte <= 0xDF) return kHalfWidthKatakanaFullWidth[byte - 0xA1];
  return kFullWidthBlank;
}

int putKanjiText(char* field, const std::string& text, int n, KanjiEncoding encoding) {
  const auto* src = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t length = text.size();
  const int limit = n > 0 ? 2 * n : 0;
  int written = 0;
  std::size_t i = 0;
  if (encoding == KanjiEncoding::ShiftJis) {
    while (i < length && written < limit) {
      if (isShiftJisLead(src[i])) {
        // A lead byte goes only with its trail byte: stop rather than split the character.
        if (i + 1 >= length || written + 2 > limit) break;
        field[written++] = static_cast<char>(src[i++]);
        field[written++] = static_cast<char>(src[i++]);
      } else {
        field[written++] = static_cast<char>(src[i++]);
      }
    }
    return written;
  }
  while (i < length && written < limit) {
    unsigned code;
    if (isShiftJisLead(src[i]) && i + 1 < length) {
      code = sjisToJis(src[i], src[i + 1]);
      i += 2;
    } else {
      code = fullWidthJisOf(src[i]);
      i += 1;
    }
    field[written++] = static_cast<char>((code >> 8) & 0xFF);
    field[written++] = static_cast<char>(code & 0xFF);
  }
  return written;
}
