#include "dm/dm_file_corrector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/field.h"
#include "common/text_format.h"
#include "dm/sheet_corners.h"
#include "dm/temporary_name.h"
#include "dm_fixture.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

using dmtest::DmFile;
using dmtest::Line;
using testsupport::readBytes;
using testsupport::writeBytes;

// Shift_JIS of the advice number and organisation name used by the tests.
const char* const kAdviceSjis = "\x91\xE6\x82\x50\x82\x51\x8D\x86";  // 第１２号
const char* const kOrganisationSjis =
    "\x91\xAA\x97\xCA\x8A\x94\x8E\xAE\x89\xEF\x8E\xD0";  // 測量株式会社

// The corrector on a scratch folder, a grid of zero shifts around the test sheets (zone 9) with
// parameter identifier 5, and the run's fallback zone 0.
class DmFileCorrectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dmtest::loadTestParameters(model, folder, 5));
    settings.year = 5;
    settings.month = 3;
    settings.adviceNumber = L"第１２号";
    settings.organisation = L"測量株式会社";
  }

  // Corrects in.dm into out.dm with a fresh outcome.
  FileResult correct(const std::string& input) {
    writeBytes(folder.path() / "in.dm", input);
    outcome = FileOutcome{};
    return correctFile(inPath, outPath);
  }
  // One file as a run corrects it; a finished copy is then put on the disk and under its output
  // name, as the run's committer does.
  FileResult correctFile(const std::wstring& input, const std::wstring& output) {
    std::wstring copy = L"left over";
    const FileResult result =
        corrector.correctDmFile(FileTask{input, output, fallbackZone}, log, progress, outcome, copy);
    if (result != FileResult::Corrected) EXPECT_EQ(copy, L"");
    if (result != FileResult::Corrected || copy.empty()) return result;  // a dry run has none
    EXPECT_EQ(copy.rfind(output + L".", 0), 0u);
    EXPECT_EQ(copy.substr(copy.size() - 12), kTemporarySuffix);
    EXPECT_TRUE(platform::flushFileToDisk(copy));
    EXPECT_TRUE(platform::replaceFile(copy, output));
    return result;
  }
  int fileZone() const { return corrector.pointCorrector().zone(); }
  std::string output() const { return readBytes(folder.path() / "out.dm"); }
  bool outputExists() const { return testsupport::exists(folder.path() / "out.dm"); }
  // Names of the folder's temporary files ("<name>.<16 hex digits>.ostrand-tmp"), sorted.
  std::vector<std::string> temporaryFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      const std::string name = entry.path().filename().string();
      if (name.size() > 12 && name.compare(name.size() - 12, 12, ".ostrand-tmp") == 0) {
        names.push_back(name);
      }
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  bool temporaryExists() const { return !temporaryFiles().empty(); }

  // The new history record and organisation record of a file with these correction entries.
  static Line newHistory(const std::string& countAndEntries) {
    return Line().text(0, "0503").text(8, "00").text(40, kAdviceSjis).text(70, "303").text(
        73, countAndEntries);
  }
  static Line newOrganisation() {
    return Line().text(0, kOrganisationSjis).text(40, "   0   0   0   0   0   0   0   0");
  }

  testsupport::ScratchFolder folder;
  JobSettings settings;
  RunState state;
  FileLog log;
  CorrectionModel model;
  DmFileCorrector corrector{settings, model};
  int fallbackZone = 0;  // the run's
  dmtest::RecordingProgress progress{state};
  FileOutcome outcome;
  const std::wstring inPath = folder.wide(L"in.dm");
  const std::wstring outPath = folder.wide(L"out.dm");
};

TEST_F(DmFileCorrectorTest, correctsAFileByteForByte) {
  Line coordinates = dmtest::kind2Record({{1000, 2000}, {1250, 2500}});
  coordinates.text(0, "1000   ");
  DmFile in = dmtest::standardHead();
  in.add(dmtest::elementRecord(2, 2, 1, 0, 0)).add(coordinates).add(Line().text(0, "G 1"));
  writeBytes(folder.path() / "out.dm", "an earlier output, replaced");

  ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);

  Line coordinatesOut = coordinates;
  coordinatesOut.text(0, "   1000");
  const DmFile expected =
      DmFile()
          .add(dmtest::headerRecord("09LD35", 1))  // modification count 0 -> 1
          // Corners 1 and 3 filled in from corners 0 and 2; the field at 37 written as 0.
          .add(dmtest::frameRecord(-1500, -2000, 0, 0, 1, 0, -2000, -1500, 0).number(37, 7, 0))
          .add(Line().text(0, "record three"))
          .add(dmtest::historyRecord(98, 4, 0, 3, {"01", "02"}))
          .add(dmtest::organisationRecord("", {}))
          .add(newHistory("3010205"))
          .add(newOrganisation())
          .add(dmtest::elementRecord(2, 2, 1, 0, 0))
          .add(coordinatesOut)
          .add(Line().text(0, "G 1"));
  EXPECT_EQ(output(), expected.bytes());
  EXPECT_EQ(log.text(), L"");
  EXPECT_EQ(fileZone(), 9);  // from the sheet number 09LD35
  EXPECT_FALSE(temporaryExists());
  ASSERT_EQ(progress.positions.size(), 1u);
  EXPECT_EQ(progress.positions[0].first, 0);
  EXPECT_EQ(progress.positions[0].second, static_cast<std::int64_t>(in.bytes().size()));
}

TEST_F(DmFileCorrectorTest, newHistoryRecordByteForByte) {
  settings.year = 0;
  settings.month = 12;
  const std::string expected = std::string("0012") + "    " + "0" + "0" + std::string(30, ' ') +
                               kAdviceSjis + std::string(22, ' ') + "3" + "0" + "3" + "3" +
                               "010205" + "    " + "\r\n";
  ASSERT_EQ(expected.size(), 86u);
  ASSERT_EQ(correct(dmtest::standardHead().bytes()), FileResult::Corrected);
  const std::string out = output();
  EXPECT_EQ(out.substr(5 * 86, 86), expected);
  EXPECT_EQ(out.substr(6 * 86, 86), std::string(kOrganisationSjis) + std::string(28, ' ') +
                                        "   0   0   0   0   0   0   0   0" +
                                        std::string(12, ' ') + "\r\n");
  EXPECT_EQ(out.size(), 7u * 86);
}

TEST_F(DmFileCorrectorTest, lineFeedRecordsKeepTheirLength) {
  DmFile in("\n");
  in.add(dmtest::headerRecord("09LD35", 0))
      .add(dmtest::frameRecord(-1500, -2000, 0, 0, 1))
      .add(Line())
      .add(dmtest::historyRecord(98, 4, 0, 3, {}))
      .add(dmtest::organisationRecord("", {}))
      .add(Line().text(0, "G"));
  ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);
  const std::string out = output();
  ASSERT_EQ(out.size(), 8u * 85);
  EXPECT_EQ(out.substr(5 * 85, 85), newHistory("105").fields() + "\n");
  EXPECT_EQ(out.substr(7 * 85), Line().text(0, "G").fields() + "\n");
}

