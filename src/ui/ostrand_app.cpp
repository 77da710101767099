#include "ui/ostrand_app.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "ui/ostrand_dlg.h"

int COstrandApp::Run() {
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES;
  InitCommonControlsEx(&controls);

  // Restart only: the program keeps no documents to recover.
  RegisterApplicationRestart(nullptr, 0);

  // The shell's folder browser in its new style needs COM on this thread.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

  {
    COstrandDlg dialog;
    dialog.DoModal();
  }

  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
