#include "dm/coordinate_records.h"

#include <gtest/gtest.h>

#include <string>

#include "common/file_log.h"
#include "common/message_log.h"
#include "dm_fixture.h"
#include "test_support.h"

namespace {

using dmtest::DmFile;
using dmtest::Line;

TEST(coordinate_records, roundHalfAway) {
  const struct {
    double x;
    int expected;
  } cases[] = {
      {0.0, 0},       {0.4999, 0},   {0.5, 1},           {1.5, 2},
      {-0.5, -1},     {-0.4999, 0},  {-2.5, -3},         {1234567.49, 1234567},
      {3e9, 2147483647}, {-3e9, -2147483647 - 1},
  };
  for (const auto& c : cases) EXPECT_EQ(roundHalfAway(c.x), c.expected) << c.x;
}

// The body of a sheet of zone 9 whose corner 0 lies at X -1500 m, Y -2000 m, over a grid of
// zero shifts: every point inside the grid comes back at its own value.
class BodyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dmtest::loadTestParameters(model, folder, 5));
    points.setZone(9);
    frame.origin = {-2000.0, -1500.0, 0.0};
    frame.correctedOrigin = frame.origin;
    frame.unit = 1;
  }

  // Runs copyElement on the first record of `file` (the element) and the records after it.
  std::string copy(const std::string& file, long long* position = nullptr,
                   bool* succeeded = nullptr) {
    testsupport::writeBytes(folder.path() / "body.dm", file);
    RecordReader reader;
    EXPECT_TRUE(reader.open(folder.wide(L"body.dm")));
    EXPECT_TRUE(reader.prepare());
    Record element;
    reader.read(element);
    dmtest::TestWriter writer;
    writer.failAfterBytes = failAfterBytes;
    BodyCorrector body(points, log, frame);
    const bool ok = body.copyElement(element, reader, writer);
    if (succeeded != nullptr) *succeeded = ok;
    if (position != nullptr) *position = reader.position();
    return writer.bytes;
  }

  testsupport::ScratchFolder folder;
  CorrectionModel model;
  PointCorrector points{model};
  FileLog log;
  SheetFrame frame;
  long long failAfterBytes = -1;
};

TEST_F(BodyTest, kind2CorrectsTheAnnouncedPointsOnly) {
  // 8 points in 2 records: 6 in the first, 2 in the second; the rest of the second stays as it
  // was (left-aligned texts), the announced ones come out right-aligned.
  Line first = dmtest::kind2Record({{1000, 2000}, {1100, 2100}, {1200, 2200}, {1300, 2300},
                                    {1400, 2400}, {1500, 2500}});
  first.text(0, "1000   ");  // left-aligned: rewritten right-aligned
  Line second = dmtest::kind2Record({{1600, 2600}, {1700, 2700}});
  second.text(28, "77     88     ").text(70, "xyz");
  const DmFile in = DmFile()
                        .add(dmtest::elementRecord(2, 8, 2, 0, 0))
                        .add(first)
                        .add(second)
                        .add(Line().text(0, "G next"));
  long long position = 0;
  const std::string out = copy(in.bytes(), &position);

  Line firstOut = first;
  firstOut.text(0, "   1000");
  const DmFile expected =
      DmFile().add(dmtest::elementRecord(2, 8, 2, 0, 0)).add(firstOut).add(second);
  EXPECT_EQ(out, expected.bytes());
  EXPECT_EQ(position, 3 * 86);  // the "G" record is left for the caller
  EXPECT_EQ(log.text(), L"");
}

TEST_F(BodyTest, kind3KeepsTheThirdValue) {
  Line record = dmtest::kind3Record({{1000, 2000}, {1100, 2100}, {1200, 2200}}, 0);
  record.text(14, "third  ").text(35, "  -12.5");  // the third values are never read or changed
  record.text(42, "1200   ");                       // point 2, left-aligned
  const DmFile in = DmFile().add(dmtest::elementRecord(3, 3, 1, 0, 0)).add(record);
  Line recordOut = record;
  recordOut.text(42, "   1200");
  EXPECT_EQ(copy(in.bytes()),
            DmFile().add(dmtest::elementRecord(3, 3, 1, 0, 0)).add(recordOut).bytes());
}

TEST_F(BodyTest, morePointsThanTheRecordsHold) {
  Line record = dmtest::kind2Record({{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}});
  record.text(0, "1      ");
  const DmFile in = DmFile()
                        .add(dmtest::elementRecord(2, 50, 1, 0, 0))
                        .add(record)
                        .add(dmtest::kind2Record({{1, 2}}));  // not announced: not read
  long long position = 0;
  const std::string out = copy(in.bytes(), &position);
  Line recordOut = record;
  recordOut.text(0, "      1");
  EXPECT_EQ(out, DmFile().add(dmtest::elementRecord(2, 50, 1, 0, 0)).add(recordOut).bytes());
  EXPECT_EQ(position, 2 * 86);
}