struct RefusalCase {
  const char* name;
  std::string input;
  int parameterId;
  const wchar_t* message;
  int runZone = 0;  // the zone the run sets before the file: its index or fallback zone
};

TEST_F(DmFileCorrectorTest, refusals) {
  const DmFile head = dmtest::standardHead();
  auto withHistory = [](const Line& history) {
    DmFile file;
    file.add(dmtest::headerRecord("09LD35", 0))
        .add(dmtest::frameRecord(-1500, -2000, 0, 0, 1))
        .add(Line())
        .add(history)
        .add(dmtest::organisationRecord("", {}));
    return file.bytes();
  };
  auto withHeader = [](const Line& header, const Line& frame) {
    DmFile file;
    file.add(header).add(frame).add(Line()).add(dmtest::historyRecord(98, 4, 0, 3, {})).add(
        dmtest::organisationRecord("", {}));
    return file.bytes();
  };
  const Line frame = dmtest::frameRecord(-1500, -2000, 0, 0, 1);
  Line notAHeader = dmtest::headerRecord("09LD35", 0);
  notAHeader.text(0, "X");
  const RefusalCase cases[] = {
      {"no zone", withHeader(dmtest::headerRecord("XX", 0), frame), 5,
       L"「系」情報不明のため、補正できません"},
      {"no zone: an index zone of 45", withHeader(dmtest::headerRecord("XX", 0), frame), 5,
       L"「系」情報不明のため、補正できません", 45},
      {"no zone: sheet number zone 00", withHeader(dmtest::headerRecord("00LD35", 0), frame), 5,
       L"「系」情報不明のため、補正できません"},
      {"no header record and no zone of the run", withHeader(notAHeader, frame), 5,
       L"「系」情報不明のため、補正できません"},
      {"no header record and an index zone of 45", withHeader(notAHeader, frame), 5,
       L"「系」情報不明のため、補正できません", 45},
      {"no header record and a zone of -3", withHeader(notAHeader, frame), 5,
       L"「系」情報不明のため、補正できません", -3},
      {"datum blank", withHistory(dmtest::historyRecord(98, 4, 0, -1, {})), 5,
       L"世界測地系(測地成果2000)のデータでないため、補正できません"},
      {"datum 0, before the correction count", withHistory(dmtest::historyRecord(98, 4, 0, 0, {"01", "02", "03", "04", "05"})), 5,
       L"世界測地系(測地成果2000)のデータでないため、補正できません"},
      {"five corrections", withHistory(dmtest::historyRecord(98, 4, 0, 3, {"01", "02", "03", "04", "06"})), 5,
       L"既に5回の補正履歴があります、これ以上補正できません"},
      {"same parameters", withHistory(dmtest::historyRecord(98, 4, 0, 3, {"01", "02", "03", "04"})), 3,
       L"同一パラメーターよる補正履歴があります、これ以上補正できません"},
      {"empty file", "", 5, L"ファイルが途中で終わっているため、補正できません"},
      {"two records", head.record(0) + head.record(1), 5,
       L"ファイルが途中で終わっているため、補正できません"},
      {"ends inside record 2", head.record(0) + head.record(1).substr(0, 50), 5,
       L"ファイルが途中で終わっているため、補正できません"},
      {"ends before its history", head.record(0) + head.record(1) + head.record(2), 5,
       L"ファイルが途中で終わっているため、補正できません"},
      {"ends inside the history blocks",
       DmFile().add(dmtest::headerRecord("09LD35", 1)).bytes() + head.bytes().substr(86), 5,
       L"ファイルが途中で終わっているため、補正できません"},
      {"last history record without its line end", head.bytes().substr(0, 5 * 86 - 2), 5,
       L"ファイルが途中で終わっているため、補正できません"},
      {"one record without a line end", head.record(0).substr(0, 84) + "  ", 5,
       L"ファイルが途中で終わっているため、補正できません"},
      {"a short last history record", head.bytes().substr(0, 4 * 86) + head.record(4).substr(0, 40) + "\r\n", 5,
       L"ファイルが途中で終わっているため、補正できません"},
      {"modification count 99: its successor does not fit the field",
       withHeader(dmtest::headerRecord("09LD35", 99), frame), 5,
       L"修正回数が不正なため、補正できません"},
      {"modification count -1", withHeader(dmtest::headerRecord("09LD35", -1), frame), 5,
       L"修正回数が不正なため、補正できません"},
      {"unit 0", withHeader(dmtest::headerRecord("09LD35", 0), dmtest::frameRecord(-1500, -2000, 0, 0, 0)), 5,
       L"座標単位が不正なため、補正できません"},
      {"unit -10", withHeader(dmtest::headerRecord("09LD35", 0), dmtest::frameRecord(-1500, -2000, 0, 0, -10)), 5,
       L"座標単位が不正なため、補正できません"},
  };
  writeBytes(folder.path() / "out.dm", "an earlier output");
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(dmtest::loadTestParameters(model, folder, c.parameterId));
    fallbackZone = c.runZone;
    log.clear();
    EXPECT_EQ(correct(c.input), FileResult::Refused);
    // The refusal is the only line the file adds to the log, and the outcome's reason.
    EXPECT_EQ(log.text(), std::wstring(c.message) + L"\r\n");
    EXPECT_EQ(outcome.reason, c.message);
    EXPECT_EQ(outcome.points, 0);
    EXPECT_EQ(output(), "an earlier output");
    EXPECT_FALSE(temporaryExists());
  }
}

// The records of a file with a continuation record, an element with three coordinate records
// and two other records, each with its line end.
std::vector<std::string> recordsOfAFullFile(const std::string& lineEnd) {
  const Line lines[] = {
      dmtest::headerRecord("09LD35", 0),
      dmtest::frameRecord(-1500, -2000, 0, 0, 1),
      Line().text(0, "record three"),
      dmtest::historyRecord(98, 4, 1, 3, {"01"}),
      dmtest::organisationRecord("", {}),
      Line().text(0, "continuation"),
      dmtest::elementRecord(2, 14, 3, 0, 0),
      dmtest::kind2Record({{1000, 2000}, {1100, 2100}, {1200, 2200}, {1300, 2300}, {1400, 2400},
                           {1500, 2500}}),
      dmtest::kind2Record({{1600, 2600}, {1700, 2700}, {1800, 2800}, {1900, 2900}, {2000, 3000},
                           {2100, 3100}}),
      dmtest::kind2Record({{2200, 3200}, {2300, 3300}}),
      Line().text(0, "G 1"),
      Line().text(0, "G 2"),
  };
  std::vector<std::string> records;
  for (const Line& line : lines) records.push_back(line.fields() + lineEnd);
  return records;
}

