// The batch front end's whole program: arguments in, exit status out.
#pragma once

#include <string>
#include <vector>

// Exit statuses of ostrand-batch.
enum BatchExit {
  kExitAllCorrected = 0,  // every DM file was corrected, with every point and sheet corner
  kExitRefused = 1,       // refused before the run (or the parameters, the log file or the
                          // report failed)
  kExitUsage = 2,         // wrong usage
  kExitCancelled = 3,     // Ctrl-C
  kExitIncomplete = 4,    // the run completed, but something needs attention: a DM file was not
                          // corrected, or a point or sheet corner could not be corrected
};

// Runs ostrand-batch with the arguments after the program name.
int runBatchProgram(const std::vector<std::wstring>& args);
