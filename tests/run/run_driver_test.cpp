#include "run/run_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <iostream>
#endif

#include "platform/platform.h"
#include "run/run_log_file.h"
#include "run_fakes.h"
#include "run_test_support.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace runtest;

const wchar_t kSameFolders[] = L"入力フォルダーと出力フォルダーが一致しています。";
const wchar_t kNoDmFiles[] = L"指定のフォルダーにDMファイルが見つかりませんでした";

// Points the user's temporary folder at a folder of the test's own, for as long as it lives.
class TemporaryFolderRedirect {
 public:
  explicit TemporaryFolderRedirect(const std::wstring& folder) {
#ifdef _WIN32
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t buffer[4096];
      const DWORD n = GetEnvironmentVariableW(name, buffer, 4096);
      saved_.push_back(n > 0 && n < 4096 ? std::wstring(buffer, n) : std::wstring());
      SetEnvironmentVariableW(name, folder.c_str());
    }
#else
    const char* old = std::getenv("TMPDIR");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    setenv("TMPDIR", wideToUtf8(folder).c_str(), 1);
#endif
  }
  ~TemporaryFolderRedirect() {
#ifdef _WIN32
    const wchar_t* names[] = {L"TMP", L"TEMP"};
    for (size_t i = 0; i < 2; ++i) {
      SetEnvironmentVariableW(names[i], saved_[i].empty() ? nullptr : saved_[i].c_str());
    }
#else
    if (hadOld_) {
      setenv("TMPDIR", old_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
#endif
  }

 private:
#ifdef _WIN32
  std::vector<std::wstring> saved_;
#else
  bool hadOld_ = false;
  std::string old_;
#endif
};

class run_driver_test : public testing::Test {
 protected:
  run_driver_test()
      : sep_(1, platform::folderSeparator()),
        inFolder_(scratch_.wide() + sep_ + L"in"),
        outFolder_(scratch_.wide() + sep_ + L"out"),
        tempFolder_(scratch_.wide() + sep_ + L"tmp"),
        redirect_(tempFolder_ + sep_),
        host_(state_),
        corrector_(state_),
        driver_(settings_, state_, log_, model_, corrector_, host_) {
    fs::create_directory(fsPath(inFolder_));
    fs::create_directory(fsPath(tempFolder_));
    settings_.inputFolder = inFolder_;
    settings_.outputFolder = outFolder_;
    settings_.year = 13;
    settings_.month = 4;
  }

  ~run_driver_test() override {
    // The wait cursor is balanced on every way out of a run.
    EXPECT_EQ(host_.waitCursorDepth, 0);
  }

  void inputFile(const std::wstring& name, const std::string& bytes = "x") {
    testsupport::writeBytes(fsPath(in(name)), bytes);
  }
  std::wstring in(const std::wstring& name) const { return inFolder_ + sep_ + name; }
  std::wstring out(const std::wstring& name) const { return outFolder_ + sep_ + name; }
  std::wstring runLog() const { return tempFolder_ + sep_ + L"Ostrand.txt"; }

  static std::wstring noIndexLine() { return L"インデックスファイル なし\r\n"; }
  static std::wstring badIndexLine(const std::wstring& path) {
    return L"インデックスファイル " + path + L"  不良\u3000系情報不定\r\n";
  }
  static std::wstring judgedIndexLine(const std::wstring& path, int zone) {
    return L"インデックスファイル " + path + L"  から\u3000" + std::to_wstring(zone) +
           L" 系\u3000と判定\r\n";
  }
  std::wstring fileLine(const std::wstring& name) const {
    return in(name) + L" から " + out(name) + L"\r\n";
  }

  // Execute with these folders shows the equal-folders refusal and nothing else happens; the
  // input file a.dm is unchanged.
  void expectRefusedAsSameFolder(const std::wstring& input, const std::wstring& output) {
    host_.messages.clear();
    settings_.inputFolder = input;
    settings_.outputFolder = output;
    driver_.execute();
    EXPECT_EQ(host_.messages, std::vector<std::wstring>{kSameFolders});
    expectNoRun();
    EXPECT_EQ(testsupport::readBytes(fsPath(input + sep_ + L"a.dm")), "x");
  }

  // Nothing of a run happened: no log, no file handed to the corrector, no run log file.
  void expectNoRun() const {
    EXPECT_TRUE(log_.empty());
    EXPECT_TRUE(corrector_.calls().empty());
    EXPECT_TRUE(host_.events.empty());
    EXPECT_TRUE(host_.openedLogs.empty());
    EXPECT_FALSE(testsupport::exists(fsPath(runLog())));
  }

  testsupport::ScratchFolder scratch_;
  const std::wstring sep_;
  const std::wstring inFolder_;
  const std::wstring outFolder_;
  const std::wstring tempFolder_;
  TemporaryFolderRedirect redirect_;

  JobSettings settings_;
  RunState state_;
  MessageLog log_;
  FakeModel model_;
  FakeHost host_;
  FakeCorrectors corrector_;
  RunDriver driver_;
};

// ---- The checks before a run ----------------------------------------------------------------

TEST_F(run_driver_test, failed_checks_show_one_message_with_every_line_in_order) {
  struct Case {
    const char* what;
    void (*change)(JobSettings&, FakeModel&);
    const wchar_t* message;  // nullptr: the checks pass and the run goes on
  };
  const Case cases[] = {
      {"all five",
       [](JobSettings& s, FakeModel& m) {
         s.inputFolder.clear();
         s.outputFolder.clear();
         m.loaded = false;
         s.year = 100;
         s.month = 13;
       },
       L"入力データフォルダーが指定されていません\r\n"
       L"出力データフォルダーが指定されていません\r\n"
       L"補正パラメーターが読み込まれていません\r\n"
       L"作成年は0から99で指定してください\r\n"
       L"作成月は1から12で指定してください\r\n"},
      {"output and month", [](JobSettings& s, FakeModel&) { s.outputFolder.clear(); s.month = 0; },
       L"出力データフォルダーが指定されていません\r\n作成月は1から12で指定してください\r\n"},
      {"parameters", [](JobSettings&, FakeModel& m) { m.loaded = false; },
       L"補正パラメーターが読み込まれていません\r\n"},
      {"year -1", [](JobSettings& s, FakeModel&) { s.year = -1; },
       L"作成年は0から99で指定してください\r\n"},
      {"year 0", [](JobSettings& s, FakeModel&) { s.year = 0; }, nullptr},
      {"year 99", [](JobSettings& s, FakeModel&) { s.year = 99; }, nullptr},
      {"month 1", [](JobSettings& s, FakeModel&) { s.month = 1; }, nullptr},
      {"month 12", [](JobSettings& s, FakeModel&) { s.month = 12; }, nullptr},
  };
  inputFile(L"a.dm");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    JobSettings settings = settings_;
    FakeModel model;
    c.change(settings, model);
    RunState state;
    MessageLog log;
    FakeHost host(state);
    FakeCorrectors corrector(state);
    RunDriver driver(settings, state, log, model, corrector, host);
    driver.execute();
    EXPECT_EQ(host.waitCursorDepth, 0);
    if (c.message == nullptr) {
      EXPECT_TRUE(host.messages.empty());
      EXPECT_EQ(corrector.calls().size(), 1u);
      continue;
    }
    EXPECT_EQ(host.messages, std::vector<std::wstring>{c.message});
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(corrector.calls().empty());
    EXPECT_FALSE(driver.summary().started);
  }
}