std::string joined(const std::vector<std::string>& records) {
  std::string bytes;
  for (const std::string& record : records) bytes += record;
  return bytes;
}

// Record `index` cut to `columns` columns or lengthened to them, keeping its line end.
std::string withLineOf(const std::string& lineEnd, int index, int columns) {
  std::vector<std::string> records = recordsOfAFullFile(lineEnd);
  std::string fields = records[index].substr(0, 84);
  fields.resize(static_cast<std::size_t>(columns), 'x');
  records[index] = fields + lineEnd;
  return joined(records);
}

// Record `index` with another line end.
std::string withLineEnd(const std::string& lineEnd, int index, const std::string& otherEnd) {
  std::vector<std::string> records = recordsOfAFullFile(lineEnd);
  records[index] = records[index].substr(0, 84) + otherEnd;
  return joined(records);
}

TEST_F(DmFileCorrectorTest, recordsOutOfStepAreRefused) {
  // Every record of the header, the history and the body is read at the record length. A line
  // that ends early or late, or in another line end, shifts every later record; so does a file
  // without line ends. Such a file is refused, whatever record it shows in.
  const std::string crLf = "\r\n";
  const std::string lf = "\n";
  std::string noLineEnds;
  for (const std::string& record : recordsOfAFullFile("")) noLineEnds += record;
  std::vector<std::string> twoHalves = recordsOfAFullFile(crLf);
  twoHalves[8] = twoHalves[8].substr(0, 40) + crLf;
  twoHalves[9] = twoHalves[9].substr(0, 42) + crLf;  // the two lines together: 86 bytes
  const struct {
    const char* name;
    std::string input;
  } cases[] = {
      {"short header record", withLineOf(crLf, 0, 50)},
      {"short frame record", withLineOf(crLf, 1, 50)},
      {"short record 3", withLineOf(crLf, 2, 60)},
      {"short history record", withLineOf(crLf, 3, 40)},
      {"short history record of an LF file", withLineOf(lf, 3, 40)},
      {"short organisation record", withLineOf(crLf, 4, 40)},
      {"short continuation record", withLineOf(crLf, 5, 70)},
      {"short element record", withLineOf(crLf, 6, 49)},
      {"short first coordinate record", withLineOf(crLf, 7, 50)},
      {"short coordinate record inside an element", withLineOf(crLf, 8, 50)},
      {"short body record", withLineOf(crLf, 10, 50)},
      {"short body record of an LF file", withLineOf(lf, 10, 50)},
      {"long body record", withLineOf(crLf, 10, 100)},
      {"long history record", withLineOf(crLf, 3, 85)},
      {"two short lines as long as one record", joined(twoHalves)},
      {"an LF line in a CR LF file", withLineEnd(crLf, 8, lf)},
      {"a CR LF line in an LF file", withLineEnd(lf, 8, crLf)},
      {"an LF header in a CR LF file", withLineEnd(crLf, 0, lf)},
      {"no line ends at all", noLineEnds},
      {"no line end in the first 86 bytes", withLineEnd(crLf, 0, "  ").substr(0, 86) + noLineEnds},
  };
  writeBytes(folder.path() / "out.dm", "an earlier output");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    EXPECT_EQ(correct(c.input), FileResult::Refused);
    EXPECT_EQ(log.text(), L"レコード長が一定でないため、補正できません\r\n");
    EXPECT_EQ(output(), "an earlier output");
    EXPECT_FALSE(temporaryExists());
  }

  // The same files with all their records in step are corrected.
  for (const std::string& lineEnd : {crLf, lf}) {
    SCOPED_TRACE(lineEnd.size());
    log.clear();
    EXPECT_EQ(correct(joined(recordsOfAFullFile(lineEnd))), FileResult::Corrected);
    EXPECT_EQ(log.text(), L"");
  }
}

TEST_F(DmFileCorrectorTest, fallbackZoneAndFirstRecordWithoutM) {
  // An unreadable sheet number keeps the run's fallback zone.
  fallbackZone = 9;
  DmFile in;
  in.add(dmtest::headerRecord("????????", 0))
      .add(dmtest::frameRecord(-1500, -2000, 0, 0, 1))
      .add(Line())
      .add(dmtest::historyRecord(98, 4, 0, 3, {}))
      .add(dmtest::organisationRecord("", {}));
  EXPECT_EQ(correct(in.bytes()), FileResult::Corrected);
  EXPECT_EQ(fileZone(), 9);

  // A first record without "M" is copied unchanged; its sheet number and modification count
  // are not read, and the run's zone is the file's.
  DmFile noHeader;
  Line first = dmtest::headerRecord("01LD35", 7);
  first.text(0, "X");
  noHeader.add(first)
      .add(dmtest::frameRecord(-1500, -2000, 0, 0, 1))
      .add(Line())
      .add(dmtest::historyRecord(98, 4, 0, 3, {}))
      .add(dmtest::organisationRecord("", {}))
      .add(Line().text(0, "G"));
  EXPECT_EQ(correct(noHeader.bytes()), FileResult::Corrected);
  EXPECT_EQ(output().substr(0, 86), noHeader.record(0));
  EXPECT_EQ(fileZone(), 9);
  EXPECT_EQ(log.text(), L"");

  // Any zone of 1 to 19 will do, also one whose plane the grid does not cover: the corners are
  // then listed as not corrected, and the file is still corrected.
  for (int zone : {1, 19}) {
    SCOPED_TRACE(zone);
    fallbackZone = zone;
    log.clear();
    EXPECT_EQ(correct(noHeader.bytes()), FileResult::Corrected);
    EXPECT_EQ(output().substr(0, 86), noHeader.record(0));
    EXPECT_EQ(output().size(), noHeader.bytes().size() + 2 * 86);  // the new history block
    EXPECT_EQ(fileZone(), zone);
  }
}

