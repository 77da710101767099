// The batch front end on a Windows console: text reaches a console as wide characters, whole
// lines at a time, whatever the console's code page, while files and pipes get the bytes. Checked
// on a console of the test's own (AllocConsole) by reading its screen buffer back, for the write
// path itself and for ostrand-batch.exe started on that console.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "batch/batch_options.h"
#include "batch/console.h"
#include "common/text_format.h"
#include "test_support.h"

namespace {

// A console of the test's own, replacing whatever console the test process had. Under Wine a
// console needs a display (Xvfb in the test scripts); without one its handles have no console
// mode and the tests skip.
class OwnConsole : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    screen_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(screen_, INVALID_HANDLE_VALUE);
    DWORD mode = 0;
    if (!GetConsoleMode(screen_, &mode)) GTEST_SKIP() << "no console can be made here (no display)";
  }

  void TearDown() override {
    if (stream_ != nullptr) std::fclose(stream_);
    if (screen_ != INVALID_HANDLE_VALUE) CloseHandle(screen_);
    FreeConsole();
  }

  // A stdio stream on the console, as stdout is when the program runs in a console window.
  std::FILE* consoleStream() {
    HANDLE handle = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    stream_ = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY), "wb");
    return stream_;
  }

  // Everything on the screen up to the cursor's line, without the blanks (a wide character may
  // take one cell or two, and long lines wrap).
  std::wstring screenText() const {
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(screen_, &info);
    std::wstring text;
    std::vector<wchar_t> row(static_cast<size_t>(info.dwSize.X));
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
      DWORD read = 0;
      ReadConsoleOutputCharacterW(screen_, row.data(), static_cast<DWORD>(row.size()), {0, y},
                                  &read);
      text.append(row.data(), read);
    }
    return withoutBlanks(text);
  }

  static std::wstring withoutBlanks(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
      if (c != L' ' && c != L'\r' && c != L'\n' && c != L'\u3000') out += c;
    }
    return out;
  }

  HANDLE screen_ = INVALID_HANDLE_VALUE;
  std::FILE* stream_ = nullptr;
};

TEST_F(OwnConsole, only_a_console_handle_counts_as_a_console) {
  EXPECT_TRUE(isConsole(consoleStream()));

  testsupport::ScratchFolder folder;
  std::FILE* file = _wfopen(folder.wide(L"out.txt").c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(isConsole(file));
  std::fclose(file);

  std::FILE* nul = _wfopen(L"NUL", L"wb");  // a character device without a console mode
  ASSERT_NE(nul, nullptr);
  EXPECT_FALSE(isConsole(nul));
  std::fclose(nul);

  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  std::FILE* pipe = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_WRONLY), "wb");
  EXPECT_FALSE(isConsole(pipe));
  std::fclose(pipe);
  CloseHandle(readEnd);
}

// Japanese lines arrive whole and readable, whichever code page the console has.
TEST_F(OwnConsole, japanese_text_reaches_the_console_as_wide_characters) {
  std::FILE* console = consoleStream();
  for (UINT codePage : {437u, 932u}) {
    SCOPED_TRACE(codePage);
    SetConsoleOutputCP(codePage);
    const std::wstring text = formatText(L"コードページ %d: 補正しました\n図郭座標の表（系）\n",
                                         static_cast<int>(codePage));
    writeText(console, text);
    const std::wstring screen = screenText();
    EXPECT_NE(screen.find(withoutBlanks(text)), std::wstring::npos)
        << testing::PrintToString(screen);
  }
}

// A grid of 1681 points around zone 9's origin: enough for a run to start.
std::string smallParameterFile() {
  std::string text = "Console test grid for Tarnwick Ver 7\r\n";
  for (int line = 2; line <= 15; ++line) text += formatText("header line %d\r\n", line);
  text += "MeshCode   dB(sec)   dL(sec)\r\n";
  for (int row = 4300; row <= 4340; ++row) {
    for (int column = 3170; column <= 3210; ++column) {
      const int meshCode = (row / 80) * 1000000 + (column / 80) * 10000 +
                           (row % 80 / 10) * 1000 + (column % 80 / 10) * 100 + (row % 10) * 10 +
                           column % 10;
      text += formatText("%8d%10.5f%10.5f%10.5f\r\n", meshCode, 0.0, 0.0, 0.0);
    }
  }
  return text;
}

// Runs ostrand-batch.exe (beside the test) with its standard output and error on the console;
// returns its exit status.
DWORD runBatchOnConsole(const std::wstring& arguments) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring program = std::filesystem::path(self).parent_path() / L"ostrand-batch.exe";
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = out;
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  PROCESS_INFORMATION process = {};
  DWORD status = 9999;
  if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, 120000);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
  CloseHandle(in);
  return status;
}

TEST_F(OwnConsole, ostrand_batch_speaks_readable_japanese_on_a_console) {
  SetConsoleOutputCP(932);
  // The help on stdout.
  EXPECT_EQ(runBatchOnConsole(L"--help"), 0u);
  std::wstring screen = screenText();
  EXPECT_NE(screen.find(withoutBlanks(batchUsage())), std::wstring::npos)
      << testing::PrintToString(screen);

  // A usage error on stderr.
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  CloseHandle(screen_);
  screen_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(runBatchOnConsole(L"--bogus"), 2u);
  screen = screenText();
  EXPECT_NE(screen.find(L"ostrand-batch:--bogusというオプションはありません使い方:"),
            std::wstring::npos)
      << testing::PrintToString(screen);

  // A run: its log on stdout and the summary line on stderr.
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  CloseHandle(screen_);
  screen_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
  testsupport::ScratchFolder folder;
  std::filesystem::create_directory(folder.path() / "in");
  testsupport::writeBytes(folder.path() / "in" / "short.dm", "M too short");
  testsupport::writeBytes(folder.path() / "grid.par", smallParameterFile());
  const std::wstring arguments = L"--in \"" + folder.wide(L"in") + L"\" --out \"" +
                                 folder.wide(L"out") + L"\" --par \"" + folder.wide(L"grid.par") +
                                 L"\" --year 6 --month 5 --quiet";
  EXPECT_EQ(runBatchOnConsole(arguments), 4u);
  screen = screenText();
  for (const wchar_t* line : {L"インデックスファイルなし",
                              L"ファイルが途中で終わっているため、補正できません",
                              L"集計:補正0、補正不可1、失敗0、未補正の座標点0・図郭点0"}) {
    EXPECT_NE(screen.find(line), std::wstring::npos)
        << testing::PrintToString(line) << " in " << testing::PrintToString(screen);
  }
}

}  // namespace
