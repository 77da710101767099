// The batch front end's whole program: arguments in, exit status out.
#pragma once

#include <string>
#include <vector>

// Exit statuses of ostrand-batch.
enum BatchExit {
  kExitAllCorrected = 0,  // every DM file was corrected
  kExitRefused = 1,       // refused before the run (or the parameters or the log file failed)
  kExitUsage = 2,         // wrong usage
  kExitCancelled = 3,     // Ctrl-C
  kExitIncomplete = 4,    // the run completed, but some DM file was refused or failed
};

// Runs ostrand-batch with the arguments after the program name.
int runBatchProgram(const std::vector<std::wstring>& args);