TEST_F(DmFileCorrectorTest, cornersAndTheirFractions) {
  const struct {
    const char* name;
    int unit;
    Line frame;
    std::vector<int> fractions;  // as read: corner 0 X, Y, corner 2 X, Y, corner 1 X, Y, corner 3 X, Y
    std::string frameOut0;       // columns 0 to 27
    std::string frameOut47;      // columns 47 to 74
    std::string fractionsOut;    // columns 40 to 71 of the new organisation record
  } cases[] = {
      {"corners 1 and 3 absent, fractions of all four", 1,
       dmtest::frameRecord(-45, -2000, 0, 12, 1),
       {-678, 250, 400, 5, 0, 0, 0, 0},
       "    -45  -2000      0     12", "      0  -2000    -45     12",
       "-678-250 400   5   0   0   0   0"},
      {"corners 1 and 3 absent receive their own fractions", 1,
       dmtest::frameRecord(-1500, -2000, 0, 0, 1),
       {0, 0, 0, 0, 100, 200, 300, 400},
       "  -1500  -2000      0      0", "      0  -2000  -1500      0",
       "   0   0   0   0 100-200-300 400"},
      {"corners 1 and 3 given", 1,
       dmtest::frameRecord(-1500, -2000, 0, 0, 1, -1400, -1900, -100, -200),
       {0, 0, 0, 0, 0, 0, 0, 0},
       "  -1500  -2000      0      0", "  -1400  -1900   -100   -200",
       "   0   0   0   0   0   0   0   0"},
      {"unit 10", 10, dmtest::frameRecord(-45, -2000, 0, 0, 10),
       {-68, 0, 0, 0, 0, 0, 0, 0},
       "    -45  -2000      0      0", "      0  -2000    -45      0",
       " -68   0   0   0   0   0   0   0"},
      // An integer part of 0 with a negative fraction is a coordinate between -1 m and 0: corner
      // 0 at X -0.4 m, Y -0.3 m, just south-west of the zone origin, stays there.
      {"corner 0 on both axes, just south-west of the origin", 1,
       dmtest::frameRecord(0, 0, 3000, 4000, 1),
       {-400, -300, 0, 0, 0, 0, 0, 0},
       "      0      0   3000   4000", "   3000      0      0   4000",
       "-400-300   0   0   0   0   0   0"},
      {"corners on an axis, unit 10: the fraction's sign decides", 10,
       dmtest::frameRecord(0, -2000, 0, 0, 10),
       {-68, 0, 45, 0, 0, 0, -5, 0},
       "      0  -2000      0      0", "      0  -2000      0      0",
       " -68   0  45   0   0   0  -5   0"},
      {"a positive integer part ignores the fraction's sign", 1,
       dmtest::frameRecord(12, -2000, 0, 0, 1),
       {-400, 0, 0, 0, 0, 0, 0, 0},
       "     12  -2000      0      0", "      0  -2000     12      0",
       " 400   0   0   0   0   0   0   0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    DmFile in;
    in.add(dmtest::headerRecord("09LD35", 0))
        .add(c.frame)
        .add(Line())
        .add(dmtest::historyRecord(98, 4, 0, 3, {}))
        .add(dmtest::organisationRecord("", c.fractions));
    ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);
    const std::string out = output();
    EXPECT_EQ(out.substr(86, 28), c.frameOut0);
    EXPECT_EQ(out.substr(86 + 47, 28), c.frameOut47);
    EXPECT_EQ(out.substr(6 * 86 + 40, 32), c.fractionsOut);
    EXPECT_EQ(log.text(), L"");
  }
}

TEST_F(DmFileCorrectorTest, aCornerOutsideTheGridIsWrittenUncorrected) {
  DmFile in;
  in.add(dmtest::headerRecord("09LD35", 0))
      .add(dmtest::frameRecord(-1500, -2000, 0, 90000, 1))
      .add(Line())
      .add(dmtest::historyRecord(98, 4, 0, 3, {}))
      .add(dmtest::organisationRecord("", {0, 0, -250, 123}));
  ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);
  // Corner 2 and corner 3 (which takes corner 2's Y) lie 90 km east, outside the grid. Corner 2's
  // X (0 and -250) is shown, and written back, as -0.25 m.
  EXPECT_EQ(log.text(),
            L"図郭座標(      -0.250,    90000.123) 補正パラメータが見つかりませんでした\r\n"
            L"図郭座標(   -1500.000,    90000.000) 補正パラメータが見つかりませんでした\r\n");
  EXPECT_EQ(output().substr(86, 28), "  -1500  -2000      0  90000");
  EXPECT_EQ(output().substr(6 * 86 + 40, 32), "   0   0-250 123   0   0   0   0");
  // Both are counted and placed for the report; no point of the body was visited.
  EXPECT_EQ(outcome.cornersNotCorrected, 2);
  ASSERT_EQ(outcome.uncorrectedPlaces.size(), 2u);
  EXPECT_EQ(outcome.uncorrectedPlaces[0].east, 90000.123);
  EXPECT_EQ(outcome.uncorrectedPlaces[1].north, -1500.0);
  EXPECT_EQ(outcome.points, 0);
}

TEST_F(DmFileCorrectorTest, historyWithContinuationRecords) {
  // Two blocks: the older one (datum blank, entry 05) is only copied; the latest one decides.
  const Line older = dmtest::historyRecord(90, 1, 2, -1, {"05"});
  const Line olderOrganisation = dmtest::organisationRecord("old", {999, 999});
  const Line latest = dmtest::historyRecord(98, 4, 1, 3, {"03"});
  const Line latestOrganisation = dmtest::organisationRecord("new", {});
  DmFile in;
  in.add(dmtest::headerRecord("09LD35", 1))
      .add(dmtest::frameRecord(-1500, -2000, 0, 0, 1))
      .add(Line().text(0, "3"))
      .add(older)
      .add(olderOrganisation)
      .add(Line().text(0, "continuation 1"))
      .add(Line().text(0, "continuation 2"))
      .add(latest)
      .add(latestOrganisation)
      .add(Line().text(0, "continuation 3").text(84 - 3, "end"))
      .add(Line().text(0, "G"));
  ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);
  const std::string out = output();
  EXPECT_EQ(out.substr(0, 86), DmFile().add(dmtest::headerRecord("09LD35", 2)).bytes());
  EXPECT_EQ(out.substr(2 * 86, 8 * 86), in.bytes().substr(2 * 86, 8 * 86));
  EXPECT_EQ(out.substr(10 * 86, 86), DmFile().add(newHistory("20305")).bytes());
  EXPECT_EQ(out.substr(11 * 86, 86), DmFile().add(newOrganisation()).bytes());
  EXPECT_EQ(out.substr(12 * 86), in.record(10));
}

