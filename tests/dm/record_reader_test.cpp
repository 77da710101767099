#include "dm/record_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

// A line of `columns` field bytes followed by `end`.
std::string line(int columns, const std::string& end) { return std::string(columns, 'A') + end; }

const std::string kCrLf = "\r\n";
const std::string kLf = "\n";

// The sizes of the reads until the first that gives 0, and whether the reader then finds the
// records out of step.
TEST(RecordReader, readsRecordsInStepAndStopsWhereTheyAreNot) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<int> reads;
    bool outOfStep;
  } cases[] = {
      {"CR LF records", line(84, kCrLf) + line(84, kCrLf) + line(84, kCrLf), {86, 86, 86}, false},
      {"LF records, the last without its line end", line(84, kLf) + line(84, kLf) + line(84, ""),
       {85, 85, 84}, false},
      {"an end-of-file byte after the last line", line(84, kCrLf) + line(84, kCrLf) + "\x1A",
       {86, 86, 1}, false},
      {"a short final line with its line end", line(84, kCrLf) + line(50, kCrLf), {86, 52}, false},
      {"two short final lines", line(84, kLf) + line(30, kLf) + line(20, kLf), {85, 52}, false},
      {"one record without a line end", line(86, ""), {86}, false},
      {"one record of 70 bytes", line(70, ""), {70}, false},
      {"one record of 85 bytes", line(85, ""), {85}, false},
      {"an empty file", "", {}, false},
      {"no line ends at all", line(84, "") + line(84, "") + line(84, ""), {}, true},
      {"no line end, 87 bytes", line(87, ""), {}, true},
      {"a short first line", line(50, kCrLf) + line(84, kCrLf) + line(84, kCrLf), {}, true},
      {"a short second line", line(84, kCrLf) + line(50, kCrLf) + line(84, kCrLf), {86}, true},
      {"a short line of an LF file", line(84, kLf) + line(40, kLf) + line(84, kLf) + line(84, kLf),
       {85}, true},
      {"a long line", line(84, kCrLf) + line(90, kCrLf) + line(84, kCrLf), {86}, true},
      {"an LF line in a CR LF file", line(84, kCrLf) + line(84, kLf) + line(84, kCrLf), {86}, true},
      {"a CR LF line in an LF file", line(84, kLf) + line(84, kCrLf) + line(84, kLf), {85}, true},
      {"an LF after 85 columns in a CR LF file", line(84, kCrLf) + line(85, kLf) + line(84, kCrLf),
       {86}, true},
      {"two short lines as long as one record",
       line(84, kCrLf) + line(40, kCrLf) + line(42, kCrLf) + line(84, kCrLf), {86}, true},
      {"an empty line after the first", line(84, kLf) + kLf + line(84, kLf), {}, true},
  };
  testsupport::ScratchFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::writeBytes(folder.path() / "in.dm", c.bytes);
    RecordReader reader;
    ASSERT_TRUE(reader.open(folder.wide(L"in.dm")));
    ASSERT_TRUE(reader.prepare());
    std::vector<int> reads;
    std::int64_t delivered = 0;
    Record record;
    for (int size = reader.read(record); size > 0; size = reader.read(record)) {
      reads.push_back(size);
      delivered += size;
      if (reads.size() > 10) break;
    }
    EXPECT_EQ(reads, c.reads);
    EXPECT_EQ(reader.outOfStep(), c.outOfStep);
    EXPECT_FALSE(reader.failed());
    // A record out of step is not delivered, and later reads give nothing either.
    EXPECT_EQ(reader.position(), delivered);
    EXPECT_EQ(record.size, 0);
    EXPECT_EQ(reader.read(record), 0);
  }
}

}  // namespace
