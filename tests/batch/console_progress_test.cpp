#include "batch/console_progress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "test_support.h"

namespace {

// Sends what is written to stderr into a file for as long as it lives.
class CapturedStderr {
 public:
  explicit CapturedStderr(const std::filesystem::path& file) : file_(file) {
    std::fflush(stderr);
    saved_ = dup(fileno(stderr));
    std::FILE* f = std::fopen(file.string().c_str(), "wb");
    dup2(fileno(f), fileno(stderr));
    std::fclose(f);
  }
  ~CapturedStderr() { restore(); }

  // Everything written so far.
  std::string text() {
    std::fflush(stderr);
    return testsupport::readBytes(file_);
  }

  void restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    dup2(saved_, fileno(stderr));
    close(saved_);
    saved_ = -1;
  }

 private:
  std::filesystem::path file_;
  int saved_ = -1;
};

// The bar as last drawn: the text after the last carriage return, without trailing blanks.
std::string lastBar(const std::string& text) {
  std::string bar = text.substr(text.rfind('\r') + 1);
  return bar.substr(0, bar.find_last_not_of(' ') + 1);
}

// Positions in files beyond 2 GiB and 4 GiB: the ratio is taken in 64 bits and double precision,
// truncated to a whole percentage.
TEST(console_progress, the_bar_shows_the_truncated_percentage_of_64_bit_positions) {
  struct Case {
    std::int64_t done, total;
    const char* bar;
  };
  const Case cases[] = {
      {3'000'000'000LL, 4'000'000'000LL, "[###############.....]  75%"},
      {0, 0, "[....................]   0%"},
      {2'147'483'648LL, 4'294'967'296LL, "[##########..........]  50%"},
      {4'294'967'295LL, 4'294'967'296LL, "[###################.]  99%"},
      {9'000'000'000LL, 9'000'000'000LL, "[####################] 100%"},
      {1, 3, "[######..............]  33%"},
  };
  testsupport::ScratchFolder folder;
  RunState state;
  CapturedStderr captured(folder.path() / "stderr.txt");
  {
    ConsoleProgress progress(state, [] {}, true);
    progress.Begin();
    progress.SetText(L"x.dm");
    for (const Case& c : cases) {
      EXPECT_EQ(progress.SetPosition(c.done, c.total), 0);
      const std::string bar = lastBar(captured.text());
      EXPECT_EQ(bar.substr(bar.find('[')), c.bar) << c.done << "/" << c.total;
    }
  }
  captured.restore();
}

}  // namespace