TEST_F(DmFileCorrectorTest, anyModificationCountBelow99) {
  // Count + 1 history blocks, each different (year, organisation name, 0 to 2 continuation
  // records); only the latest decides and gives the fractions. All are copied byte for byte, the
  // new block follows them, and the count is written back plus 1.
  for (int count : {0, 9, 10, 42, 98}) {
    SCOPED_TRACE(count);
    DmFile in;
    in.add(dmtest::headerRecord("09LD35", count))
        .add(dmtest::frameRecord(-1500, -2000, 0, 0, 1, -1400, -1900, -100, -200))
        .add(Line().text(0, "record three"));
    int historyRecords = 0;
    for (int block = 0; block <= count; ++block) {
      const bool latest = block == count;
      const int continuations = block % 3;
      in.add(dmtest::historyRecord(block, 1 + block % 12, continuations, latest ? 3 : -1,
                                   latest ? std::vector<std::string>{"01"}
                                          : std::vector<std::string>{"07"}))
          .add(dmtest::organisationRecord(formatText("organisation %d", block),
                                          latest ? std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0}
                                                 : std::vector<int>{999, 999}));
      for (int c = 0; c < continuations; ++c) {
        in.add(Line().text(0, formatText("continuation %d of block %d", c, block)));
      }
      historyRecords += 2 + continuations;
    }
    const int bodyStart = 3 + historyRecords;
    in.add(dmtest::elementRecord(2, 1, 1, 0, 0))
        .add(dmtest::kind2Record({{1000, 2000}}))
        .add(Line().text(0, "G"));

    log.clear();
    ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);
    const std::string out = output();
    EXPECT_EQ(out.substr(0, 86), DmFile().add(dmtest::headerRecord("09LD35", count + 1)).bytes());
    EXPECT_EQ(out.substr(86 + 47, 28), "  -1400  -1900   -100   -200");
    EXPECT_EQ(out.substr(2 * 86, (1 + historyRecords) * 86),
              in.bytes().substr(2 * 86, (1 + historyRecords) * 86));
    EXPECT_EQ(out.substr(bodyStart * 86, 2 * 86),
              DmFile().add(newHistory("20105")).add(newOrganisation()).bytes());
    EXPECT_EQ(out.substr((bodyStart + 2) * 86), in.bytes().substr(bodyStart * 86));
    EXPECT_EQ(log.text(), L"");
  }
}

TEST_F(DmFileCorrectorTest, correctionEntries) {
  const struct {
    const char* name;
    int parameterId;
    std::vector<std::string> entries;
    std::string expected;  // columns 73 to 83
  } cases[] = {
      {"four entries and 5", 5, {"01", "02", "03", "04"}, "50102030405"},
      {"an empty entry is dropped", 5, {"01", "  ", "03"}, "3010305    "},
      {"entry 00 never matches; identifier 0 is 00", 0, {"00"}, "20000      "},
      {"identifier 123 is recorded as 12", 123, {"12"}, "21212      "},
      {"no entries", 7, {}, "107        "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(dmtest::loadTestParameters(model, folder, c.parameterId));
    DmFile in;
    in.add(dmtest::headerRecord("09LD35", 0))
        .add(dmtest::frameRecord(-1500, -2000, 0, 0, 1))
        .add(Line())
        .add(dmtest::historyRecord(98, 4, 0, 3, c.entries))
        .add(dmtest::organisationRecord("", {}));
    ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);
    EXPECT_EQ(output().substr(5 * 86 + 73, 11), c.expected);
  }
}

TEST_F(DmFileCorrectorTest, jisFileGetsFullWidthJisText) {
  settings.adviceNumber = L"No.1";
  settings.organisation = L"測ｿｸ";
  DmFile in;
  in.add(dmtest::headerRecord("09LD35", 0).text(10, "AB"))  // a JIS probe
      .add(dmtest::frameRecord(-1500, -2000, 0, 0, 1))
      .add(Line())
      .add(dmtest::historyRecord(98, 4, 0, 3, {}))
      .add(dmtest::organisationRecord("", {}));
  ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);
  const std::string out = output();
  EXPECT_EQ(out.substr(5 * 86 + 40, 30), "\x23\x4E\x23\x6F\x21\x25\x23\x31" + std::string(22, ' '));
  EXPECT_EQ(out.substr(6 * 86, 40), "\x42\x2C\x25\x3D\x25\x2F" + std::string(34, ' '));
}

TEST_F(DmFileCorrectorTest, shortFinalRecordsAreWrittenAsRead) {
  // The end of the file: a short final record is no record out of step.
  const std::string head = dmtest::standardHead().bytes();
  const std::string g = DmFile().add(Line().text(0, "G")).bytes();
  DmFile lfHead("\n");
  lfHead.add(dmtest::headerRecord("09LD35", 0))
      .add(dmtest::frameRecord(-1500, -2000, 0, 0, 1))
      .add(Line().text(0, "record three"))
      .add(dmtest::historyRecord(98, 4, 0, 3, {"01", "02"}))
      .add(dmtest::organisationRecord("", {}));
  const std::string lfG = DmFile("\n").add(Line().text(0, "G")).bytes();
  const struct {
    const char* name;
    std::string head;
    std::string tail;
  } cases[] = {
      {"DOS end-of-file byte", head, g + "\x1A"},
      {"last line end missing", head, g + g.substr(0, 84)},
      {"an element cut short", head, g + DmFile().add(dmtest::elementRecord(2, 6, 1, 0, 0)).bytes().substr(0, 33)},
      {"a short last line with its line end", head, g + g.substr(0, 50) + "\r\n"},
      {"LF records, last line end missing", lfHead.bytes(), lfG + lfG.substr(0, 84)},
      {"LF records, a short last line", lfHead.bytes(), lfG + lfG.substr(0, 20) + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(correct(c.head + c.tail), FileResult::Corrected);
    const std::string out = output();
    const std::size_t newBlock = 2 * (c.head.size() / 5);  // two records of the head's length
    ASSERT_EQ(out.size(), c.head.size() + newBlock + c.tail.size());
    EXPECT_EQ(out.substr(c.head.size() + newBlock), c.tail);
  }
}

TEST_F(DmFileCorrectorTest, errorCapAcrossTwoFiles) {
  // 75 points outside the grid in each of two files: each file keeps its 75, and the run's log
  // that takes them in file order gets 100 lines and the cap line once.
  DmFile in = dmtest::standardHead(-1500, -2000, 0, 0, 10);
  in.add(dmtest::elementRecord(2, 75, 13, 0, 0));
  for (int r = 0; r < 13; ++r) {  // Y 90 km from corner 0
    in.add(dmtest::kind2Record({{0, 9000000}, {0, 9000000}, {0, 9000000}, {0, 9000000},
                                {0, 9000000}, {0, 9000000}}));
  }
  MessageLog runLog;
  int listed = 0;
  ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);
  EXPECT_EQ(log.pointErrorCount(), 75);
  appendFileLog(runLog, log, listed);
  EXPECT_EQ(listed, 75);
  log.clear();
  ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);
  EXPECT_EQ(log.pointErrorCount(), 75);
  appendFileLog(runLog, log, listed);
  EXPECT_EQ(listed, 100);
  EXPECT_EQ(runLog.text(), dmtest::cappedPointErrorLog());
}