TEST_F(BodyTest, ownPoints) {
  const struct {
    const char* name;
    std::string ownX, ownY;  // the texts of columns 35 to 41 and 42 to 48
    std::string expectedX, expectedY;
  } cases[] = {
      {"0 and 0 stay byte for byte", "0      ", "  0    ", "0      ", "  0    "},
      {"both negative stay byte for byte", "-5     ", "   -7  ", "-5     ", "   -7  "},
      {"Y greater than 0: corrected and rewritten", "0      ", "300    ", "      0", "    300"},
      {"X greater than 0", "  450  ", "-20    ", "    450", "    -20"},
  };
  for (const auto& c : cases) {
    Line element = dmtest::elementRecord(1, 0, 0, 0, 0);
    element.text(35, c.ownX).text(42, c.ownY);
    Line expected = element;
    expected.text(35, c.expectedX).text(42, c.expectedY);
    EXPECT_EQ(copy(DmFile().add(element).bytes()), DmFile().add(expected).bytes()) << c.name;
  }
}

TEST_F(BodyTest, otherKindsCopyTheirRecordsUnchanged) {
  const Line element = dmtest::elementRecord(1, 6, 2, 1000, 2000);
  Line record = dmtest::kind2Record({{1000, 2000}});
  record.text(0, "1000   ");
  const DmFile in = DmFile().add(element).add(record).add(record);
  EXPECT_EQ(copy(in.bytes()), in.bytes());
}

TEST_F(BodyTest, shortRecordsAtTheEndOfInput) {
  // An element cut short: written as read, no coordinate record looked for.
  const std::string element = DmFile().add(dmtest::elementRecord(2, 2, 1, 1000, 2000)).bytes();
  EXPECT_EQ(copy(element.substr(0, 30)), element.substr(0, 30));
  EXPECT_EQ(copy(element.substr(0, 40)), element.substr(0, 40));  // own point incomplete

  // A coordinate record without its line end is corrected and written without one.
  Line record = dmtest::kind2Record({{1000, 2000}, {1100, 2100}});
  record.text(0, "1000   ");
  Line recordOut = record;
  recordOut.text(0, "   1000");
  EXPECT_EQ(copy(element + record.fields()), element + recordOut.fields());

  // A record that ends inside its second point: the first is corrected, the rest kept as read.
  EXPECT_EQ(copy(element + record.fields().substr(0, 20)),
            element + recordOut.fields().substr(0, 20));

  // Fewer coordinate records than announced: the element ends with the input.
  const std::string two = DmFile().add(dmtest::elementRecord(2, 2, 3, 0, 0)).bytes();
  EXPECT_EQ(copy(two + record.fields() + "\r\n"), two + recordOut.fields() + "\r\n");
}

TEST_F(BodyTest, aFailedPointKeepsItsValueRightAligned) {
  Line record = dmtest::kind2Record({{1000, 2000}});
  record.text(0, "  123  ").text(7, "9000000");  // Y 9 km east of the grid
  Line recordOut = record;
  recordOut.text(0, "    123");
  frame.unit = 10;
  const DmFile in = DmFile().add(dmtest::elementRecord(2, 1, 1, 0, 0)).add(record);
  EXPECT_EQ(copy(in.bytes()),
            DmFile().add(dmtest::elementRecord(2, 1, 1, 0, 0)).add(recordOut).bytes());
  EXPECT_EQ(log.text(),
            L"座標(   -1498.770,    88000.000) (9 系)補正パラメータが見つかりませんでした\r\n");
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_TRUE(log.lines()[0].pointError);
}

TEST_F(BodyTest, errorTallyStopsListingAt100) {
  BodyCorrector body(points, log, frame);
  int y = 0;
  int x = 0;
  for (int i = 0; i < 150; ++i) body.correctSheetPoint(90000000, 0, y, x);
  EXPECT_EQ(y, 90000000);
  EXPECT_EQ(log.pointErrorCount(), 100);  // a run never lists more
  MessageLog runLog;
  int listed = 0;
  appendFileLog(runLog, log, listed);
  EXPECT_EQ(listed, 100);
  EXPECT_EQ(runLog.text(), dmtest::cappedPointErrorLog());
}

TEST_F(BodyTest, pointsMoveWithTheGridAndAreMeasuredFromTheCorrectedOrigin) {
  // A grid of +1" latitude and -2" longitude; the frame keeps the uncorrected origin as the
  // corrected one, so a point's new value holds the whole shift (about 30.8 m north, 50 m west).
  ASSERT_TRUE(dmtest::loadTestParameters(model, folder, 5, 1.0, -2.0));
  frame.unit = 10;
  BodyCorrector body(points, log, frame);
  int y = 0;
  int x = 0;
  body.correctSheetPoint(200000, 100000, y, x);
  double correctedY = 0;
  double correctedX = 0;
  ASSERT_EQ(points.correctPoint(0.0, -500.0, correctedY, correctedX), 1);
  EXPECT_EQ(y, roundHalfAway((correctedY - -2000.0) / 10 * 1000));
  EXPECT_EQ(x, roundHalfAway((correctedX - -1500.0) / 10 * 1000));
  EXPECT_NEAR(x - 100000, 3083, 30);   // about 30.8 m in steps of 10 mm
  EXPECT_NEAR(y - 200000, -5005, 50);  // about 50 m
}

TEST_F(BodyTest, aFailedWriteIsReported) {
  const DmFile in = DmFile()
                        .add(dmtest::elementRecord(2, 6, 1, 0, 0))
                        .add(dmtest::kind2Record({{1000, 2000}}));
  failAfterBytes = 100;
  bool succeeded = true;
  copy(in.bytes(), nullptr, &succeeded);
  EXPECT_FALSE(succeeded);
}

}  // namespace
