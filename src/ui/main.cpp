// Entry point of Ostrand.exe.
#include <windows.h>

#include "ui/ostrand_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  COstrandApp app;
  return app.Run();
}