TEST_F(DmFileCorrectorTest, progressBeforeRecords1And33) {
  // 5 header records, 40 body records: reports before records 1 and 33. Coordinate records of an
  // element do not count.
  DmFile in = dmtest::standardHead();
  in.add(dmtest::elementRecord(1, 0, 3, 0, 0)).add(Line()).add(Line()).add(Line());
  for (int i = 0; i < 39; ++i) in.add(Line().text(0, "G"));
  ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);
  const std::int64_t size = static_cast<std::int64_t>(in.bytes().size());
  ASSERT_EQ(progress.positions.size(), 2u);
  EXPECT_EQ(progress.positions[0], std::make_pair(std::int64_t{0}, size));
  EXPECT_EQ(progress.positions[1], std::make_pair(std::int64_t{35 * 86}, size));
}

TEST_F(DmFileCorrectorTest, cancellation) {
  DmFile in = dmtest::standardHead();
  for (int i = 0; i < 40; ++i) in.add(Line().text(0, "G"));
  writeBytes(folder.path() / "out.dm", "an earlier output");

  // Confirmed while the run showed the file's name: the first report, before record 1, stops.
  state.cancelRequested = 1;
  EXPECT_EQ(correct(in.bytes()), FileResult::Cancelled);
  EXPECT_EQ(progress.positions.size(), 1u);
  EXPECT_EQ(output(), "an earlier output");
  EXPECT_FALSE(temporaryExists());

  // Confirmed during the second report.
  state.cancelRequested = 0;
  progress.positions.clear();
  progress.cancelAtCall = 2;
  EXPECT_EQ(correct(in.bytes()), FileResult::Cancelled);
  EXPECT_EQ(progress.positions.size(), 2u);
  EXPECT_EQ(output(), "an earlier output");
  EXPECT_FALSE(temporaryExists());
  EXPECT_EQ(log.text(), L"");
}

TEST_F(DmFileCorrectorTest, fileSizeBeyond4GiBReachesTheProgressWhole) {
  // A valid head followed by a sparse hole: the file takes no space, yet its size needs 64 bits.
  // Cancelled at the first report, before any record is read.
  const std::string head = dmtest::standardHead().bytes();
  writeBytes(folder.path() / "in.dm", head);
  const std::int64_t size = (std::int64_t{5} << 30) + static_cast<std::int64_t>(head.size());
  std::error_code ec;
  std::filesystem::resize_file(folder.path() / "in.dm", static_cast<std::uintmax_t>(size), ec);
  if (ec) GTEST_SKIP() << "no file of 5 GiB can be made here: " << ec.message();
  progress.cancelAtCall = 1;
  EXPECT_EQ(correctFile(inPath, outPath), FileResult::Cancelled);
  ASSERT_EQ(progress.positions.size(), 1u);
  EXPECT_EQ(progress.positions[0], std::make_pair(std::int64_t{0}, size));
  EXPECT_FALSE(outputExists());
  EXPECT_FALSE(temporaryExists());
}

TEST_F(DmFileCorrectorTest, failedWritesLeaveNoOutput) {
  DmFile in = dmtest::standardHead();
  for (int i = 0; i < 40; ++i) in.add(Line().text(0, "G"));
  const struct {
    const char* name;
    long long failAfterBytes;
    bool failClose;
  } cases[] = {
      {"write fails in the header", 100, false},
      {"write fails mid-body", 20 * 86 + 3, false},
      {"close fails", -1, true},
  };
  writeBytes(folder.path() / "out.dm", "an earlier output");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    corrector.setWriterFactory([&](const std::wstring& path,
                                   bool* nameTaken) -> std::unique_ptr<RecordWriter> {
      auto writer =
          std::make_unique<dmtest::TestWriter>(FileRecordWriter::createNew(path, nameTaken));
      writer->failAfterBytes = c.failAfterBytes;
      writer->failClose = c.failClose;
      return writer;
    });
    EXPECT_EQ(correct(in.bytes()), FileResult::Failed);
    EXPECT_EQ(log.text(), outPath + L" 書き込み失敗\r\n");
    EXPECT_EQ(outcome.reason, outPath + L" 書き込み失敗");
    EXPECT_EQ(output(), "an earlier output");
    EXPECT_FALSE(temporaryExists());
  }

  log.clear();
  corrector.setWriterFactory(
      [](const std::wstring&, bool*) { return std::unique_ptr<RecordWriter>(); });
  EXPECT_EQ(correct(in.bytes()), FileResult::Failed);
  EXPECT_EQ(log.text(), outPath + L" 書き込みOpen失敗\r\n");
  EXPECT_EQ(output(), "an earlier output");
}

// The copy goes to a new file of its own beside the output name. A name that exists already
// belongs to somebody else (another run writing into the folder, a killed run's remains): it is
// never opened, truncated or deleted; the next name is tried, 16 in all.
TEST_F(DmFileCorrectorTest, theCopyGoesToANewTemporaryFileOfItsOwn) {
  DmFile in = dmtest::standardHead();
  for (int i = 0; i < 40; ++i) in.add(Line().text(0, "G"));
  ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);
  const std::string corrected = output();

  const std::string othersCopy = "another run's copy, half written";
  const auto nameOf = [&](std::uint64_t token) {
    return std::filesystem::path(temporaryPathFor(outPath, token)).filename().string();
  };
  std::vector<std::uint64_t> tokens;
  corrector.setTokenSource([&] {
    const std::uint64_t token = tokens.front();
    tokens.erase(tokens.begin());
    return token;
  });
  std::vector<std::wstring> tried;
  corrector.setWriterFactory([&](const std::wstring& path, bool* nameTaken) {
    tried.push_back(path);
    return FileRecordWriter::createNew(path, nameTaken);
  });
  const struct {
    const char* name;
    int takenNames;        // the first tokens name files that exist already
    bool cancel;
    FileResult result;
    const wchar_t* logLine;
  } cases[] = {
      {"two names taken", 2, false, FileResult::Corrected, nullptr},
      {"two names taken, cancelled", 2, true, FileResult::Cancelled, nullptr},
      {"all 16 names taken", 16, false, FileResult::Failed, L" 書き込みOpen失敗\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeBytes(folder.path() / "out.dm", "an earlier output");
    log.clear();
    tried.clear();
    tokens.clear();
    std::vector<std::string> taken;
    for (int k = 0; k < c.takenNames; ++k) {
      tokens.push_back(0x00000abc00000000ULL + k);
      taken.push_back(nameOf(tokens.back()));
      writeBytes(folder.path() / taken.back(), othersCopy);
    }
    tokens.push_back(0x00000abcffffffffULL);
    progress.positions.clear();
    progress.cancelAtCall = c.cancel ? 1 : 0;
    state.cancelRequested = 0;

    EXPECT_EQ(correct(in.bytes()), c.result);
    const int attempts = c.takenNames < 16 ? c.takenNames + 1 : 16;
    ASSERT_EQ(tried.size(), static_cast<std::size_t>(attempts));
    for (int k = 0; k < attempts; ++k) {
      EXPECT_EQ(tried[k], temporaryPathFor(outPath, k < c.takenNames ? 0x00000abc00000000ULL + k
                                                                   : 0x00000abcffffffffULL));
    }
    EXPECT_EQ(output(), c.result == FileResult::Corrected ? corrected : "an earlier output");
    EXPECT_EQ(log.text(), c.logLine ? outPath + c.logLine : L"");
    // Only the others' files remain, as they were.
    EXPECT_EQ(temporaryFiles(), taken);
    for (const std::string& name : taken) EXPECT_EQ(readBytes(folder.path() / name), othersCopy);
    for (const std::string& name : taken) std::filesystem::remove(folder.path() / name);
  }
}

