#include "run/index_zone.h"

#include <gtest/gtest.h>

#include <string>

#include "run_test_support.h"
#include "test_support.h"

namespace {

TEST(index_zone_test, reads_columns_2_and_3_of_the_first_line) {
  struct Case {
    const char* what;
    std::string bytes;
    int zone;
  };
  const Case cases[] = {
      {"two digits", "  07 rest of the line\r\nXX08\r\n", 7},
      {"zone 19, LF only", "ab19\n", 19},
      {"above 19, passed through", "ab45\r\n", 45},
      {"blank field", "ab  \r\n", 0},
      {"one digit then a blank", "ab3 \r\n", 3},
      {"blank then one digit", "ab 3\r\n", 3},
      {"third character 5 then CR LF", "ab5\r\n", 5},
      {"third character 5 then LF", "ab5\n", 5},
      {"third character 5, end of file", "ab5", 5},
      {"line end before column 2", "a\n12\n", 0},
      {"line end at column 2", "ab\n12\n", 0},
      {"negative", "ab-4\r\n", -4},
      {"minus after a digit", "ab1-\r\n", 1},
      {"NUL bytes are ordinary bytes", std::string("\0\0" "12", 4), 12},
      {"control byte 0x1A is an ordinary byte", "ab\x1A" "7\r\n", 7},
      {"long first line", "  11" + std::string(200, 'x') + "\r\n", 11},
      {"full-width digits are not digits", "ab\xEF\xBC\x91\r\n", 0},
      {"empty file", "", 0},
  };
  testsupport::ScratchFolder scratch;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::writeBytes(scratch.path() / "index.dmi", c.bytes);
    EXPECT_EQ(readIndexZone(scratch.wide(L"index.dmi")), c.zone);
  }
}

TEST(index_zone_test, a_missing_file_gives_0) {
  testsupport::ScratchFolder scratch;
  EXPECT_EQ(readIndexZone(scratch.wide(L"missing.dmi")), 0);
}

}  // namespace
