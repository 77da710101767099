#include "run/folder_scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/platform.h"
#include "run_test_support.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::wstring>;

class folder_scan_test : public testing::Test {
 protected:
  void file(const std::wstring& name) { testsupport::writeBytes(runtest::fsPath(prefix() + name), "x"); }
  void folder(const std::wstring& name) { fs::create_directory(runtest::fsPath(prefix() + name)); }

  // Full paths as the scan produces them: the folder, its separator, the name.
  Paths paths(std::initializer_list<const wchar_t*> names) const {
    Paths result;
    for (const wchar_t* name : names) result.push_back(prefix() + name);
    return result;
  }
  std::wstring prefix() const { return scratch_.wide() + platform::folderSeparator(); }

  testsupport::ScratchFolder scratch_;
};

TEST_F(folder_scan_test, lists_dm_and_index_files_in_utf16_order) {
  for (const wchar_t* name : {L"ab.dm", L"a.dm", L"C.DM", L"B.dm", L".dm", L"sheet.Dm",
                              L"notes.dm.txt", L"sheet.dm.bak", L"data1.dmi", L"data1.idx",
                              L"b.IDX", L"全角.ｄｍ", L"no_extension"}) {
    file(name);
  }
  folder(L"x.dm");  // a folder is never a DM file
  folder(L"sub");
  testsupport::writeBytes(scratch_.path() / "sub" / "inner.dm", "x");  // sub-folders not entered

  Paths dm, dmi, idx;
  EXPECT_EQ(scanInputFolder(scratch_.wide(), dm, dmi, idx), 6);
  // "." sorts before letters, upper case before lower case, a prefix before its extensions.
  EXPECT_EQ(dm, paths({L".dm", L"B.dm", L"C.DM", L"a.dm", L"ab.dm", L"sheet.Dm"}));
  EXPECT_EQ(dmi, paths({L"data1.dmi"}));
  EXPECT_EQ(idx, paths({L"b.IDX", L"data1.idx"}));
}

TEST_F(folder_scan_test, orders_by_utf16_code_units_on_every_platform) {
  // U+1F5FE is a surrogate pair (D83D DDFE) in UTF-16 and so sorts below U+E000 and U+FF21,
  // although its code point is larger.
  for (const wchar_t* name : {L"\uFF21.dm", L"\uE000.dm", L"\U0001F5FE.dm", L"z.dm"}) file(name);
  Paths dm, dmi, idx;
  scanInputFolder(scratch_.wide(), dm, dmi, idx);
  EXPECT_EQ(dm, paths({L"z.dm", L"\U0001F5FE.dm", L"\uE000.dm", L"\uFF21.dm"}));
}

TEST_F(folder_scan_test, takes_a_folder_with_or_without_its_trailing_separator) {
  file(L"a.dm");
  Paths dm, dmi, idx;
  scanInputFolder(prefix(), dm, dmi, idx);
  EXPECT_EQ(dm, paths({L"a.dm"}));
}

TEST_F(folder_scan_test, missing_empty_or_unnamed_folders_give_empty_lists) {
  Paths dm, dmi, idx;
  EXPECT_EQ(scanInputFolder(scratch_.wide(L"missing"), dm, dmi, idx), 0);
  EXPECT_EQ(scanInputFolder(scratch_.wide(), dm, dmi, idx), 0);
  EXPECT_EQ(scanInputFolder(L"", dm, dmi, idx), 0);
  EXPECT_TRUE(dm.empty() && dmi.empty() && idx.empty());
}

TEST_F(folder_scan_test, appends_to_the_lists_it_is_given) {
  file(L"a.dm");
  Paths dm{L"earlier"}, dmi, idx;
  EXPECT_EQ(scanInputFolder(scratch_.wide(), dm, dmi, idx), 1);
  EXPECT_EQ(dm, (Paths{L"earlier", prefix() + L"a.dm"}));
}

}  // namespace