TEST_F(run_driver_test, unreadable_fields_stop_the_run_without_a_message_of_its_own) {
  host_.fieldsReadable = false;
  driver_.execute();
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(host_.waitCursorShown, 1);
  expectNoRun();
}

TEST_F(run_driver_test, equal_folders_are_refused_whatever_their_spelling) {
  inputFile(L"a.dm");
  fs::create_directory(fsPath(scratch_.wide() + sep_ + L"sub"));
  struct Case {
    const char* what;
    std::wstring output;
  };
  std::vector<Case> cases = {
      {"with trailing separator", inFolder_ + sep_},
      {"without trailing separator", inFolder_},
      {"A-Z in another case", scratch_.wide() + sep_ + L"IN"},
      {"through '.'", inFolder_ + sep_ + L"." + sep_},
      {"through '..'", scratch_.wide() + sep_ + L"sub" + sep_ + L".." + sep_ + L"in"},
  };
  std::error_code ec;
  fs::create_directory_symlink(fsPath(inFolder_), fsPath(scratch_.wide() + sep_ + L"link"), ec);
  if (!ec) cases.push_back({"through a symbolic link", scratch_.wide() + sep_ + L"link"});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host_.messages.clear();
    settings_.inputFolder = inFolder_;
    settings_.outputFolder = c.output;
    driver_.execute();
    EXPECT_EQ(host_.messages, std::vector<std::wstring>{kSameFolders});
    expectNoRun();
    EXPECT_EQ(testsupport::readBytes(fsPath(in(L"a.dm"))), "x");
  }
}

TEST_F(run_driver_test, folders_differing_in_a_full_width_letter_are_not_equal_as_text) {
  // U+FF21 and U+FF41 are the full-width A and a: only A to Z are compared without case.
  const std::wstring input = scratch_.wide() + sep_ + L"\uFF21";
  fs::create_directory(fsPath(input));
  testsupport::writeBytes(fsPath(input + sep_ + L"a.dm"), "x");
  settings_.inputFolder = input;
  settings_.outputFolder = scratch_.wide() + sep_ + L"\uFF41";
  driver_.execute();
#ifdef _WIN32
  // The Windows file system itself takes both names for one folder: refused by its identity.
  EXPECT_EQ(host_.messages, std::vector<std::wstring>{kSameFolders});
#else
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(corrector_.calls().size(), 1u);
#endif
}

#ifdef _WIN32

