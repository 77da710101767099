// The index by first-level mesh code and the lookups through it, including the codes at the top
// of the table (6999 and 7000).
#include <gtest/gtest.h>

#include "model/mesh_index.h"

namespace {

std::vector<ParameterRecord> store(const std::vector<int>& codes) {
  std::vector<ParameterRecord> records;
  for (int code : codes) records.push_back({code, 0.0, 0.0, 0.0});
  return records;
}

TEST(mesh_index_test, entries_hold_the_first_position_of_each_code_and_an_end_marker) {
  std::vector<int> codes;
  for (int i = 0; i < 100; ++i) codes.push_back(53390000 + i);
  for (int i = 0; i < 50; ++i) codes.push_back(53400000 + i);
  const auto records = store(codes);
  MeshIndex index;
  index.rebuild(records);
  EXPECT_EQ(index.entry(3000), 0);
  EXPECT_EQ(index.entry(5339), 0);
  EXPECT_EQ(index.entry(5340), 100);
  EXPECT_EQ(index.entry(5341), 150);
  EXPECT_EQ(index.entry(5342), 0);
  EXPECT_EQ(index.entry(6999), 0);
  EXPECT_EQ(index.findPosition(records, 53390099), 99);
  EXPECT_EQ(index.findPosition(records, 53400000), 100);
  EXPECT_EQ(index.findPosition(records, 53400049), 149);
}

TEST(mesh_index_test, lookups_find_every_record_and_nothing_else) {
  struct Case {
    const char* what;
    std::vector<int> codes;
    std::vector<int> absent;
  };
  const Case cases[] = {
      {"gap between codes in use", {30000000, 30000001, 53390000, 53410000},
       {53400000, 53390001, 29999999, 30000002, 53410001, 60000000}},
      {"lowest code only", {30000000, 30009999}, {30010000, 31000000}},
      {"highest code 6999", {53390000, 69990000, 69997799}, {69990001, 70000000, 69980000}},
      {"only 6999", {69990000, 69991234}, {69990001, 53390000}},
      {"codes up to 7000", {69980000, 69990000, 69990001, 70000000}, {70000000, 69989999, 69990002}},
      {"only 7000", {70000000}, {70000000, 69990000}},
      {"6998 then 7000", {69980000, 70000000}, {69990000, 70000000}},
  };
  for (const Case& c : cases) {
    const auto records = store(c.codes);
    MeshIndex index;
    index.rebuild(records);
    for (size_t i = 0; i < c.codes.size(); ++i) {
      if (c.codes[i] / 10000 > 6999) continue;
      EXPECT_EQ(index.findPosition(records, c.codes[i]), static_cast<int>(i)) << c.what;
    }
    for (int code : c.absent) EXPECT_EQ(index.findPosition(records, code), -1) << c.what << " " << code;
  }
}

TEST(mesh_index_test, codes_outside_the_table_and_an_empty_store_find_nothing) {
  MeshIndex index;
  const std::vector<ParameterRecord> empty;
  index.rebuild(empty);
  for (int code : {0, -1, 29999999, 30000000, 53392610, 69999999, 70000000, 2147483647}) {
    EXPECT_EQ(index.findPosition(empty, code), -1) << code;
  }
}

TEST(mesh_index_test, rebuild_forgets_the_previous_store) {
  const auto first = store({53390000, 53400000, 69990000});
  const auto second = store({45000000});
  MeshIndex index;
  index.rebuild(first);
  index.rebuild(second);
  EXPECT_EQ(index.findPosition(second, 45000000), 0);
  EXPECT_EQ(index.findPosition(second, 53400000), -1);
  EXPECT_EQ(index.findPosition(second, 69990000), -1);
}

}  // namespace
