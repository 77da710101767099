#include "run/run_log_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "test_support.h"

namespace {

TEST(run_log_file_test, the_path_is_ostrand_txt_in_the_temporary_folder) {
  EXPECT_EQ(runLogFilePath(), platform::temporaryFolder() + L"Ostrand.txt");
}

// The log in the ANSI code page: Shift_JIS on a Japanese Windows, UTF-8 on Linux.
TEST(run_log_file_test, writes_the_log_in_the_ansi_code_page) {
  const std::wstring log = L"中断しました\r\nabc\r\n";
#ifdef _WIN32
  const std::string expected = "\x92\x86\x92\x66\x82\xB5\x82\xDC\x82\xB5\x82\xBD\r\nabc\r\n";
#else
  const std::string expected = "\xE4\xB8\xAD\xE6\x96\xAD\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97"
                               "\xE3\x81\x9F\r\nabc\r\n";
#endif
  EXPECT_EQ(runLogFileBytes(log), expected);

  testsupport::ScratchFolder scratch;
  ASSERT_EQ(writeRunLogFile(scratch.wide(L"Ostrand.txt"), log), 1);
  EXPECT_EQ(testsupport::readBytes(scratch.path() / "Ostrand.txt"), expected);
}

// Text that the code page cannot hold would turn into '?': the file is UTF-8 with a byte-order
// mark instead, so nothing of the log is lost.
TEST(run_log_file_test, text_the_code_page_cannot_hold_is_written_as_utf8_with_a_bom) {
#ifdef _WIN32
  const std::wstring log = L"\uD55C 中\r\n";  // a Hangul syllable, absent from code page 932
  const std::string expected = "\xEF\xBB\xBF\xED\x95\x9C \xE4\xB8\xAD\r\n";
#else
  const std::wstring log = std::wstring(1, static_cast<wchar_t>(0xD800)) + L"中\r\n";
  const std::string expected = "\xEF\xBB\xBF\xEF\xBF\xBD\xE4\xB8\xAD\r\n";
#endif
  EXPECT_EQ(runLogFileBytes(log), expected);
}

TEST(run_log_file_test, a_file_that_cannot_be_created_gives_0) {
  testsupport::ScratchFolder scratch;
  EXPECT_EQ(writeRunLogFile(scratch.wide(L"missing") + L"/Ostrand.txt", L"x\r\n"), 0);
}

}  // namespace