TEST_F(DmFileCorrectorTest, missingInput) {
  EXPECT_EQ(correctFile(folder.wide(L"missing.dm"), outPath), FileResult::Failed);
  EXPECT_EQ(log.text(), folder.wide(L"missing.dm") + L" 読み出しOpen失敗\r\n");
  EXPECT_EQ(outcome.reason, folder.wide(L"missing.dm") + L" 読み出しOpen失敗");
  EXPECT_FALSE(outcome.cornersRead);
  EXPECT_FALSE(outputExists());
}

TEST_F(DmFileCorrectorTest, anInputThatCannotBeReadFails) {
  // A folder: it either does not open (Windows) or fails at the first read (Linux).
  std::filesystem::create_directory(folder.path() / "folder.dm");
  const std::wstring input = folder.wide(L"folder.dm");
  EXPECT_EQ(correctFile(input, outPath), FileResult::Failed);
  EXPECT_TRUE(log.text() == input + L" 読み出しOpen失敗\r\n" ||
              log.text() == input + L" 読み出し失敗\r\n")
      << testing::PrintToString(log.text());
  EXPECT_FALSE(outputExists());
  EXPECT_FALSE(temporaryExists());
}

TEST_F(DmFileCorrectorTest, outputThatIsTheInputIsRefused) {
  const std::string input = dmtest::standardHead().bytes();
  writeBytes(folder.path() / "in.dm", input);
  const std::wstring spellings[] = {inPath, folder.wide(L".") + L"/in.dm"};
  for (const std::wstring& output : spellings) {
    log.clear();
    EXPECT_EQ(correctFile(inPath, output), FileResult::Failed);
    EXPECT_EQ(log.text(), output + L" 入力ファイルと同じファイルのため、書き込めません\r\n");
    EXPECT_EQ(readBytes(folder.path() / "in.dm"), input);
    EXPECT_FALSE(temporaryExists());
  }
}

TEST_F(DmFileCorrectorTest, randomBytesAreRefusedOrCopied) {
  // Arbitrary bytes, alone or after a valid head: never a crash, never a partial output.
  std::mt19937 random(20261210);
  const std::string head = dmtest::standardHead().bytes();
  for (int i = 0; i < 300; ++i) {
    std::string bytes(random() % 2000, '\0');
    for (char& b : bytes) b = static_cast<char>(random() % 256);
    if (i % 3 == 1) bytes = head + bytes;
    if (i % 3 == 2) {
      // Line ends where records end and nowhere else, so that the records are in step and the
      // body is walked.
      for (char& b : bytes) {
        if (b == '\n') b = ' ';
      }
      bytes = head + bytes;
      for (std::size_t p = 84; p + 1 < bytes.size(); p += 86) bytes[p] = '\r', bytes[p + 1] = '\n';
    }
    fallbackZone = i % 2 == 0 ? 0 : 9;
    std::error_code ignored;
    std::filesystem::remove(folder.path() / "out.dm", ignored);
    const FileResult result = correct(bytes);
    EXPECT_TRUE(result == FileResult::Corrected || result == FileResult::Refused) << i;
    EXPECT_EQ(outputExists(), result == FileResult::Corrected) << i;
    EXPECT_FALSE(temporaryExists());
  }
}

// A file of unit 10 with corner fractions and elements of every kind, corrected by a grid that
// moves every point 1" north and 0.5" west; one point lies 90 km east of the grid.
DmFile tallyFile() {
  DmFile in;
  in.add(dmtest::headerRecord("09LD35", 0))
      .add(dmtest::frameRecord(-1500, -2000, 0, 0, 10))
      .add(Line())
      .add(dmtest::historyRecord(98, 4, 0, 3, {}))
      .add(dmtest::organisationRecord("", {25, -40, 0, 0, 0, 0, 0, 0}));
  // Records 7 to 9: 8 points and the element's own point.
  in.add(dmtest::elementRecord(2, 8, 2, 5000, 6000))
      .add(dmtest::kind2Record({{100, 200}, {300, 400}, {500, 600}, {700, 800}, {900, 1000},
                                {1100, 1200}}))
      .add(dmtest::kind2Record({{1300, 1400}, {1500, 1600}, {9999, 9999}}));
  // Records 10 and 11: 3 points with a third value.
  in.add(dmtest::elementRecord(3, 3, 1, 0, 0))
      .add(dmtest::kind3Record({{2000, 2100}, {2200, 2300}, {2400, 2500}}, 77));
  // Records 12 and 13: an annotation, whose own point alone is corrected.
  in.add(dmtest::elementRecord(1, 1, 1, 100, 200)).add(Line().text(0, "annotation"));
  // Records 14 and 15: a point inside the grid and one 90 km east of it.
  in.add(dmtest::elementRecord(2, 2, 1, 0, 0)).add(dmtest::kind2Record({{40, 50}, {0, 9000000}}));
  return in;
}

// Where the points of tallyFile stand in the output (the input's record index is 2 less, before
// the new history block): record index and column of the X field, in file order.
const std::pair<int, int> kTallyPoints[] = {
    {7, 35}, {8, 0},  {8, 14}, {8, 28},  {8, 42},  {8, 56},  {8, 70}, {9, 0},
    {9, 14}, {11, 0}, {11, 21}, {11, 42}, {12, 35}, {15, 0}, {15, 14}};

int fieldAt(const std::string& bytes, int record, int column, int width) {
  return parseFieldInt(bytes.data() + record * 86 + column, width);
}