// Windows has more names for one folder than its text shows: the 8.3 short name, the \\?\ and
// \\.\ prefixes, '/' between folders, a trailing dot that the system drops.
TEST_F(run_driver_test, equal_folders_are_refused_through_windows_spellings) {
  const std::wstring input = scratch_.wide() + L"\\input folder with a long name";
  fs::create_directory(fsPath(input));
  testsupport::writeBytes(fsPath(input + L"\\a.dm"), "x");
  wchar_t shortName[MAX_PATH];
  const DWORD n = GetShortPathNameW(input.c_str(), shortName, MAX_PATH);
  ASSERT_TRUE(n > 0 && n < MAX_PATH) << GetLastError();
  ASSERT_NE(std::wstring(shortName), input) << "the system generated no 8.3 short name";
  std::wstring slashes = input;
  for (wchar_t& c : slashes) c = c == L'\\' ? L'/' : c;

  const struct {
    const char* what;
    std::wstring output;
  } cases[] = {
      {"8.3 short name", shortName},
      {"8.3 short name with a trailing backslash", std::wstring(shortName) + L"\\"},
      {"\\\\?\\ prefix", L"\\\\?\\" + input},
      {"\\\\.\\ prefix", L"\\\\.\\" + input},
      {"'/' between folders", slashes},
      {"trailing dot", input + L"."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    expectRefusedAsSameFolder(input, c.output);
    // The other way round: the input folder under the other name.
    expectRefusedAsSameFolder(c.output, input);
  }
}

namespace {

// A junction (a mount-point reparse point) at `link`, an existing empty folder, to `target`.
// Empty when made, else why not.
std::string makeJunction(const std::wstring& link, const std::wstring& target) {
  HANDLE handle = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return "the folder for the junction cannot be opened (error " +
           std::to_string(GetLastError()) + ")";
  }
  // The mount-point layout of REPARSE_DATA_BUFFER: tag, data length, reserved, then the offsets
  // and lengths (bytes) of the substitute and print names and the names themselves.
  const std::wstring substitute = L"\\??\\" + target;
  const WORD substituteBytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
  std::vector<char> buffer(16 + substituteBytes + 2 * sizeof(wchar_t), 0);
  const WORD dataLength = static_cast<WORD>(buffer.size() - 8);
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  const WORD fields[6] = {dataLength, 0, 0, substituteBytes,
                          static_cast<WORD>(substituteBytes + sizeof(wchar_t)), 0};
  std::memcpy(&buffer[0], &tag, 4);
  std::memcpy(&buffer[4], fields, sizeof fields);
  std::memcpy(&buffer[16], substitute.data(), substituteBytes);
  DWORD returned = 0;
  const BOOL ok = DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, buffer.data(),
                                  static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
  const DWORD error = GetLastError();
  CloseHandle(handle);
  if (!ok) return "FSCTL_SET_REPARSE_POINT fails (error " + std::to_string(error) + ")";
  return "";
}

// A directory symbolic link at `link` to `target`. Empty when made, else why not.
std::string makeDirectoryLink(const std::wstring& link, const std::wstring& target) {
  const DWORD allowUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  if (!CreateSymbolicLinkW(link.c_str(), target.c_str(),
                           SYMBOLIC_LINK_FLAG_DIRECTORY | allowUnprivileged)) {
    return "CreateSymbolicLinkW fails (error " + std::to_string(GetLastError()) + ")";
  }
  // Some systems report success without making the link.
  if (GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return "CreateSymbolicLinkW reports success but makes no link";
  }
  return "";
}

}  // namespace

// A junction, a directory symbolic link and the administrative share name of the input folder
// lead to the same folder: refused. Each is tried only where the system can make or reach it.
TEST_F(run_driver_test, equal_folders_are_refused_through_junctions_links_and_shares) {
  inputFile(L"a.dm");
  std::string missing;
  int tried = 0;

  const std::wstring junction = scratch_.wide() + L"\\junction";
  fs::create_directory(fsPath(junction));
  const std::string noJunction = makeJunction(junction, inFolder_);
  if (noJunction.empty()) {
    SCOPED_TRACE("junction");
    expectRefusedAsSameFolder(inFolder_, junction);
    ++tried;
  } else {
    missing += "junction: " + noJunction + "; ";
  }

  const std::wstring link = scratch_.wide() + L"\\link";
  const std::string noLink = makeDirectoryLink(link, inFolder_);
  if (noLink.empty()) {
    SCOPED_TRACE("directory symbolic link");
    expectRefusedAsSameFolder(inFolder_, link);
    ++tried;
  } else {
    missing += "directory link: " + noLink + "; ";
  }

  // \\localhost\C$\... for C:\...
  const bool onDrive = inFolder_.size() > 2 && inFolder_[1] == L':';
  const std::wstring share =
      onDrive ? L"\\\\localhost\\" + inFolder_.substr(0, 1) + L"$" + inFolder_.substr(2) : L"";
  if (onDrive && GetFileAttributesW(share.c_str()) != INVALID_FILE_ATTRIBUTES) {
    SCOPED_TRACE("administrative share");
    expectRefusedAsSameFolder(inFolder_, share);
    ++tried;
  } else {
    missing += "administrative share: not reachable (error " + std::to_string(GetLastError()) +
               "); ";
  }

  // Junctions and links are removed before the scratch folder, so that no target is emptied
  // through them.
  RemoveDirectoryW(junction.c_str());
  RemoveDirectoryW(link.c_str());
  if (tried == 0) GTEST_SKIP() << "this system can make none of them: " << missing;
  if (!missing.empty()) std::cout << "not tried here: " << missing << "\n";
}
#endif

TEST_F(run_driver_test, a_folder_without_dm_files_is_refused) {
  inputFile(L"notes.dm.txt");
  inputFile(L"index.dmi", "  07\r\n");
  fs::create_directory(fsPath(in(L"x.dm")));
  testsupport::writeBytes(fsPath(in(L"x.dm") + sep_ + L"inner.dm"), "x");
  for (const std::wstring& folder : {inFolder_, scratch_.wide() + sep_ + L"missing"}) {
    host_.messages.clear();
    settings_.inputFolder = folder;
    driver_.execute();
    EXPECT_EQ(host_.messages, std::vector<std::wstring>{kNoDmFiles});
    expectNoRun();
    EXPECT_FALSE(runtest::isFolder(outFolder_));  // the output folder is created only for a run
  }
}

TEST_F(run_driver_test, a_run_stopped_at_its_checks_leaves_an_earlier_run_log_untouched) {
  testsupport::writeBytes(fsPath(runLog()), "earlier run\r\n");
  settings_.year = 100;
  driver_.execute();
  EXPECT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(testsupport::readBytes(fsPath(runLog())), "earlier run\r\n");
  EXPECT_TRUE(host_.openedLogs.empty());
}

// ---- The index zone -------------------------------------------------------------------------

