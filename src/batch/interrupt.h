// Ctrl-C for the batch front end: the first one asks the run to stop at its next progress report
// (a confirmed cancel, nothing is asked); a second one ends the program at once, as Ctrl-C
// normally does.
#pragma once

// Catches Ctrl-C (SIGINT on Linux; the console control handler on Windows). Call once, early.
void installInterruptHandler();

// True once Ctrl-C has been pressed.
bool interruptRequested();
