// The platform seam, the same expectations natively and under Wine: the Linux implementation is
// checked against the behaviour of the Windows calls through this one file.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "common/wide_text.h"
#endif

namespace {

using testsupport::ScratchFolder;

#ifdef _WIN32
const bool kWindows = true;
#else
const bool kWindows = false;
#endif

std::wstring join(const std::wstring& folder, const std::wstring& name) {
  return folder + platform::folderSeparator() + name;
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
  std::FILE* file = platform::openFile(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

std::string readFile(const std::wstring& path) {
  std::FILE* file = platform::openFile(path, "rb");
  if (file == nullptr) return "<missing>";
  std::string bytes;
  int c;
  while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<char>(c));
  std::fclose(file);
  return bytes;
}

std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string utf8(const std::wstring& text) {
  // Only for messages: ASCII stays readable, the rest shows as code points.
  std::string out;
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buffer[16];
      std::snprintf(buffer, sizeof(buffer), "<U+%04X>", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out;
}

// ---- Folders ------------------------------------------------------------------------------

std::map<std::wstring, bool> listWithoutDots(const std::wstring& folder) {
  std::vector<platform::DirEntry> entries;
  EXPECT_TRUE(platform::listFolder(folder, entries)) << utf8(folder);
  std::map<std::wstring, bool> found;
  for (const platform::DirEntry& entry : entries) {
    if (entry.name == L"." || entry.name == L"..") {
      EXPECT_TRUE(entry.isFolder);
      continue;
    }
    EXPECT_EQ(found.count(entry.name), 0u) << utf8(entry.name);
    found[entry.name] = entry.isFolder;
  }
  return found;
}

TEST(platform_test, listFolderReportsJapaneseNamesAndFolderFlags) {
  ScratchFolder scratch;
  const std::wstring folder = scratch.wide();
  ASSERT_TRUE(writeFile(join(folder, L"測量データ.dm"), "x"));
  ASSERT_TRUE(writeFile(join(folder, L"索引.DMI"), "x"));
  ASSERT_TRUE(writeFile(join(folder, L"表.txt"), "x"));  // trail byte 0x5C in code page 932
  ASSERT_TRUE(platform::createFolder(join(folder, L"出力")));
  std::map<std::wstring, bool> expected = {
      {L"測量データ.dm", false}, {L"索引.DMI", false}, {L"表.txt", false}, {L"出力", true}};
#ifndef _WIN32
  // A symbolic link to a folder is a folder; one to a file is a file.
  ASSERT_EQ(::symlink("出力", (scratch.path() / "リンク").c_str()), 0);
  ASSERT_EQ(::symlink("表.txt", (scratch.path() / "ファイルへのリンク").c_str()), 0);
  expected[L"リンク"] = true;
  expected[L"ファイルへのリンク"] = false;
#endif
  EXPECT_EQ(listWithoutDots(folder), expected);
  EXPECT_EQ(listWithoutDots(folder + platform::folderSeparator()), expected);
}

TEST(platform_test, listFolderFailsForAMissingFolderAndKeepsTheList) {
  ScratchFolder scratch;
  std::vector<platform::DirEntry> entries(1);
  entries[0].name = L"kept";
  EXPECT_FALSE(platform::listFolder(join(scratch.wide(), L"無い"), entries));
  EXPECT_FALSE(platform::listFolder(join(join(scratch.wide(), L"無い"), L"下"), entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, L"kept");
  // An empty folder lists without error.
  ASSERT_TRUE(platform::createFolder(join(scratch.wide(), L"空")));
  EXPECT_TRUE(listWithoutDots(join(scratch.wide(), L"空")).empty());
}

TEST(platform_test, createFolderMakesOneLevelParentFirst) {
  ScratchFolder scratch;
  const std::wstring parent = join(scratch.wide(), L"新規");
  const std::wstring child = join(parent, L"下位");
  EXPECT_FALSE(platform::createFolder(child)) << "parent missing";
  EXPECT_FALSE(platform::folderEntryExists(parent));
  EXPECT_TRUE(platform::createFolder(parent));
  EXPECT_TRUE(platform::createFolder(child));
  EXPECT_TRUE(platform::folderEntryExists(child));
  EXPECT_FALSE(platform::createFolder(parent)) << "exists already";
  ASSERT_TRUE(writeFile(join(scratch.wide(), L"ファイル"), "x"));
  EXPECT_FALSE(platform::createFolder(join(scratch.wide(), L"ファイル"))) << "a file of that name";
}

TEST(platform_test, folderEntryExistsOnlyForTheExactFolderName) {
  ScratchFolder scratch;
  const std::wstring folder = join(scratch.wide(), L"入力");
  const std::wstring file = join(scratch.wide(), L"測量.dm");
  ASSERT_TRUE(platform::createFolder(folder));
  ASSERT_TRUE(writeFile(file, "x"));
  const wchar_t sep = platform::folderSeparator();
  struct Case {
    std::wstring path;
    bool expected;
  };
  const Case cases[] = {
      {folder, true},
      {folder + sep, false},              // a trailing separator never passes
      {file, false},                      // a file is no folder
      {join(scratch.wide(), L"無い"), false},
      {join(scratch.wide(), L"入*"), false},  // no wildcard match
      {join(scratch.wide(), L"入?"), false},
      {L"", false},
      {scratch.wide(), true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::folderEntryExists(c.path), c.expected) << utf8(c.path);
  }
}

TEST(platform_test, sameFileObjectSeesThroughOtherSpellings) {
  ScratchFolder scratch;
  const std::wstring base = scratch.wide();
  const wchar_t sep = platform::folderSeparator();
  const std::wstring folder = join(base, L"Data");
  const std::wstring other = join(base, L"Other");
  const std::wstring file = join(folder, L"測量.dm");
  ASSERT_TRUE(platform::createFolder(folder));
  ASSERT_TRUE(platform::createFolder(other));
  ASSERT_TRUE(writeFile(file, "x"));
  struct Case {
    std::wstring a;
    std::wstring b;
    bool expected;
  };
  std::vector<Case> cases = {
      {folder, folder, true},
      {folder, folder + sep, true},
      {folder, base + sep + L"." + sep + L"Data", true},
      {folder, folder + sep + L"." + sep, true},
      {folder, other + sep + L".." + sep + L"Data", true},
      {file, join(join(folder, L"."), L"測量.dm"), true},
      {folder, other, false},
      {folder, file, false},
      {folder, join(base, L"Missing"), false},
      {join(base, L"Missing"), join(base, L"Missing"), false},
  };
#ifdef _WIN32
  cases.push_back({folder, join(base, L"DATA"), true});
  cases.push_back({file, join(join(base, L"data"), L"測量.DM"), true});
#else
  ASSERT_EQ(::symlink("Data", (scratch.path() / "Link").c_str()), 0);
  cases.push_back({folder, join(base, L"Link"), true});
  cases.push_back({folder, join(base, L"DATA"), false});  // Linux names keep their case
#endif
  for (const Case& c : cases) {
    EXPECT_EQ(platform::sameFileObject(c.a, c.b), c.expected) << utf8(c.a) << " vs " << utf8(c.b);
  }
}

TEST(platform_test, temporaryFolderEndsWithTheSeparatorAndExists) {
  const std::wstring temp = platform::temporaryFolder();
  ASSERT_GE(temp.size(), 2u);
  EXPECT_EQ(temp.back(), platform::folderSeparator());
  EXPECT_TRUE(platform::folderEntryExists(temp.substr(0, temp.size() - 1))) << utf8(temp);
}

TEST(platform_test, executablePathNamesThisTestProgram) {
  const std::wstring path = platform::executablePath();
  EXPECT_NE(path.find(L"platform_test"), std::wstring::npos) << utf8(path);
  std::FILE* self = platform::openFile(path, "rb");
  EXPECT_NE(self, nullptr);
  if (self != nullptr) std::fclose(self);
}

// ---- Files --------------------------------------------------------------------------------

TEST(platform_test, openFileLetsOthersReadAndWriteMeanwhile) {
  ScratchFolder scratch;
  const std::wstring path = join(scratch.wide(), L"測量データ.dm");
  std::FILE* writer = platform::openFile(path, "wb");
  ASSERT_NE(writer, nullptr);
  std::fputs("abc", writer);
  std::fflush(writer);
  std::FILE* reader = platform::openFile(path, "rb");
  EXPECT_NE(reader, nullptr);
  if (reader != nullptr) {
    EXPECT_EQ(std::fgetc(reader), 'a');
    std::fclose(reader);
  }
  std::FILE* second = platform::openFile(path, "ab");
  EXPECT_NE(second, nullptr);
  if (second != nullptr) std::fclose(second);
  std::fclose(writer);
  EXPECT_EQ(platform::openFile(join(scratch.wide(), L"無い.dm"), "rb"), nullptr);
}

// The temporary copy of a run is created this way: a file that exists (another run's copy) is
// neither opened nor truncated, and the caller learns that the name was taken.
TEST(platform_test, createNewFileNeverOpensAnExistingFile) {
  ScratchFolder scratch;
  const std::wstring path = join(scratch.wide(), L"図郭.dm.0000000000000001.ostrand-tmp");
  bool nameTaken = true;
  std::FILE* file = platform::createNewFile(path, &nameTaken);
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(nameTaken);
  std::fputs("first", file);
  std::fflush(file);
  EXPECT_EQ(readFile(path), "first") << "others may read it meanwhile";

  EXPECT_EQ(platform::createNewFile(path, &nameTaken), nullptr);
  EXPECT_TRUE(nameTaken);
  EXPECT_EQ(platform::createNewFile(path), nullptr);
  std::fputs(" and more", file);
  EXPECT_EQ(std::fclose(file), 0);
  EXPECT_TRUE(platform::flushFileToDisk(path));
  EXPECT_EQ(readFile(path), "first and more");
  EXPECT_FALSE(platform::flushFileToDisk(join(scratch.wide(), L"missing.dm")));

  EXPECT_EQ(platform::createNewFile(join(join(scratch.wide(), L"無い"), L"x.tmp"), &nameTaken),
            nullptr);
  EXPECT_FALSE(nameTaken) << "a missing folder is no taken name";
}

// A relative settings path names a file of the current folder, never one of the Windows folder
// (where the profile functions look for a bare file name).
TEST(platform_test, relativeProfilePathsAreTakenFromTheCurrentFolder) {
  ScratchFolder scratch;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(scratch.path());
  const std::wstring here = platform::fullPath(L"Ostrand.ini");
  const bool written = platform::writeProfileString(L"Ostrand.ini", L"OstrandDlg", L"Year", L"26");
  const std::wstring read = platform::readProfileString(L"Ostrand.ini", L"OstrandDlg", L"Year", L"");
  const std::wstring dotted = platform::readProfileString(
      std::wstring(L".") + platform::folderSeparator() + L"Ostrand.ini", L"OstrandDlg", L"Year",
      L"");
  std::filesystem::current_path(before);

  EXPECT_EQ(here, join(platform::fullPath(scratch.wide()), L"Ostrand.ini"));
  EXPECT_TRUE(written);
  EXPECT_EQ(readFile(join(scratch.wide(), L"Ostrand.ini")), "[OstrandDlg]\r\nYear=26\r\n");
  EXPECT_EQ(read, L"26");
  EXPECT_EQ(dotted, L"26");
  EXPECT_EQ(platform::fullPath(L""), L"");
  EXPECT_EQ(platform::fullPath(here), here);
}

TEST(platform_test, seekAndTellUse64BitPositions) {
  ScratchFolder scratch;
  const std::wstring path = join(scratch.wide(), L"f.bin");
  ASSERT_TRUE(writeFile(path, "0123456789"));
  std::FILE* file = platform::openFile(path, "rb");
  ASSERT_NE(file, nullptr);
  const std::int64_t far = 5000000000LL;  // beyond 32 bits; seeking past the end is allowed
  EXPECT_TRUE(platform::seekFile(file, far, SEEK_SET));
  EXPECT_EQ(platform::tellFile(file), far);
  EXPECT_TRUE(platform::seekFile(file, 3, SEEK_SET));
  EXPECT_EQ(std::fgetc(file), '3');
  EXPECT_EQ(platform::tellFile(file), 4);
  EXPECT_TRUE(platform::seekFile(file, -2, SEEK_END));
  EXPECT_EQ(std::fgetc(file), '8');
  EXPECT_TRUE(platform::seekFile(file, 1, SEEK_CUR));
  EXPECT_EQ(platform::tellFile(file), 10);
  std::fclose(file);
}

TEST(platform_test, replaceFileAndDeleteFile) {
  ScratchFolder scratch;
  const std::wstring from = join(scratch.wide(), L"新.tmp");
  const std::wstring to = join(scratch.wide(), L"測量.dm");
  ASSERT_TRUE(writeFile(from, "new"));
  ASSERT_TRUE(writeFile(to, "old"));
  EXPECT_TRUE(platform::replaceFile(from, to));
  EXPECT_EQ(readFile(to), "new");
  EXPECT_EQ(readFile(from), "<missing>");
  EXPECT_FALSE(platform::replaceFile(from, to)) << "source gone";
  EXPECT_TRUE(platform::deleteFile(to));
  EXPECT_EQ(readFile(to), "<missing>");
  EXPECT_FALSE(platform::deleteFile(to));
}

#ifndef _WIN32
// A stand-in viewer on PATH records what it was asked to open; the call must not go through a
// shell (the name holds a quote, a blank and a dollar sign), and the viewer's output is silenced.
TEST(platform_test, openDocumentStartsXdgOpenWithThePath) {
  ScratchFolder scratch;
  const std::string bin = (scratch.path() / "bin").string();
  const std::string record = (scratch.path() / "opened.txt").string();
  ASSERT_TRUE(platform::createFolder(utf8ToWide(bin)));
  const std::string viewer = bin + "/xdg-open";
  ASSERT_TRUE(writeFile(utf8ToWide(viewer),
                        "#!/bin/sh\necho noise\nprintf '%s' \"$1\" > '" + record + ".tmp'\nmv '" +
                            record + ".tmp' '" + record + "'\n"));
  ASSERT_EQ(::chmod(viewer.c_str(), 0755), 0);
  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath != nullptr ? oldPath : "";
  ::setenv("PATH", (bin + ":/usr/bin:/bin").c_str(), 1);
  const std::wstring document = join(scratch.wide(), L"Ostrand 's $HOME.txt");
  platform::openDocument(document);
  ::setenv("PATH", savedPath.c_str(), 1);
  std::string opened;
  for (int i = 0; i < 100 && (opened = readFile(utf8ToWide(record))) == "<missing>"; ++i) {
    ::usleep(50000);
  }
  EXPECT_EQ(opened, wideToUtf8(document));
}

TEST(platform_test, openDocumentWithoutXdgOpenDoesNothing) {
  ScratchFolder scratch;
  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath != nullptr ? oldPath : "";
  ::setenv("PATH", scratch.path().c_str(), 1);
  platform::openDocument(join(scratch.wide(), L"x.txt"));
  ::setenv("PATH", savedPath.c_str(), 1);
}
#endif

// ---- Code pages ---------------------------------------------------------------------------

// Shift_JIS bytes of a JIS X 0208 character given by its row and cell (both 1 to 94).
std::string shiftJis(int row, int cell) {
  const int lead = (row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0);
  int trail;
  if (row % 2 == 1) {
    trail = cell + (cell <= 63 ? 0x3F : 0x40);
  } else {
    trail = cell + 0x9E;
  }
  return std::string{static_cast<char>(lead), static_cast<char>(trail)};
}

TEST(platform_test, codePage932RoundTripGivesTheShiftJisBytes) {
  // JIS X 0208 row-cell of 処 理 を 中 止 し ま す か ？
  const std::string question = shiftJis(29, 72) + shiftJis(45, 93) + shiftJis(4, 82) +
                               shiftJis(35, 70) + shiftJis(27, 63) + shiftJis(4, 23) +
                               shiftJis(4, 62) + shiftJis(4, 25) + shiftJis(4, 11) +
                               shiftJis(1, 9);
  ASSERT_EQ(question.substr(0, 2), "\x8F\x88");  // the table itself, checked once by hand
  struct Case {
    std::wstring text;
    std::string bytes;
  };
  const Case cases[] = {
      {L"処理を中止しますか？", question},
      {L"表示", shiftJis(41, 29) + shiftJis(28, 8)},  // 表 = 95 5C: trail byte is a backslash
      {L"ｿｸﾘｮｳ", "\xBF\xB8\xD8\xAE\xB3"},                // half-width katakana: one byte each
      {L"A-1 \\~", "A-1 \\~"},
      {L"～－", "\x81\x60\x81\x7C"},  // the full-width forms code page 932 maps
      {L"", ""},
  };
  for (const Case& c : cases) {
    bool lossy = true;
    EXPECT_EQ(hex(platform::toCodePage932(c.text, &lossy)), hex(c.bytes)) << utf8(c.text);
    EXPECT_FALSE(lossy) << utf8(c.text);
    EXPECT_EQ(platform::fromCodePage932(c.bytes), c.text) << hex(c.bytes);
  }
}

TEST(platform_test, codePage932ReportsCharactersItLacks) {
  struct Case {
    std::wstring text;
    std::string bytes;
    bool lossy;
  };
  const Case cases[] = {
      {L"測量", shiftJis(34, 12) + shiftJis(46, 44), false},
      {L"한글", "??", true},
      {L"¥100", "\\100", true},   // best fit: written as a backslash, yet reported
      {L"Café", "Cafe", true},    // best fit drops the accent
      {L"〜", "?", true},         // WAVE DASH: only its full-width form U+FF5E is in the code page
      {L"−", "?", true},          // MINUS SIGN, likewise (U+FF0D)
      {L"a\U00020BB7b", "a??b", true},  // beyond the BMP: one '?' per UTF-16 unit
  };
  for (const Case& c : cases) {
    bool lossy = !c.lossy;
    EXPECT_EQ(hex(platform::toCodePage932(c.text, &lossy)), hex(c.bytes)) << utf8(c.text);
    EXPECT_EQ(lossy, c.lossy) << utf8(c.text);
    EXPECT_EQ(platform::toCodePage932(c.text), c.bytes) << "without the flag";
  }
}

TEST(platform_test, codePage932DecodesUnmappedBytesLikeWindows) {
  struct Case {
    std::string bytes;
    std::wstring text;
  };
  const Case cases[] = {
      {"\x80", L"\u0080"},
      {"\xA0", L"\uF8F0"},
      {"\xFD\xFE\xFF", L"\uF8F1\uF8F2\uF8F3"},
      {"\xF0\x40", L"\uE000"},       // user-defined area
      {"\x81\x20" "a", L"\u30FBa"},  // lead byte with a bad trail byte: one default character
      {"a\x81", L"a\u30FB"},         // lead byte at the end
      {"\x85\x40", L"\u30FB"},       // unassigned pair
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::fromCodePage932(c.bytes), c.text) << hex(c.bytes);
  }
}

TEST(platform_test, ansiCodePageIsThatOfTheUserLocale) {
  // Windows under the Japanese locale: code page 932. Linux: UTF-8.
  bool lossy = true;
  const std::string sokuryo = kWindows ? shiftJis(34, 12) + shiftJis(46, 44) : "\xE6\xB8\xAC\xE9\x87\x8F";
  EXPECT_EQ(hex(platform::toAnsiCodePage(L"測量 A", &lossy)), hex(sokuryo + " A"));
  EXPECT_FALSE(lossy);
  EXPECT_EQ(platform::toAnsiCodePage(L"한", &lossy), kWindows ? "?" : "\xED\x95\x9C");
  EXPECT_EQ(lossy, kWindows);
}

TEST(platform_test, consoleTextComesBackAsItWasWritten) {
  const std::wstring text = L"測量データ 2024";
  EXPECT_EQ(platform::consoleTextToWide(platform::toConsoleText(text, stdout)), text);
  EXPECT_EQ(platform::consoleTextToWide(platform::toConsoleText(text, stderr)), text);
  // Code page 932 text reads as such on both: on Windows it is the Japanese console (or ANSI)
  // code page, on Linux the fallback for text that is not UTF-8.
  EXPECT_EQ(platform::consoleTextToWide(shiftJis(34, 12) + shiftJis(46, 44) + " A"), L"測量 A");
  EXPECT_EQ(platform::consoleTextToWide(""), L"");
#ifndef _WIN32
  EXPECT_EQ(platform::consoleTextToWide("\xE6\xB8\xAC\xE9\x87\x8F"), L"測量");
  EXPECT_EQ(platform::toConsoleText(L"測量", stdout), "\xE6\xB8\xAC\xE9\x87\x8F");
#endif
}

// ---- Profile files ------------------------------------------------------------------------

struct ProfileQuery {
  std::wstring section;
  std::wstring key;
  std::wstring defaultValue;
  std::wstring expected;
};

struct ProfileCase {
  const char* name;
  std::string text;  // the file's bytes (ASCII: Windows reads it in its code page, we in UTF-8)
  std::vector<ProfileQuery> queries;
};

// Each file with the values the Windows profile functions give for it.
const std::vector<ProfileCase>& profileCases() {
  static const std::vector<ProfileCase> cases = {
      {"names ignore case",
       "[OstrandDlg]\r\nInFolder=C:\\in\r\nYear=2024\r\n",
       {{L"OstrandDlg", L"InFolder", L"", L"C:\\in"},
        {L"ostranddlg", L"INFOLDER", L"", L"C:\\in"},
        {L"OSTRANDDLG", L"year", L"", L"2024"},
        {L"OstrandDlg", L"Month", L"3", L"3"},
        {L"Other", L"Year", L"none", L"none"},
        {L" OstrandDlg ", L" Year ", L"", L"2024"}}},
      {"blanks and quotes around values",
       "[S]\n"
       "A =  value with  blanks  \n"
       "  B\t=\tx\t\n"
       "C=\"quoted\"\n"
       "D='single'\n"
       "E=\" inner \"\n"
       "F=\"open\n"
       "G=\"\"\n"
       "H=\"a\"b\"\n"
       "I=\"\n"
       "J='mixed\"\n"
       "K=\n"
       "L=b=c\n",
       {{L"S", L"A", L"", L"value with  blanks"},
        {L"S", L"B", L"", L"x"},
        {L"S", L"C", L"", L"quoted"},
        {L"S", L"D", L"", L"single"},
        {L"S", L"E", L"", L" inner "},
        {L"S", L"F", L"", L"\"open"},
        {L"S", L"G", L"", L""},
        {L"S", L"H", L"", L"a\"b"},
        {L"S", L"I", L"", L"\""},
        {L"S", L"J", L"", L"'mixed\""},
        {L"S", L"K", L"dflt", L""},
        {L"S", L"L", L"", L"b=c"}}},
      {"keys without a value, comments",
       "[S]\nBare\n;A=1\nB=2\n",
       {{L"S", L"Bare", L"dflt", L"dflt"},
        {L"S", L"A", L"dflt", L"dflt"},
        {L"S", L";A", L"", L"1"},
        {L"S", L"B", L"", L"2"}}},
      {"duplicate sections and keys: the first wins",
       "[S]\nA=1\na=2\n[T]\nB=3\n[s]\nA=4\nC=5\n",
       {{L"S", L"A", L"", L"1"},
        {L"T", L"B", L"", L"3"},
        {L"S", L"C", L"dflt", L"dflt"}}},
      {"a key before any section",
       "A=0\r\n[S]\r\nB=1\r\n",
       {{L"S", L"A", L"dflt", L"dflt"}, {L"S", L"B", L"", L"1"}}},
      {"line ends CR LF and LF alike, no final line end",
       "\r\n[S]\r\nA=1\n\nB=2\r\n[T]\nC=3",
       {{L"S", L"A", L"", L"1"}, {L"S", L"B", L"", L"2"}, {L"T", L"C", L"", L"3"}}},
      {"section headers",
       "  [T]  \nB=2\n[ U ]\nC=3\n[V] ; note\nD=4\n[W]]\nE=5\n[X\nF=6\nMy Key = 7\n",
       {{L"T", L"B", L"", L"2"},
        {L"U", L"C", L"", L"3"},
        {L" U ", L"C", L"", L"3"},
        {L"V", L"D", L"", L"4"},
        {L"W]", L"E", L"", L"5"},
        {L"W", L"E", L"dflt", L"dflt"},
        {L"X", L"F", L"dflt", L"dflt"},    // no closing bracket: no section,
        {L"W]", L"F", L"", L"6"},          // its lines stay in the one before
        {L"W]", L"my key", L"", L"7"}}},
      {"byte order mark",
       "\xEF\xBB\xBF[S]\r\nA=1\r\n",
       {{L"S", L"A", L"dflt", L"1"}}},
      {"trailing spaces of the default are dropped",
       "[S]\nA=1\n",
       {{L"S", L"X", L"abc  ", L"abc"}, {L"S", L"X", L"  ", L" "}, {L"S", L"X", L"a\t", L"a\t"}}},
      {"empty file", "", {{L"S", L"A", L"dflt", L"dflt"}}},
  };
  return cases;
}

TEST(platform_test, readProfileStringFollowsTheWindowsRules) {
  ScratchFolder scratch;
  int index = 0;
  for (const ProfileCase& c : profileCases()) {
    const std::wstring file = join(scratch.wide(), L"case" + std::to_wstring(index++) + L".ini");
    ASSERT_TRUE(writeFile(file, c.text));
    for (const ProfileQuery& q : c.queries) {
      EXPECT_EQ(platform::readProfileString(file, q.section, q.key, q.defaultValue), q.expected)
          << c.name << ": [" << utf8(q.section) << "] " << utf8(q.key);
    }
  }
}

TEST(platform_test, readProfileStringOfAMissingFileGivesTheDefault) {
  ScratchFolder scratch;
  EXPECT_EQ(platform::readProfileString(join(scratch.wide(), L"無い.ini"), L"S", L"A", L"dflt"),
            L"dflt");
  EXPECT_EQ(platform::readProfileString(join(join(scratch.wide(), L"無い"), L"x.ini"), L"S", L"A",
                                        L""),
            L"");
}

TEST(platform_test, readProfileStringStopsAt8191Characters) {
  ScratchFolder scratch;
  const std::wstring file = join(scratch.wide(), L"long.ini");
  ASSERT_TRUE(writeFile(file, "[S]\nA=" + std::string(9000, 'x') + "\n"));
  EXPECT_EQ(platform::readProfileString(file, L"S", L"A", L""), std::wstring(8191, L'x'));
}

TEST(platform_test, writeProfileStringCreatesTheFileAndSection) {
  ScratchFolder scratch;
  const std::wstring file = join(scratch.wide(), L"Ostrand.ini");
  EXPECT_TRUE(platform::writeProfileString(file, L"OstrandDlg", L"Year", L"2024"));
  EXPECT_EQ(readFile(file), "[OstrandDlg]\r\nYear=2024\r\n");
  EXPECT_TRUE(platform::writeProfileString(file, L"OstrandDlg", L"Month", L"3"));
  EXPECT_TRUE(platform::writeProfileString(file, L"ostranddlg", L"YEAR", L"2025"));
  EXPECT_EQ(readFile(file), "[OstrandDlg]\r\nYear=2025\r\nMonth=3\r\n");
  EXPECT_TRUE(platform::writeProfileString(file, L"Other", L"Key", L"  v  "));
  EXPECT_EQ(platform::readProfileString(file, L"Other", L"Key", L""), L"v");
  EXPECT_EQ(platform::readProfileString(file, L"OstrandDlg", L"Year", L""), L"2025");
  EXPECT_EQ(platform::readProfileString(file, L"OstrandDlg", L"Month", L""), L"3");
  EXPECT_FALSE(platform::writeProfileString(join(join(scratch.wide(), L"無い"), L"x.ini"), L"S",
                                            L"A", L"1"));
}

TEST(platform_test, writeProfileStringKeepsTheOtherEntries) {
  ScratchFolder scratch;
  const std::wstring file = join(scratch.wide(), L"settings.ini");
  ASSERT_TRUE(writeFile(file,
                        "; settings\r\n"
                        "[First]\r\n"
                        "A = \"one\"\r\n"
                        "Bare\r\n"
                        "\r\n"
                        "[OstrandDlg]\r\n"
                        "Year=2020\r\n"
                        "Org=x\r\n"
                        "\r\n"
                        "[Last]\r\n"
                        "Z=26"));
  EXPECT_TRUE(platform::writeProfileString(file, L"OSTRANDDLG", L"year", L"2024"));
  EXPECT_TRUE(platform::writeProfileString(file, L"OstrandDlg", L"Month", L"7"));
  EXPECT_TRUE(platform::writeProfileString(file, L"First", L"Bare", L"now"));
  EXPECT_TRUE(platform::writeProfileString(file, L"Added", L"N", L"1"));
  const ProfileQuery expected[] = {
      {L"First", L"A", L"", L"one"},       {L"First", L"Bare", L"", L"now"},
      {L"OstrandDlg", L"Year", L"", L"2024"}, {L"OstrandDlg", L"Org", L"", L"x"},
      {L"OstrandDlg", L"Month", L"", L"7"},   {L"Last", L"Z", L"", L"26"},
      {L"Added", L"N", L"", L"1"},            {L"Last", L"Month", L"-", L"-"},
  };
  for (const ProfileQuery& q : expected) {
    EXPECT_EQ(platform::readProfileString(file, q.section, q.key, q.defaultValue), q.expected)
        << "[" << utf8(q.section) << "] " << utf8(q.key) << "\n" << readFile(file);
  }
}

TEST(platform_test, writeProfileStringRefusesLineBreaks) {
  ScratchFolder scratch;
  const std::wstring file = join(scratch.wide(), L"settings.ini");
  ASSERT_TRUE(platform::writeProfileString(file, L"S", L"A", L"1"));
  const std::string before = readFile(file);
  EXPECT_FALSE(platform::writeProfileString(file, L"S", L"A", L"x\r\n[T]\r\nB=2"));
  EXPECT_FALSE(platform::writeProfileString(file, L"S", L"A\nB", L"x"));
  EXPECT_FALSE(platform::writeProfileString(file, L"S\n", L"A", L"x"));
  EXPECT_FALSE(platform::writeProfileString(file, L"", L"A", L"x"));
  EXPECT_FALSE(platform::writeProfileString(file, L"S", L" ", L"x"));
  EXPECT_EQ(readFile(file), before);
}

TEST(platform_test, profileKeepsJapaneseValues) {
  ScratchFolder scratch;
  const std::wstring file = join(scratch.wide(), L"設定.ini");
  const std::wstring values[] = {L"C:\\測量\\入力データ", L"国土地理院 表示", L"ｿｸﾘｮｳ"};
  for (const std::wstring& value : values) {
    ASSERT_TRUE(platform::writeProfileString(file, L"OstrandDlg", L"Org", value));
    EXPECT_EQ(platform::readProfileString(file, L"OstrandDlg", L"Org", L""), value) << utf8(value);
  }
}

}  // namespace
