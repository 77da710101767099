#include "batch/console_progress.h"

#include <cstdio>

#include "batch/console.h"
#include "batch/interrupt.h"

namespace {

const int kTextColumns = 50;
const int kBarColumns = 20;

bool isWide(wchar_t c) {
  const unsigned long v = static_cast<unsigned long>(c);
  return (v >= 0x1100 && v <= 0x115F) || (v >= 0x2E80 && v <= 0xA4CF) ||
         (v >= 0xAC00 && v <= 0xD7A3) || (v >= 0xF900 && v <= 0xFAFF) ||
         (v >= 0xFE30 && v <= 0xFE4F) || (v >= 0xFF00 && v <= 0xFF60) ||
         (v >= 0xFFE0 && v <= 0xFFE6);
}

}  // namespace

int displayColumns(const std::wstring& text) {
  int columns = 0;
  for (wchar_t c : text) columns += isWide(c) ? 2 : 1;
  return columns;
}

std::wstring fitToColumns(const std::wstring& text, int columns) {
  if (displayColumns(text) <= columns) return text;
  std::wstring tail;
  int used = 3;  // the "..." in front
  for (size_t i = text.size(); i > 0; --i) {
    const int width = isWide(text[i - 1]) ? 2 : 1;
    if (used + width > columns) break;
    used += width;
    tail.insert(tail.begin(), text[i - 1]);
  }
  return L"..." + tail;
}

ConsoleProgress::ConsoleProgress(RunState& state, std::function<void()> confirmCancel,
                                 bool showBar)
    : state_(state), confirmCancel_(std::move(confirmCancel)), showBar_(showBar) {}

ConsoleProgress::~ConsoleProgress() { clear(); }

int ConsoleProgress::Begin() {
  state_.cancelRequested = 0;
  cancelConfirmed_ = false;
  return 1;
}

int ConsoleProgress::SetRatio(double ratio) {
  const int percent = ratio <= 0.0 ? 0 : ratio >= 1.0 ? 100 : static_cast<int>(ratio * 100.0);
  if (percent != percent_) {
    percent_ = percent;
    draw();
  }
  return report();
}

int ConsoleProgress::SetPosition(std::int64_t done, std::int64_t total) {
  return SetRatio(total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 0.0);
}

// The bar shows the whole run, so a new file's text keeps the percentage.
void ConsoleProgress::SetText(const std::wstring& text) {
  text_ = text;
  draw();
  report();
}

// Ctrl-C counts as the dialog's Yes to "stop the processing?", given at this report.
int ConsoleProgress::report() {
  if (interruptRequested() && !cancelConfirmed_) {
    cancelConfirmed_ = true;
    if (state_.cancelRequested == 0) confirmCancel_();
  }
  return state_.cancelRequested;
}

void ConsoleProgress::draw() {
  if (!showBar_) return;
  const int filled = percent_ * kBarColumns / 100;
  std::wstring line = fitToColumns(text_, kTextColumns);
  line.append(static_cast<size_t>(kTextColumns - displayColumns(line)), L' ');
  line += L" [" + std::wstring(static_cast<size_t>(filled), L'#') +
          std::wstring(static_cast<size_t>(kBarColumns - filled), L'.') + L"] ";
  if (percent_ < 100) line += L' ';
  if (percent_ < 10) line += L' ';
  line += std::to_wstring(percent_) + L"%";
  const int columns = displayColumns(line);
  if (columns < drawnColumns_) line.append(static_cast<size_t>(drawnColumns_ - columns), L' ');
  drawnColumns_ = displayColumns(line);
  writeText(stderr, L"\r" + line);
}

void ConsoleProgress::clear() {
  if (!showBar_ || drawnColumns_ == 0) return;
  writeText(stderr, L"\r" + std::wstring(static_cast<size_t>(drawnColumns_), L' ') + L"\r");
  drawnColumns_ = 0;
}
