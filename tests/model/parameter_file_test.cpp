// Loading a correction parameter file into the model: the header, the identifier, the grid-point
// columns, the line pieces, and every way a load fails (all or nothing).
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "model/correction_model.h"
#include "model/parameter_file.h"
#include "model_fixture.h"
#include "test_support.h"

namespace {

using modeltest::gridLine;
using modeltest::parameterFile;

const std::wstring kExpectedHeader =
    L"Grid shifts for Tarnwick for 25\r\nheader 2\r\nheader 3\r\nheader 4\r\nheader 5\r\n"
    L"header 6\r\nheader 7\r\nheader 8\r\nheader 9\r\nheader 10\r\nheader 11\r\nheader 12\r\n"
    L"header 13\r\n";

class ParameterFileTest : public ::testing::Test {
 protected:
  std::wstring write(const std::string& bytes, const std::wstring& name = L"grid.par") {
    const std::wstring path = scratch.wide(name);
    testsupport::writeBytes(path, bytes);
    return path;
  }
  unsigned load(const std::string& bytes) {
    std::wstring header;
    return model.readParameterFile(write(bytes), header);
  }

  testsupport::ScratchFolder scratch;
  CorrectionModel model;
};

TEST(parameter_file_test, identifier_is_the_second_token_after_the_keyword) {
  struct Case {
    const char* line;
    int identifier;
  };
  const Case cases[] = {
      {"Shifts for Tarnwick for 25", 25},
      {"Shifts for Tarnwick 7 for", 0},
      {"Shifts for Tarnwick for", 0},
      {"Shifts for Tarnwick", 0},
      {"for Tarnwick\tfor\t\t-12x", -12},
      {"for Tarnwick   v2   +8 9", 8},
      {"for TarnwickX for 3", 0},  // the text after the keyword starts with "X"
      {"for Tarnwick a 5 Tarnwick b 6", 5},
      {"for Tarnwick a 25\r", 25},
      {"for Tarnwick a 99999999999", INT_MAX},
      {"for Tarnwick a -99999999999", INT_MIN},
      {"for Tarnwick a .5", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(parameterIdentifier(c.line), c.identifier) << c.line;
}

TEST(parameter_file_test, grid_point_columns_are_strictly_positional) {
  struct Case {
    std::string line;
    bool retained;
    int code;
    double latitudeSeconds, longitudeSeconds, third;
  };
  const Case cases[] = {
      {"53392610", true, 53392610, 0, 0, 0},
      {"53392610      -1.8", true, 53392610, -1.8, 0, 0},
      {"53392610" + std::string(10, ' ') + "       2.5", true, 53392610, 0, 2.5, 0},
      {"53392610" + std::string(21, ' ') + "2.5", true, 53392610, 0, 0, 2.5},
      {"53392610    0.1234    5.6789     1.125 ignored", true, 53392610, 0.1234, 5.6789, 1.125},
      {"53392610123456789012345", true, 53392610, 1234567890, 12345, 0},  // runs into the next field
      {"53392610abc", true, 53392610, 0, 0, 0},
      {"5339261", true, 5339261, 0, 0, 0},  // a 7-digit code is out of range
      {"30000000", true, 30000000, 0, 0, 0},
      {"29999999", false, 0, 0, 0, 0},
      {"70000000", true, 70000000, 0, 0, 0},
      {"70000001", false, 0, 0, 0, 0},
      {"-5339261", false, 0, 0, 0, 0},
      {"MeshCode", false, 0, 0, 0, 0},
      {"", false, 0, 0, 0, 0},
      {" 5339261  1", false, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    ParameterRecord record{-1, -1, -1, -1};
    const bool retained = parseGridPointLine(c.line.data(), c.line.size(), record);
    const bool inRange = c.code >= 30000000 && c.code <= 70000000;
    EXPECT_EQ(retained, c.retained && inRange) << c.line;
    if (!retained) continue;
    EXPECT_EQ(record.meshCode, c.code) << c.line;
    EXPECT_EQ(record.latitudeShift, c.latitudeSeconds / 3600.0) << c.line;
    EXPECT_EQ(record.longitudeShift, c.longitudeSeconds / 3600.0) << c.line;
    EXPECT_EQ(record.thirdValue, c.third) << c.line;
  }
}

TEST_F(ParameterFileTest, load_gives_header_identifier_and_sorted_records) {
  const std::string file = parameterFile({gridLine(53392611, 1.0, 2.0, 3.0),
                                          gridLine(53392610, -1.8, 0.5),
                                          "   bad line", gridLine(29999999, 1, 1)});
  std::wstring header = L"";
  ASSERT_EQ(model.readParameterFile(write(file), header), 2u);
  EXPECT_EQ(header, kExpectedHeader);
  EXPECT_EQ(model.parameterId(), 25);
  EXPECT_EQ(model.recordCount(), 2u);
  EXPECT_EQ(model.findRecordPosition(53392610), 0);
  EXPECT_EQ(model.findRecordPosition(53392611), 1);
  ParameterRecord record{};
  ASSERT_EQ(model.findRecord(53392611, record), 1);
  EXPECT_EQ(record.meshCode, 53392611);
  EXPECT_EQ(record.latitudeShift, 1.0 / 3600.0);
  EXPECT_EQ(record.longitudeShift, 2.0 / 3600.0);
  EXPECT_EQ(record.thirdValue, 3.0);
  EXPECT_EQ(model.findRecord(53392612, record), 0);
  EXPECT_EQ(record.meshCode, 53392611);  // untouched
}

TEST_F(ParameterFileTest, header_text_is_the_same_for_lf_and_cr_lf_line_ends) {
  const std::vector<std::string> grid = {gridLine(53392610, 1, 1)};
  for (const char* lineEnd : {"\n", "\r\n"}) {
    std::wstring header;
    ASSERT_EQ(model.readParameterFile(write(parameterFile(grid, "Grid shifts for Tarnwick for 25",
                                                         lineEnd)),
                                      header),
              1u);
    EXPECT_EQ(header, kExpectedHeader) << (lineEnd[1] ? "CR LF" : "LF");
  }
}

TEST_F(ParameterFileTest, lone_cr_and_eof_byte_are_ordinary_bytes) {
  std::string file = parameterFile({gridLine(53392610, 1, 1)});
  file.replace(file.find("header 5"), 8, "hea\rd\x1A" "er");
  file += gridLine(53392611, 1, 1) + "\n";
  std::wstring header;
  ASSERT_EQ(model.readParameterFile(write(file), header), 2u);
  EXPECT_NE(header.find(L"\r\nhea\rd\x1A" L"er\r\n"), std::wstring::npos);
}

TEST_F(ParameterFileTest, the_text_after_line_16_needs_no_final_line_end) {
  std::string file = parameterFile({gridLine(53392610, 1, 1)});
  file += gridLine(53392611, 1, 1);  // no line end
  EXPECT_EQ(load(file), 2u);
}

// A line of more than 1998 characters arrives in pieces of 1999, each counted as a line.
TEST_F(ParameterFileTest, long_lines_arrive_in_pieces_of_1999_bytes) {
  auto padded = [](std::string text, size_t length) {
    text.resize(length, ' ');
    return text;
  };
  struct Case {
    const char* what;
    std::vector<std::string> grid;
    std::vector<int> found;
  };
  const Case cases[] = {
      {"1998 characters: one line", {padded(gridLine(53392610, 1, 1), 1998), gridLine(53392611, 1, 1)},
       {53392610, 53392611}},
      {"1999 characters: a piece, then an empty one",
       {padded(gridLine(53392610, 1, 1), 1999), gridLine(53392611, 1, 1)}, {53392610, 53392611}},
      {"the second piece is a grid point of its own",
       {padded(gridLine(53392610, 1, 1), 1999) + gridLine(53392612, 1, 1)}, {53392610, 53392612}},
      {"three pieces",
       {padded(gridLine(53392610, 1, 1), 1999) + padded(gridLine(53392612, 1, 1), 1999) +
        gridLine(53392613, 1, 1)},
       {53392610, 53392612, 53392613}},
  };
  for (const Case& c : cases) {
    for (const char* lineEnd : {"\n", "\r\n"}) {
      CorrectionModel fresh;
      std::wstring header;
      ASSERT_EQ(fresh.readParameterFile(write(parameterFile(c.grid, "Grid shifts for Tarnwick for 25",
                                                           lineEnd)),
                                        header),
                c.found.size())
          << c.what;
      for (int code : c.found) EXPECT_GE(fresh.findRecordPosition(code), 0) << c.what << " " << code;
    }
  }
}

TEST_F(ParameterFileTest, a_title_line_over_1998_characters_shifts_every_later_line) {
  std::string title = "Grid shifts for Tarnwick for 25";
  title.resize(1998, ' ');
  EXPECT_EQ(load(parameterFile({gridLine(53392610, 1, 1)}, title)), 1u);
  // One more character: the title's second piece becomes line 2, and line 16 holds "ignored 15".
  EXPECT_EQ(load(parameterFile({gridLine(53392610, 1, 1)}, title + "x")), 0u);
}

// Every failure leaves the model as it was: records, identifier, and the caller's header text.
TEST_F(ParameterFileTest, failed_loads_change_nothing) {
  const std::string good = parameterFile({gridLine(53392610, 1, 1), gridLine(53392620, 2, 2)},
                                         "Earlier for Tarnwick grid 7");
  std::wstring firstHeader;
  ASSERT_EQ(model.readParameterFile(write(good, L"good.par"), firstHeader), 2u);
  const unsigned tagBefore = model.loadTag();

  std::string sixteenLines = parameterFile({});
  std::string noHeading = parameterFile({gridLine(53392699, 1, 1)});
  noHeading.replace(noHeading.find("MeshCode"), 8, "meshcode");
  std::string fifteenLines = sixteenLines.substr(0, sixteenLines.find("MeshCode"));
  struct Case {
    const char* what;
    std::string bytes;
    bool missing;
  };
  const Case cases[] = {
      {"file cannot be opened", "", true},
      {"empty file", "", false},
      {"line 1 lacks for", "Grid shifts, Tarnwick 9 9\r\n" + sixteenLines.substr(sixteenLines.find('\n') + 1), false},
      {"line 1 lacks Tarnwick", "Grid shifts for tarnwick 9 9\r\n" + sixteenLines.substr(sixteenLines.find('\n') + 1), false},
      {"only line 1", "Grid for Tarnwick 9 9", false},
      {"ends after 13 lines", parameterFile({}).substr(0, parameterFile({}).find("ignored 14")), false},
      {"ends after 15 lines", fifteenLines, false},
      {"line 16 lacks MeshCode", noHeading, false},
      {"exactly 16 lines, no grid point", sixteenLines, false},
      {"no code in range", parameterFile({gridLine(29999999, 1, 1), "garbage", gridLine(70000001, 1, 1)}), false},
  };
  for (const Case& c : cases) {
    const std::wstring path = c.missing ? scratch.wide(L"missing.par") : write(c.bytes, L"bad.par");
    std::wstring header = L"shown before";
    EXPECT_EQ(model.readParameterFile(path, header), 0u) << c.what;
    EXPECT_EQ(header, L"shown before") << c.what;
    EXPECT_EQ(model.parameterId(), 7) << c.what;
    EXPECT_EQ(model.recordCount(), 2u) << c.what;
    EXPECT_EQ(model.findRecordPosition(53392620), 1) << c.what;
    EXPECT_EQ(model.loadTag(), tagBefore) << c.what;
    std::wstring shown = L"shown before";
    EXPECT_FALSE(loadParameters(model, path, shown)) << c.what;
    EXPECT_EQ(shown, L"shown before") << c.what;
  }
}

TEST_F(ParameterFileTest, load_parameters_replaces_the_shown_text_on_success) {
  std::wstring shown = L"old text";
  EXPECT_TRUE(loadParameters(model, write(parameterFile({gridLine(53392610, 1, 1)})), shown));
  EXPECT_EQ(shown, kExpectedHeader);
}

TEST_F(ParameterFileTest, second_load_replaces_the_records_of_the_first) {
  ASSERT_EQ(load(parameterFile({gridLine(53392610, 1, 1), gridLine(53392611, 1, 1)})), 2u);
  ASSERT_EQ(load(parameterFile({gridLine(53392611, 3, 3)}, "Next for Tarnwick grid 8")), 1u);
  EXPECT_EQ(model.findRecordPosition(53392610), -1);
  ParameterRecord record{};
  ASSERT_EQ(model.findRecord(53392611, record), 1);
  EXPECT_EQ(record.latitudeShift, 3.0 / 3600.0);
  EXPECT_EQ(model.parameterId(), 8);
}

TEST_F(ParameterFileTest, loaded_means_more_than_1000_records) {
  std::vector<std::string> grid;
  const std::vector<int> codes = modeltest::firstLevelMeshCodes(5339);
  for (int i = 0; i < 1000; ++i) grid.push_back(gridLine(codes[i], 0, 0));
  EXPECT_FALSE(model.isLoaded());
  ASSERT_EQ(load(parameterFile(grid)), 1000u);
  EXPECT_FALSE(model.isLoaded());
  grid.push_back(gridLine(codes[1000], 0, 0));
  ASSERT_EQ(load(parameterFile(grid)), 1001u);
  EXPECT_TRUE(model.isLoaded());
}

TEST_F(ParameterFileTest, duplicate_codes_are_kept_and_the_first_in_file_order_is_found) {
  ASSERT_EQ(load(parameterFile({gridLine(53392611, 1, 0), gridLine(53392610, 2, 0),
                                gridLine(53392611, 3, 0), gridLine(53392610, 4, 0)})),
            4u);
  ParameterRecord record{};
  ASSERT_EQ(model.findRecord(53392610, record), 1);
  EXPECT_EQ(record.latitudeShift, 2.0 / 3600.0);
  ASSERT_EQ(model.findRecord(53392611, record), 1);
  EXPECT_EQ(record.latitudeShift, 1.0 / 3600.0);
}

TEST_F(ParameterFileTest, bad_bytes_never_crash_the_reader) {
  std::mt19937 random(12345);
  std::string noise(3000000, '\0');
  for (char& c : noise) c = static_cast<char>(random() & 0xFF);

  // Random bytes alone: line 1 lacks the keywords.
  EXPECT_EQ(load(noise), 0u);

  // A good header, then noise: whatever loads is sorted and found.
  const unsigned count = load(parameterFile({}) + noise);
  for (unsigned i = 0; i < count && i < 50; ++i) {
    (void)model.findRecordPosition(30000000 + static_cast<int>(i));
  }

  // One endless line: 4 MB of digits without a line end arrive as pieces of 1999 bytes, each
  // starting with a rotation of 53392610; those in range are records.
  std::string endless;
  while (endless.size() < 4000000) endless += "53392610";
  EXPECT_GT(load(parameterFile({}) + endless), 0u);
  EXPECT_GE(model.findRecordPosition(53392610), 0);

  // Overlong and non-numeric fields.
  EXPECT_EQ(load(parameterFile({"53392610" + std::string(5000, '9'), "53392611xxxxxxxxxxyyyyyyyyyy",
                                "53392612" + std::string(200, '-')})),
            3u);  // the first line's later pieces read 99999999, out of range
}

}  // namespace