TEST_F(DmFileCorrectorTest, outcomeCountsAndShiftsAgreeWithTheFiles) {
  ASSERT_TRUE(dmtest::loadTestParameters(model, folder, 5, 1.0, -0.5));
  fallbackZone = 0;
  const DmFile in = tallyFile();
  ASSERT_EQ(correct(in.bytes()), FileResult::Corrected);
  const std::string out = output();

  EXPECT_EQ(outcome.zone, 9);
  EXPECT_EQ(outcome.unit, 10);
  EXPECT_EQ(outcome.reason, L"");
  EXPECT_EQ(outcome.points, 15);
  EXPECT_EQ(outcome.pointsCorrected, 14);
  EXPECT_EQ(outcome.pointsNotCorrected, 1);
  EXPECT_EQ(outcome.cornersNotCorrected, 0);

  // Corner 0 as read (fractions of 25 and -40 units of 10 mm, away from zero) and as the output's
  // frame record and new organisation record give it back.
  ASSERT_TRUE(outcome.cornersRead);
  EXPECT_EQ(outcome.corners[0].north, -1500.25);
  EXPECT_EQ(outcome.corners[0].east, -2000.4);
  EXPECT_EQ(outcome.corners[2].north, 0.0);
  ASSERT_TRUE(outcome.cornersCorrected);
  const double after0X = addCornerFraction(fieldAt(out, 1, 0, 7), fieldAt(out, 6, 40, 4), 10);
  const double after0Y = addCornerFraction(fieldAt(out, 1, 7, 7), fieldAt(out, 6, 44, 4), 10);
  EXPECT_EQ(outcome.corner0After.north, after0X);
  EXPECT_EQ(outcome.corner0After.east, after0Y);

  // The shift of every corrected point, read from both files (the failed one is the last).
  double sumX = 0.0, sumY = 0.0, largest = 0.0;
  for (const auto& [record, column] : kTallyPoints) {
    if (record == 15 && column == 14) continue;
    const double readX = fieldAt(in.bytes(), record - 2, column, 7) * 10 / 1000.0 - 1500.25;
    const double readY = fieldAt(in.bytes(), record - 2, column + 7, 7) * 10 / 1000.0 - 2000.4;
    const double dx = fieldAt(out, record, column, 7) * 10 / 1000.0 + after0X - readX;
    const double dy = fieldAt(out, record, column + 7, 7) * 10 / 1000.0 + after0Y - readY;
    sumX += dx;
    sumY += dy;
    largest = std::max(largest, std::sqrt(dx * dx + dy * dy));
  }
  EXPECT_DOUBLE_EQ(outcome.shiftSumNorth, sumX);
  EXPECT_DOUBLE_EQ(outcome.shiftSumEast, sumY);
  EXPECT_DOUBLE_EQ(outcome.shiftMaxMetres, largest);
  // 1" of latitude is about 30.8 m here, 0.5" of longitude about 12.5 m.
  EXPECT_NEAR(outcome.shiftSumNorth / 14, 30.8, 0.2);
  EXPECT_NEAR(outcome.shiftSumEast / 14, -12.5, 0.2);

  // The failed point's place, absolute.
  ASSERT_EQ(outcome.uncorrectedPlaces.size(), 1u);
  EXPECT_EQ(outcome.uncorrectedPlaces[0].north, -1500.25);
  EXPECT_EQ(outcome.uncorrectedPlaces[0].east, 90000.0 - 2000.4);
}

TEST_F(DmFileCorrectorTest, refusedSheetsKeepTheirOutlineForTheReport) {
  DmFile in;
  in.add(dmtest::headerRecord("09LD35", 0))
      .add(dmtest::frameRecord(-1500, -2000, 0, 0, 1))
      .add(Line())
      .add(dmtest::historyRecord(98, 4, 0, 3, {"05"}))
      .add(dmtest::organisationRecord("", {}));
  EXPECT_EQ(correct(in.bytes()), FileResult::Refused);
  EXPECT_EQ(outcome.zone, 9);
  EXPECT_EQ(outcome.unit, 1);
  ASSERT_TRUE(outcome.cornersRead);
  EXPECT_FALSE(outcome.cornersCorrected);
  EXPECT_EQ(outcome.corners[3].north, -1500.0);  // filled in from corners 0 and 2
  EXPECT_EQ(outcome.corners[3].east, 0.0);

  // A file without a zone has none in its outcome.
  fallbackZone = 0;
  EXPECT_EQ(correct(DmFile().add(dmtest::headerRecord("XX", 0)).bytes()), FileResult::Refused);
  EXPECT_EQ(outcome.zone, 0);
  EXPECT_FALSE(outcome.cornersRead);
}

// A dry run reads and corrects as a real run does and logs the same, but leaves the output folder
// as it was: no copy, no temporary file, an earlier output untouched, a missing folder missing.
TEST_F(DmFileCorrectorTest, dryRunLogsAsARealRunAndWritesNothing) {
  ASSERT_TRUE(dmtest::loadTestParameters(model, folder, 5, 1.0, -0.5));
  DmFile refused;  // corrected before with identifier 5
  refused.add(dmtest::headerRecord("09LD35", 0))
      .add(dmtest::frameRecord(-1500, -2000, 0, 0, 1))
      .add(Line())
      .add(dmtest::historyRecord(98, 4, 0, 3, {"05"}))
      .add(dmtest::organisationRecord("", {}));
  const std::string inputs[] = {tallyFile().bytes(), refused.bytes()};
  for (const std::string& input : inputs) {
    corrector.setDryRun(false);
    fallbackZone = 0;
    log.clear();
    std::error_code ignored;
    std::filesystem::remove(folder.path() / "out.dm", ignored);
    const FileResult real = correct(input);
    const std::wstring realLog = log.text();
    const FileOutcome realOutcome = outcome;

    corrector.setDryRun(true);
    for (const char* earlier : {"", "an earlier output"}) {
      SCOPED_TRACE(earlier);
      std::filesystem::remove(folder.path() / "out.dm", ignored);
      if (*earlier != '\0') writeBytes(folder.path() / "out.dm", earlier);
      fallbackZone = 0;
      log.clear();
        EXPECT_EQ(correct(input), real);
      EXPECT_EQ(log.text(), realLog);
      EXPECT_EQ(outcome.points, realOutcome.points);
      EXPECT_EQ(outcome.pointsNotCorrected, realOutcome.pointsNotCorrected);
      EXPECT_EQ(outcome.shiftSumNorth, realOutcome.shiftSumNorth);
      EXPECT_EQ(outcome.reason, realOutcome.reason);
      EXPECT_EQ(outputExists(), *earlier != '\0');
      if (*earlier != '\0') {
        EXPECT_EQ(output(), earlier);
      }
      EXPECT_FALSE(temporaryExists());
    }
  }

  // An output folder that does not exist stays so.
  corrector.setDryRun(true);
  writeBytes(folder.path() / "in.dm", tallyFile().bytes());
  EXPECT_EQ(correctFile(inPath, folder.wide(L"missing/out.dm")), FileResult::Corrected);
  EXPECT_FALSE(testsupport::exists(folder.path() / "missing"));
}

}  // namespace
