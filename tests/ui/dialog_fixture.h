// A main dialog created modeless from the program's own resources, on a missing settings file.
#pragma once

#include <windows.h>

#include <memory>

#include <gtest/gtest.h>

#include "gui_support.h"
#include "run/settings_file.h"
#include "ui/ostrand_dlg.h"

class DialogFixture : public ::testing::Test {
 protected:
  void SetUp() override { DeleteFileW(settingsPath().c_str()); }

  void TearDown() override {
    dialog_.reset();
    DeleteFileW(settingsPath().c_str());
  }

  // Constructs the dialog (which reads the settings file), creates and shows its window.
  HWND openDialog(RunModel* runModel = nullptr, FileCorrectorFactory* correctors = nullptr) {
    dialog_ = std::make_unique<COstrandDlg>(runModel, correctors);
    HWND window = dialog_->CreateModeless();
    ShowWindow(window, SW_SHOW);
    guitest::pump(window);
    return window;
  }

  static bool settingsFileExists() {
    return GetFileAttributesW(settingsPath().c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::unique_ptr<COstrandDlg> dialog_;
};
