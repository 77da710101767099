// The application object: starts the common controls and COM, registers with the restart manager,
// and runs the main dialog modally; the program ends with it.
#pragma once

class COstrandApp {
 public:
  // The whole program; returns its exit code.
  int Run();
};
