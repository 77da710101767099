#include "dm/temporary_name.h"

#include <atomic>
#include <chrono>
#include <random>

#include "platform/platform.h"

const wchar_t kTemporarySuffix[] = L".ostrand-tmp";

namespace {

// A bijection of 32-bit values that spreads neighbouring counts over the whole range.
std::uint32_t mix32(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

// The random start value: the system's random source where it has one, the clocks and the
// address of a local (placed at random by the loader) in any case.
std::uint32_t randomStart() {
  std::uint64_t seed = static_cast<std::uint64_t>(
      std::chrono::system_clock::now().time_since_epoch().count());
  seed ^= static_cast<std::uint64_t>(
              std::chrono::steady_clock::now().time_since_epoch().count()) * 0x9e3779b97f4a7c15ULL;
  int local = 0;
  seed ^= static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&local)) << 7;
  try {
    std::random_device device;
    seed ^= (static_cast<std::uint64_t>(device()) << 32) ^ device();
  } catch (...) {
    // No random source: the clocks and the address stay.
  }
  return mix32(static_cast<std::uint32_t>(seed) ^ mix32(static_cast<std::uint32_t>(seed >> 32)));
}

}  // namespace

std::wstring temporaryPathFor(const std::wstring& outputPath, std::uint64_t token) {
  static const wchar_t kHexDigits[] = L"0123456789abcdef";
  std::wstring path = outputPath;
  path += L'.';
  for (int shift = 60; shift >= 0; shift -= 4) path += kHexDigits[(token >> shift) & 0xF];
  path += kTemporarySuffix;
  return path;
}

std::uint64_t newTemporaryToken() {
  static const std::uint32_t start = randomStart();
  static std::atomic<std::uint32_t> count{0};
  const std::uint32_t low = mix32(start + count.fetch_add(1));
  return (static_cast<std::uint64_t>(platform::processId()) << 32) | low;
}
