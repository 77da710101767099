#include "run/path_operations.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "run_test_support.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using runtest::isFolder;

struct SplitCase {
  const wchar_t* path;
  const wchar_t* drive;
  const wchar_t* folder;
  const wchar_t* name;
  const wchar_t* extension;
};

TEST(path_operations_test, splitFileName_divides_drive_folder_name_extension) {
  const SplitCase cases[] = {
      {L"D:\\in\\sheet01.DM", L"D:", L"\\in\\", L"sheet01", L".DM"},
      {L"/home/u/in/sheet01.dm", L"", L"/home/u/in/", L"sheet01", L".dm"},
      {L"C:/a\\b/c.dmi", L"C:", L"/a\\b/", L"c", L".dmi"},  // both separators, mixed
      {L"a.b.dm", L"", L"", L"a.b", L".dm"},                // the last dot starts the extension
      {L".dm", L"", L"", L"", L".dm"},                      // a name that is only an extension
      {L"x\\.dm", L"", L"x\\", L"", L".dm"},
      {L"notes.dm.txt", L"", L"", L"notes.dm", L".txt"},
      {L"dir.d/file", L"", L"dir.d/", L"file", L""},  // a dot before the last separator is not one
      {L"C:", L"C:", L"", L"", L""},
      {L"C:sheet.dm", L"C:", L"", L"sheet", L".dm"},
      {L"\\\\server\\share\\f.dm", L"", L"\\\\server\\share\\", L"f", L".dm"},
      {L"folder\\", L"", L"folder\\", L"", L""},
      {L"名前.ＤＭ", L"", L"", L"名前", L".ＤＭ"},
      {L"", L"", L"", L"", L""},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(testing::Message() << wideToUtf8(c.path));
    const PathParts parts = splitFileName(c.path);
    EXPECT_EQ(parts.drive, c.drive);
    EXPECT_EQ(parts.folder, c.folder);
    EXPECT_EQ(parts.name, c.name);
    EXPECT_EQ(parts.extension, c.extension);
  }
}

TEST(path_operations_test, ensureTrailingBackslash_appends_the_platform_separator_once) {
  const std::wstring sep(1, platform::folderSeparator());
  const std::wstring other = sep == L"\\" ? L"/" : L"\\";
  struct Case {
    std::wstring text;
    std::wstring expected;
    int result;
  };
  const Case cases[] = {
      {L"data", L"data" + sep, 1},
      {L"data" + sep, L"data" + sep, 0},
      {L"", sep, 1},
      {L"data" + other, L"data" + other + sep, 1},  // only the platform's own separator counts
  };
  for (const Case& c : cases) {
    std::wstring text = c.text;
    EXPECT_EQ(ensureTrailingBackslash(text), c.result);
    EXPECT_EQ(text, c.expected);
  }
}

TEST(path_operations_test, createFolderPath_creates_every_missing_level_outermost_first) {
  testsupport::ScratchFolder scratch;
  const std::wstring sep(1, platform::folderSeparator());
  fs::create_directory(scratch.path() / "a");

  const std::wstring base = scratch.wide() + sep;
  EXPECT_EQ(createFolderPath(base + L"a" + sep + L"b" + sep + L"c" + sep), 1);
  EXPECT_TRUE(isFolder(base + L"a" + sep + L"b"));
  EXPECT_TRUE(isFolder(base + L"a" + sep + L"b" + sep + L"c"));

  // Without a trailing separator, and with Japanese names.
  EXPECT_EQ(createFolderPath(base + L"出力" + sep + L"第1"), 1);
  EXPECT_TRUE(isFolder(base + L"出力" + sep + L"第1"));

  // Windows also takes '/' between folders.
  if (sep == L"\\") {
    EXPECT_EQ(createFolderPath(base + L"x/y/z/"), 1);
    EXPECT_TRUE(isFolder(base + L"x\\y\\z"));
  }
}

TEST(path_operations_test, createFolderPath_leaves_an_existing_folder_as_it_is) {
  testsupport::ScratchFolder scratch;
  const std::wstring sep(1, platform::folderSeparator());
  fs::create_directory(scratch.path() / "out");
  testsupport::writeBytes(scratch.path() / "out" / "kept.dm", "data");

  EXPECT_EQ(createFolderPath(scratch.wide(L"out")), 1);
  EXPECT_EQ(createFolderPath(scratch.wide(L"out") + sep), 1);
  EXPECT_EQ(testsupport::readBytes(scratch.path() / "out" / "kept.dm"), "data");
}

TEST(path_operations_test, createFolderPath_refuses_an_empty_path_and_handles_long_ones) {
  EXPECT_EQ(createFolderPath(L""), 0);

  // A path far beyond 263 characters: walked without any fixed-size copy.
  testsupport::ScratchFolder scratch;
  const std::wstring sep(1, platform::folderSeparator());
  std::wstring path = scratch.wide();
  while (path.size() < 400) path += sep + L"level_0123456789";
  EXPECT_EQ(createFolderPath(path + sep), 1);
  EXPECT_TRUE(isFolder(scratch.wide(L"level_0123456789")));
}

TEST(path_operations_test, createFolderPath_reports_no_failure_for_a_folder_it_cannot_create) {
  testsupport::ScratchFolder scratch;
  const std::wstring sep(1, platform::folderSeparator());
  testsupport::writeBytes(scratch.path() / "file", "x");  // a file where a folder should be
  EXPECT_EQ(createFolderPath(scratch.wide(L"file") + sep + L"sub" + sep), 1);
  EXPECT_FALSE(isFolder(scratch.wide(L"file") + sep + L"sub"));
}

}  // namespace
