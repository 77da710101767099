#include "dm/temporary_name.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace {

TEST(temporary_name_test, the_output_name_then_16_lowercase_hex_digits_then_ostrand_tmp) {
  const struct {
    const wchar_t* output;
    std::uint64_t token;
    const wchar_t* expected;
  } cases[] = {
      {L"out/a01.dm", 0x00003a2f9c41b7e2ULL, L"out/a01.dm.00003a2f9c41b7e2.ostrand-tmp"},
      {L"C:\\出力\\図郭04.DM", 0, L"C:\\出力\\図郭04.DM.0000000000000000.ostrand-tmp"},
      {L"x", 0xFFFFFFFFFFFFFFFFULL, L"x.ffffffffffffffff.ostrand-tmp"},
  };
  for (const auto& c : cases) EXPECT_EQ(temporaryPathFor(c.output, c.token), c.expected);
  EXPECT_STREQ(kTemporarySuffix, L".ostrand-tmp");
}

// The process id makes the names of two running processes differ; within a process every call,
// from any thread, gives a token of its own.
TEST(temporary_name_test, tokens_carry_the_process_id_and_never_repeat_within_a_process) {
  const int kThreads = 4;
  const int kPerThread = 5000;
  std::vector<std::vector<std::uint64_t>> drawn(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&drawn, t] {
      for (int i = 0; i < kPerThread; ++i) drawn[t].push_back(newTemporaryToken());
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::set<std::uint64_t> distinct;
  for (const auto& tokens : drawn) {
    for (std::uint64_t token : tokens) {
      EXPECT_EQ(token >> 32, platform::processId());
      distinct.insert(token);
    }
  }
  EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads * kPerThread));
}

}  // namespace
