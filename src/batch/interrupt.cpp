#include "batch/interrupt.h"

#include <csignal>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

volatile std::sig_atomic_t interrupted = 0;

#ifdef _WIN32
// Runs on a thread of its own that the system creates. Returning FALSE for a second Ctrl-C hands
// it to the default handler, which ends the process.
BOOL WINAPI onConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (interrupted) return FALSE;
  interrupted = 1;
  return TRUE;
}
#else
void onInterrupt(int) { interrupted = 1; }
#endif

}  // namespace

void installInterruptHandler() {
#ifdef _WIN32
  SetConsoleCtrlHandler(onConsoleControl, TRUE);
#else
  // SA_RESETHAND: the handler catches the first SIGINT only; the second one ends the program.
  struct sigaction action = {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
#endif
}

bool interruptRequested() { return interrupted != 0; }
