// ostrand-batch: the console front end. Arguments are wide text on Windows (wmain) and UTF-8 on
// Linux.
#include <string>
#include <vector>

#include "batch/batch_program.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  return runBatchProgram(args);
}
#else
#include "common/wide_text.h"

int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(utf8ToWide(argv[i]));
  return runBatchProgram(args);
}
#endif
