#include "dm/sheet_number.h"

#include <gtest/gtest.h>

namespace {

struct SheetNumberCase {
  const char* text;
  int result;
  int zone;  // written on success; -1 stays otherwise
};

TEST(sheet_number, grammar) {
  const SheetNumberCase cases[] = {
      {"09LD35", 1, 9},
      {"09ld35  ", 1, 9},
      {"09LD353", 1, 9},     // quadrant
      {"09LD3512", 1, 9},    // 10 x 10 sub-sheet
      {"09LD352C", 1, 9},    // 5 x 5 sub-sheet
      {"09LD355", 0, -1},    // quadrant 5
      {"09LD355C", 0, -1},   // row digit above 4
      {"09LD352F", 0, -1},   // letter above E
      {"20LD35", 0, -1},
      {"19LD35", 1, 19},
      {"00LD35", 1, 0},
      {"9LD35", 0, -1},
      {" 09LD35", 0, -1},
      {"09LD3", 0, -1},
      {"09", 0, -1},
      {"        ", 0, -1},
      {"", 0, -1},
      {"09LI35", 0, -1},     // column I
      {"09L D35", 0, -1},    // an inner blank stays
      {"0XLD35", 0, -1},
      {"09AXB12", 1, 9},     // northern extended block AX, column B
      {"09AXB123", 1, 9},    // the same with quadrant 3
      {"09AX12", 0, -1},     // no column letter after AX
      {"09AZH99", 1, 9},
      {"09ZAB12", 1, 9},     // southern extended block ZA, column B
      {"09ZEH00", 1, 9},
      {"09ZA12", 1, 9},      // read as regular row Z, column A
      {"09ZF12", 1, 9},      // regular row Z, column F
      {"09ZI12", 0, -1},     // regular row Z, column I
      {"09ZAB1", 0, -1},     // extended block leaves 5 characters
      {"09LD35123", 0, -1},  // 9 characters
      {"09\xC1" "D35", 0, -1},  // a byte above 0x7F is no letter
      {"12ab3412", 1, 12},
  };
  for (const SheetNumberCase& c : cases) {
    int zone = -1;
    EXPECT_EQ(parseSheetNumber(c.text, &zone), c.result) << '"' << c.text << '"';
    EXPECT_EQ(zone, c.zone) << '"' << c.text << '"';
  }
}

TEST(sheet_number, noDestinationAndTextUnchanged) {
  char text[] = "09ld35  ";
  EXPECT_EQ(parseSheetNumber(text, nullptr), 1);
  EXPECT_STREQ(text, "09ld35  ");
  EXPECT_EQ(parseSheetNumber(nullptr, nullptr), 0);
}

}  // namespace