TEST_F(run_driver_test, settles_the_fallback_zone_from_the_first_index_file_or_the_zone_list) {
  enum class Line { None, Bad, Judged };
  struct IndexFile {
    const wchar_t* name;
    const char* bytes;
  };
  struct Case {
    const char* what;
    std::vector<IndexFile> files;
    int useFallback;
    int fallbackIndex;
    Line line;
    const wchar_t* lineFile;  // the index file the line names
    int lineZone;             // the zone the "judged" line shows
    int runZone;              // the zone each file starts from
  };
  const Case cases[] = {
      {"no index file", {}, 0, 8, Line::None, nullptr, 0, 0},
      {"no index file, zone list entry 8", {}, 1, 8, Line::None, nullptr, 0, 9},
      {"no index file, no entry selected", {}, 1, -1, Line::None, nullptr, 0, 0},
      {".dmi before .idx", {{L"a.dmi", "  07 sheet\r\n"}, {L"b.idx", "  09\r\n"}}, 0, 8,
       Line::Judged, L"a.dmi", 7, 7},
      {".idx when there is no .dmi", {{L"b.idx", "XY09\r\n"}}, 0, 8, Line::Judged, L"b.idx", 9, 9},
      {"only the first .dmi is read", {{L"a.dmi", "    \r\n"}, {L"b.dmi", "  03\r\n"}}, 0, 8,
       Line::Bad, L"a.dmi", 0, 0},
      {"a bad .dmi does not fall back to .idx", {{L"a.dmi", "ab  \r\n"}, {L"c.idx", "  04\r\n"}},
       1, 8, Line::Bad, L"a.dmi", 0, 9},
      {"an index zone beats the zone list", {{L"a.dmi", "  12\r\n"}}, 1, 8, Line::Judged,
       L"a.dmi", 12, 12},
      {"zone 45 passes through", {{L"a.dmi", "  45\r\n"}}, 0, 8, Line::Judged, L"a.dmi", 45, 45},
      // Logged as bad, yet kept as the run's zone without the zone list: the corrector refuses
      // every file whose sheet number gives no zone, as it does for 0.
      {"a negative zone is bad", {{L"a.dmi", "ab-3\r\n"}}, 0, 8, Line::Bad, L"a.dmi", 0, -3},
      {"a negative zone gives way to the list", {{L"a.dmi", "ab-3\r\n"}}, 1, 3, Line::Bad,
       L"a.dmi", 0, 4},
      {"an empty index file", {{L"a.dmi", ""}}, 1, 0, Line::Bad, L"a.dmi", 0, 1},
      {"upper-case extension", {{L"A.DMI", "  02"}}, 0, 8, Line::Judged, L"A.DMI", 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::ScratchFolder folder;
    const std::wstring input = folder.wide() + sep_;
    testsupport::writeBytes(fsPath(input + L"sheet.dm"), "x");
    for (const IndexFile& f : c.files) testsupport::writeBytes(fsPath(input + f.name), f.bytes);

    settings_.inputFolder = folder.wide();
    settings_.useFallbackZone = c.useFallback;
    settings_.fallbackZoneIndex = c.fallbackIndex;
    driver_.startRun();

    std::wstring line;
    if (c.line == Line::None) line = noIndexLine();
    if (c.line == Line::Bad) line = badIndexLine(input + c.lineFile);
    if (c.line == Line::Judged) line = judgedIndexLine(input + c.lineFile, c.lineZone);
    EXPECT_EQ(log_.text(), line + input + L"sheet.dm から " + out(L"sheet.dm") + L"\r\n");
    ASSERT_FALSE(corrector_.calls().empty());
    EXPECT_EQ(corrector_.calls().back().zone, c.runZone);
  }
}

// ---- The file loop --------------------------------------------------------------------------

// The names of the entries of a folder, sorted; empty when it is missing.
std::vector<std::wstring> namesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  std::error_code ec;
  for (fs::directory_iterator it(fsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
    names.push_back(utf8ToWide(it->path().filename().u8string()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(run_driver_test, corrects_every_dm_file_in_name_order_into_the_output_folder) {
  for (const wchar_t* name : {L"c.dm", L"A.dm", L"b.DM"}) inputFile(name);
  inputFile(L"zone.dmi", "  05\r\n");
  settings_.outputFolder = outFolder_ + sep_ + L"x" + sep_ + L"y";  // missing levels are created
  const std::wstring output = settings_.outputFolder + sep_;
  corrector_.scripts[L"b.DM"] = Script::Refuse;
  corrector_.scripts[L"c.dm"] = Script::Fail;
  log_.logLine(L"an earlier run");
  state_.pointErrorCount = 42;
  driver_.setWorkerCount(1);

  driver_.execute();

  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(settings_.inputFolder, inFolder_ + sep_);
  EXPECT_EQ(settings_.outputFolder, output);
  EXPECT_TRUE(runtest::isFolder(output));
  EXPECT_EQ(state_.pointErrorCount, 0);

  const std::wstring names[] = {L"A.dm", L"b.DM", L"c.dm"};
  const std::vector<FakeCorrectors::Call> calls = corrector_.calls();
  ASSERT_EQ(calls.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(calls[i].input, in(names[i]));  // one worker takes them in list order
    EXPECT_EQ(calls[i].output, output + names[i]);
    EXPECT_EQ(calls[i].zone, 5);  // every file starts from the run's zone
    EXPECT_EQ(calls[i].running, 1);
  }
  EXPECT_EQ(corrector_.created, 1);
  // The corrected copy is in place under its name; nothing else is left in the folder.
  EXPECT_EQ(namesIn(output), std::vector<std::wstring>{L"A.dm"});
  EXPECT_EQ(testsupport::readBytes(fsPath(output + L"A.dm")), "corrected A.dm");

  ASSERT_GE(host_.events.size(), 2u);
  EXPECT_EQ(host_.events.front(), L"Begin");
  EXPECT_EQ(host_.events.back(), L"End");
  EXPECT_EQ(log_.text(), judgedIndexLine(in(L"zone.dmi"), 5) +
                             in(L"A.dm") + L" から " + output + L"A.dm\r\n" +
                             in(L"b.DM") + L" から " + output + L"b.DM\r\nrefused b.DM\r\n" +
                             in(L"c.dm") + L" から " + output + L"c.dm\r\nfailed c.dm\r\n");
  EXPECT_EQ(state_.running, 0);

  const RunSummary& summary = driver_.summary();
  EXPECT_TRUE(summary.started);
  EXPECT_FALSE(summary.cancelled);
  EXPECT_EQ(summary.corrected, 1);
  EXPECT_EQ(summary.refused, 1);
  EXPECT_EQ(summary.failed, 1);
  EXPECT_EQ(summary.fallbackZone, 5);
  EXPECT_FALSE(summary.everythingCorrected());
  // One outcome per file, in run order, with the result the corrector gave.
  ASSERT_EQ(summary.files.size(), 3u);
  const FileResult results[] = {FileResult::Corrected, FileResult::Refused, FileResult::Failed};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(summary.files[i].inputPath, in(names[i]));
    EXPECT_EQ(summary.files[i].outputPath, output + names[i]);
    EXPECT_TRUE(summary.files[i].started);
    EXPECT_EQ(summary.files[i].result, results[i]);
  }
  EXPECT_EQ(host_.waitCursorShown, 1);
}

TEST_F(run_driver_test, every_worker_count_gives_the_log_and_the_outputs_of_one_worker) {
  // Twelve files of different sizes and times, so that the workers take and finish them out of
  // order: point failures past the run's limit of 100 spread over four files (the limit falls
  // inside f05), refusals and failures among them.
  struct File {
    const wchar_t* name;
    int bytes;
    int milliseconds;
    int pointErrors;
    Script script;
  };
  const File files[] = {
      {L"f01.dm", 300, 30, 0, Script::Correct},  {L"f02.dm", 10, 1, 40, Script::Correct},
      {L"f03.dm", 50, 5, 0, Script::Refuse},     {L"f04.dm", 700, 40, 30, Script::Correct},
      {L"f05.dm", 20, 2, 45, Script::Fail},      {L"f06.dm", 5, 0, 0, Script::Correct},
      {L"f07.dm", 900, 20, 0, Script::Fail},     {L"f08.dm", 40, 3, 0, Script::Correct},
      {L"f09.dm", 60, 10, 20, Script::Correct},  {L"f10.dm", 1000, 25, 0, Script::Refuse},
      {L"f11.dm", 1, 0, 0, Script::Correct},     {L"f12.dm", 200, 15, 0, Script::Correct},
  };
  std::wstring expected = noIndexLine();
  std::vector<std::wstring> corrected;
  int listed = 0;
  for (const File& f : files) {
    inputFile(f.name, std::string(static_cast<size_t>(f.bytes), 'x'));
    corrector_.scripts[f.name] = f.script;
    corrector_.delayMs[f.name] = f.milliseconds;
    corrector_.pointErrors[f.name] = f.pointErrors;
    expected += fileLine(f.name);
    for (int i = 1; i <= f.pointErrors; ++i) {
      if (listed == 100) break;
      expected += L"point " + std::to_wstring(i) + L" of " + f.name + L"\r\n";
      if (++listed == 100) expected += L"同一のエラーが100件を超えました、以降のエラーはリストされません\r\n";
    }
    if (f.script == Script::Refuse) expected += std::wstring(L"refused ") + f.name + L"\r\n";
    if (f.script == Script::Fail) expected += std::wstring(L"failed ") + f.name + L"\r\n";
    if (f.script == Script::Correct) corrected.push_back(f.name);
  }

  // Each file's counts as its corrector notes them: they reach the summary in file order.
  corrector_.fillOutcome = [](FileOutcome& outcome) {
    outcome.points = static_cast<long long>(outcome.inputPath.size()) * 10;
    outcome.pointsNotCorrected = outcome.inputPath[outcome.inputPath.size() - 4] - L'0';
  };
  for (int workers : {1, 2, 4, 7}) {
    SCOPED_TRACE(workers);
    fs::remove_all(fsPath(outFolder_));
    driver_.setWorkerCount(workers);
    driver_.execute();
    EXPECT_EQ(log_.text(), expected);
    ASSERT_EQ(driver_.summary().files.size(), 12u);
    for (size_t i = 0; i < 12; ++i) {
      const FileOutcome& outcome = driver_.summary().files[i];
      EXPECT_EQ(outcome.inputPath, in(files[i].name));
      EXPECT_TRUE(outcome.started);
      EXPECT_EQ(outcome.points, static_cast<long long>(in(files[i].name).size()) * 10);
      EXPECT_EQ(outcome.pointsNotCorrected, static_cast<long long>((i + 1) % 10));
      const FileResult expectedResult = files[i].script == Script::Refuse ? FileResult::Refused
                                        : files[i].script == Script::Fail ? FileResult::Failed
                                                                          : FileResult::Corrected;
      EXPECT_EQ(outcome.result, expectedResult);
    }
    EXPECT_EQ(state_.pointErrorCount, 100);
    EXPECT_EQ(namesIn(outFolder_), corrected);
    for (const std::wstring& name : corrected) {
      EXPECT_EQ(testsupport::readBytes(fsPath(out(name))), "corrected " + wideToUtf8(name));
    }
    const RunSummary& summary = driver_.summary();
    EXPECT_EQ(summary.corrected, 8);
    EXPECT_EQ(summary.refused, 2);
    EXPECT_EQ(summary.failed, 2);
    EXPECT_FALSE(summary.cancelled);
    // The bar moves forward only, over the bytes of all files.
    for (size_t i = 1; i < host_.ratios.size(); ++i) {
      EXPECT_LE(host_.ratios[i - 1], host_.ratios[i]);
    }
    EXPECT_LE(host_.ratios.back(), 1.0);
    host_.ratios.clear();
  }
}

TEST_F(run_driver_test, several_workers_start_the_largest_files_first) {
  const struct {
    const wchar_t* name;
    int bytes;
  } files[] = {{L"a.dm", 10}, {L"b.dm", 500}, {L"c.dm", 20}, {L"d.dm", 300}};
  for (const auto& f : files) {
    inputFile(f.name, std::string(static_cast<size_t>(f.bytes), 'x'));
    corrector_.delayMs[f.name] = 50;
  }
  driver_.setWorkerCount(2);
  driver_.startRun();
  std::vector<std::wstring> started;
  for (const FakeCorrectors::Call& call : corrector_.calls()) {
    started.push_back(FakeCorrectors::nameOf(call.input));
  }
  ASSERT_EQ(started.size(), 4u);
  std::sort(started.begin(), started.begin() + 2);
  std::sort(started.begin() + 2, started.end());
  EXPECT_EQ(started, (std::vector<std::wstring>{L"b.dm", L"d.dm", L"a.dm", L"c.dm"}));
  EXPECT_EQ(log_.text(), noIndexLine() + fileLine(L"a.dm") + fileLine(L"b.dm") +
                             fileLine(L"c.dm") + fileLine(L"d.dm"));
}

TEST_F(run_driver_test, the_status_line_shows_the_lowest_numbered_file_in_work) {
  const wchar_t* names[] = {L"a.dm", L"b.dm", L"c.dm"};
  for (const wchar_t* name : names) {
    inputFile(name);
    corrector_.scripts[name] = Script::WaitForRelease;
  }
  // A file is let go only once the status line has shown it.
  host_.onReport = [this] {
    const std::vector<std::wstring> texts = host_.texts();
    if (texts.empty()) return;
    const std::wstring& last = texts.back();
    corrector_.release(last.substr(last.rfind(sep_) + 1));
  };
  for (int workers : {1, 3}) {
    SCOPED_TRACE(workers);
    host_.events.clear();
    driver_.setWorkerCount(workers);
    driver_.startRun();
    std::vector<std::wstring> expected;
    for (int i = 0; i < 3; ++i) {
      expected.push_back(L"[" + std::to_wstring(i + 1) + L"/3] " + in(names[i]) + L" ==> " +
                         out(names[i]));
    }
    EXPECT_EQ(host_.texts(), expected);
    EXPECT_EQ(driver_.summary().corrected, 3);
    corrector_.forget();
  }
}

// The corrector's counts reach the summary's totals; a run is clean only when every file was
// corrected with every point and corner.
TEST_F(run_driver_test, the_summary_adds_up_the_outcomes_of_the_files) {
  for (const wchar_t* name : {L"a.dm", L"b.dm"}) inputFile(name);
  const struct {
    const char* name;
    long long pointsNotCorrected;
    int cornersNotCorrected;
    Script b;
    bool clean;
  } cases[] = {
      {"all corrected", 0, 0, Script::Correct, true},
      {"a point not corrected", 1, 0, Script::Correct, false},
      {"a corner not corrected", 0, 1, Script::Correct, false},
      {"a file refused", 0, 0, Script::Refuse, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    corrector_.scripts[L"b.dm"] = c.b;
    corrector_.fillOutcome = [&c](FileOutcome& outcome) {
      outcome.points = 10;
      outcome.pointsCorrected = 10 - c.pointsNotCorrected;
      outcome.pointsNotCorrected = c.pointsNotCorrected;
      outcome.cornersNotCorrected = c.cornersNotCorrected;
    };
    driver_.startRun();
    const RunSummary& summary = driver_.summary();
    EXPECT_EQ(summary.points(), 20);
    EXPECT_EQ(summary.pointsCorrected(), 20 - 2 * c.pointsNotCorrected);
    EXPECT_EQ(summary.pointsNotCorrected(), 2 * c.pointsNotCorrected);
    EXPECT_EQ(summary.cornersNotCorrected(), 2 * c.cornersNotCorrected);
    EXPECT_EQ(summary.everythingCorrected(), c.clean);
  }
}

// A dry run creates no output folder; the files are handed to the corrector all the same.
TEST_F(run_driver_test, a_dry_run_creates_no_output_folder) {
  inputFile(L"a.dm");
  settings_.outputFolder = outFolder_ + sep_ + L"x";
  driver_.setDryRun(true);
  corrector_.writesNothing = true;
  driver_.startRun();
  EXPECT_EQ(corrector_.calls().size(), 1u);
  EXPECT_EQ(log_.text(), noIndexLine() + in(L"a.dm") + L" から " + outFolder_ + sep_ + L"x" +
                             sep_ + L"a.dm\r\n");
  EXPECT_FALSE(testsupport::exists(fsPath(outFolder_)));
}

TEST_F(run_driver_test, every_output_file_keeps_its_input_file_name) {
  std::vector<std::wstring> names = {L".dm", L"a.b.dm", L"図郭 01.Dm"};
  // Linux allows a backslash in a name; it must not be taken for a folder separator, or
  // "x\b.dm" would overwrite the output of "b.dm".
  if (sep_ == L"/") names.insert(names.end(), {L"b.dm", L"x\\b.dm"});
  for (const std::wstring& name : names) inputFile(name);
  driver_.startRun();
  ASSERT_EQ(corrector_.calls().size(), names.size());
  for (const FakeCorrectors::Call& call : corrector_.calls()) {
    EXPECT_EQ(call.output, out(call.input.substr(inFolder_.size() + 1)));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(namesIn(outFolder_), names);
}

// ---- Putting the copies in place ------------------------------------------------------------

// Copy operations that fail for chosen output names, and note the order of the renames.
class FailingCopies : public CopyOperations {
 public:
  bool flush(const std::wstring& copy) override {
    if (copy.find(failFlush) != std::wstring::npos) return false;
    return CopyOperations::flush(copy);
  }
  bool place(const std::wstring& copy, const std::wstring& outputPath) override {
    placed.push_back(FakeCorrectors::nameOf(outputPath));
    if (outputPath.find(failPlace) != std::wstring::npos) return false;
    return CopyOperations::place(copy, outputPath);
  }
  std::wstring failFlush = L"never";
  std::wstring failPlace = L"never";
  std::vector<std::wstring> placed;  // only the committer's threads write it, one at a time
};

TEST_F(run_driver_test, a_copy_that_cannot_be_put_on_the_disk_or_in_place_fails_its_file) {
  for (const wchar_t* name : {L"a.dm", L"b.dm", L"c.dm", L"d.dm"}) inputFile(name);
  corrector_.delayMs[L"a.dm"] = 40;  // the others finish first and wait for it
  fs::create_directories(fsPath(outFolder_));
  testsupport::writeBytes(fsPath(out(L"b.dm")), "earlier b");
  testsupport::writeBytes(fsPath(out(L"c.dm")), "earlier c");
  FailingCopies copies;
  copies.failFlush = L"b.dm";
  copies.failPlace = L"c.dm";
  driver_.setCopyOperations(copies);
  driver_.setWorkerCount(4);

  driver_.startRun();

  EXPECT_EQ(log_.text(), noIndexLine() + fileLine(L"a.dm") + fileLine(L"b.dm") + out(L"b.dm") +
                             L" 書き込み失敗\r\n" + fileLine(L"c.dm") + out(L"c.dm") +
                             L" 書き込み失敗\r\n" + fileLine(L"d.dm"));
  EXPECT_EQ(copies.placed, (std::vector<std::wstring>{L"a.dm", L"c.dm", L"d.dm"}));
  EXPECT_EQ(namesIn(outFolder_), (std::vector<std::wstring>{L"a.dm", L"b.dm", L"c.dm", L"d.dm"}));
  EXPECT_EQ(testsupport::readBytes(fsPath(out(L"b.dm"))), "earlier b");
  EXPECT_EQ(testsupport::readBytes(fsPath(out(L"c.dm"))), "earlier c");
  EXPECT_EQ(testsupport::readBytes(fsPath(out(L"d.dm"))), "corrected d.dm");
  EXPECT_EQ(driver_.summary().corrected, 2);
  EXPECT_EQ(driver_.summary().failed, 2);
}

// ---- Cancellation ---------------------------------------------------------------------------

TEST_F(run_driver_test, a_yes_to_the_cancel_question_ends_the_run_after_the_current_file) {
  for (const wchar_t* name : {L"a.dm", L"b.dm", L"c.dm"}) inputFile(name);
  fs::create_directories(fsPath(outFolder_));
  for (const wchar_t* name : {L"a.dm", L"b.dm", L"c.dm"}) {
    testsupport::writeBytes(fsPath(out(name)), "earlier");
  }
  corrector_.scripts[L"b.dm"] = Script::WaitForCancel;
  host_.answerYes = true;
  // The Cancel button, clicked while b.dm is worked on.
  host_.onReport = [this] {
    if (corrector_.started(L"b.dm") && host_.questions.empty()) driver_.execute();
  };
  driver_.setWorkerCount(1);

  driver_.execute();

  EXPECT_EQ(host_.questions, std::vector<std::wstring>{L"処理を中止しますか？"});
  ASSERT_EQ(corrector_.calls().size(), 2u);  // c.dm is not touched
  const std::wstring expected = noIndexLine() + fileLine(L"a.dm") + fileLine(L"b.dm") +
                                L"----キャンセル----\r\n中断しました\r\n";
  EXPECT_EQ(log_.text(), expected);
  EXPECT_EQ(state_.cancelRequested, 1);
  EXPECT_EQ(state_.running, 0);
  EXPECT_EQ(host_.events.back(), L"End");
  EXPECT_TRUE(driver_.summary().cancelled);
  EXPECT_EQ(driver_.summary().corrected, 1);
  EXPECT_EQ(namesIn(outFolder_), (std::vector<std::wstring>{L"a.dm", L"b.dm", L"c.dm"}));
  EXPECT_EQ(testsupport::readBytes(fsPath(out(L"a.dm"))), "corrected a.dm");
  EXPECT_EQ(testsupport::readBytes(fsPath(out(L"b.dm"))), "earlier");
  EXPECT_EQ(testsupport::readBytes(fsPath(out(L"c.dm"))), "earlier");
  EXPECT_FALSE(driver_.summary().everythingCorrected());
  // c.dm is in the summary, not started.
  const std::vector<FileOutcome>& files = driver_.summary().files;
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[1].result, FileResult::Cancelled);
  EXPECT_EQ(files[1].reason, L"中断しました");
  EXPECT_FALSE(files[2].started);
  EXPECT_EQ(files[2].inputPath, in(L"c.dm"));
  EXPECT_EQ(files[2].outputPath, out(L"c.dm"));

  // The cancelled run's log is written and opened like any other.
  EXPECT_EQ(host_.openedLogs, std::vector<std::wstring>{runLog()});
  EXPECT_EQ(testsupport::readBytes(fsPath(runLog())), runLogFileBytes(expected));
}

TEST_F(run_driver_test, a_cancelled_parallel_run_keeps_the_files_before_the_first_unfinished_one) {
  // Eight files, four workers; d.dm waits until the run is cancelled, the others finish at once
  // or a little later. Whichever file is the first unfinished one when the Yes comes (d.dm at
  // the latest), the run ends as a run of one file after the other ends when it is cancelled
  // in that file: the files before it in place, that file and all later ones not (the earlier
  // outputs of their names untouched), the log up to that file's line, then the two lines.
  const std::vector<std::wstring> names = {L"a.dm", L"b.dm", L"c.dm", L"d.dm",
                                           L"e.dm", L"f.dm", L"g.dm", L"h.dm"};
  for (const std::wstring& name : names) inputFile(name);
  corrector_.scripts[L"d.dm"] = Script::WaitForCancel;
  corrector_.delayMs[L"b.dm"] = 20;
  corrector_.pointErrors[L"a.dm"] = 2;
  fs::create_directories(fsPath(outFolder_));
  for (const std::wstring& name : names) testsupport::writeBytes(fsPath(out(name)), "earlier");
  host_.answerYes = true;
  host_.onReport = [this] {
    if (corrector_.started(L"d.dm") && corrector_.calls().size() >= 6 && host_.questions.empty()) {
      driver_.execute();
    }
  };
  driver_.setWorkerCount(4);

  driver_.execute();

  ASSERT_EQ(host_.questions.size(), 1u);
  // The cut: the first file whose output is not the new one.
  size_t cut = 0;
  while (cut < names.size() &&
         testsupport::readBytes(fsPath(out(names[cut]))) == "corrected " + wideToUtf8(names[cut])) {
    ++cut;
  }
  ASSERT_LE(cut, 3u);
  std::wstring expected = noIndexLine();
  for (size_t i = 0; i < cut; ++i) {
    expected += fileLine(names[i]);
    if (i == 0) expected += L"point 1 of a.dm\r\npoint 2 of a.dm\r\n";
  }
  expected += fileLine(names[cut]) + L"----キャンセル----\r\n中断しました\r\n";
  EXPECT_EQ(log_.text(), expected);
  for (size_t i = cut; i < names.size(); ++i) {
    EXPECT_EQ(testsupport::readBytes(fsPath(out(names[i]))), "earlier") << wideToUtf8(names[i]);
  }
  EXPECT_EQ(namesIn(outFolder_), names);  // no temporary file is left
  EXPECT_EQ(driver_.summary().corrected, static_cast<int>(cut));
  EXPECT_TRUE(driver_.summary().cancelled);
  EXPECT_EQ(state_.pointErrorCount, cut > 0 ? 2 : 0);
  // The summary: the files before the cut as corrected, the cut file cancelled, every later one
  // not started (whether a worker had taken it or not).
  const std::vector<FileOutcome>& files = driver_.summary().files;
  ASSERT_EQ(files.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(files[i].started, i <= cut);
    if (i < cut) EXPECT_EQ(files[i].result, FileResult::Corrected);
    if (i == cut) EXPECT_EQ(files[i].result, FileResult::Cancelled);
    EXPECT_EQ(files[i].reason, i == cut ? L"中断しました" : L"");
    EXPECT_EQ(files[i].inputPath, in(names[i]));
  }
}

TEST_F(run_driver_test, a_no_to_the_cancel_question_leaves_the_run_going) {
  for (const wchar_t* name : {L"a.dm", L"b.dm", L"c.dm"}) {
    inputFile(name);
    corrector_.delayMs[name] = 20;
  }
  host_.answerYes = false;
  host_.onReport = [this] {
    if (host_.questions.empty()) driver_.execute();
  };

  driver_.execute();

  EXPECT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(corrector_.calls().size(), 3u);
  EXPECT_EQ(log_.text(), noIndexLine() + fileLine(L"a.dm") + fileLine(L"b.dm") + fileLine(L"c.dm"));
  EXPECT_EQ(state_.cancelRequested, 0);
  EXPECT_EQ(driver_.summary().corrected, 3);
}

TEST_F(run_driver_test, the_workers_wait_while_the_cancel_question_is_open) {
  for (const wchar_t* name : {L"a.dm", L"b.dm", L"c.dm", L"d.dm", L"e.dm"}) {
    inputFile(name);
    corrector_.delayMs[name] = 5;
  }
  size_t startedBefore = 0;
  size_t startedAfter = 0;
  host_.whileAsking = [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the files in work end
    startedBefore = corrector_.calls().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    startedAfter = corrector_.calls().size();
  };
  host_.onReport = [this] {
    if (!corrector_.calls().empty() && host_.questions.empty()) driver_.execute();
  };
  driver_.setWorkerCount(2);

  driver_.execute();

  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(startedAfter, startedBefore);
  EXPECT_EQ(corrector_.calls().size(), 5u);  // No: the run goes on
  EXPECT_EQ(driver_.summary().corrected, 5);
}

// ---- The run log file -----------------------------------------------------------------------

TEST_F(run_driver_test, a_completed_run_replaces_the_run_log_file_and_opens_it) {
  testsupport::writeBytes(fsPath(runLog()), std::string(5000, 'z'));  // an earlier, longer log
  inputFile(L"a.dm");
  driver_.execute();

  EXPECT_EQ(host_.openedLogs, std::vector<std::wstring>{runLog()});
  const std::string bytes = testsupport::readBytes(fsPath(runLog()));
  EXPECT_EQ(bytes, runLogFileBytes(noIndexLine() + fileLine(L"a.dm")));
  // Every line ends with exactly one CR LF.
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') {
      EXPECT_EQ(bytes[i - 1], '\r');
    }
    if (bytes[i] == '\r') {
      EXPECT_EQ(bytes[i + 1], '\n');
    }
  }
  EXPECT_EQ(bytes.find("\r\r"), std::string::npos);
}

TEST_F(run_driver_test, a_run_log_that_cannot_be_created_is_reported_and_not_opened) {
  inputFile(L"a.dm");
  const std::wstring missing = scratch_.wide() + sep_ + L"no such folder" + sep_;
  TemporaryFolderRedirect redirect(missing);
  driver_.execute();
  EXPECT_EQ(corrector_.calls().size(), 1u);
  EXPECT_EQ(host_.messages, std::vector<std::wstring>{L"ログファイル " + missing +
                                                      L"Ostrand.txt を作成できませんでした"});
  EXPECT_TRUE(host_.openedLogs.empty());
}

}  // namespace
