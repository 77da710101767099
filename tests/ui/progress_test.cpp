// JProgress on the real dialog: the running look, the idle look it restores, the bar's values and
// the messages its pump drops.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "ui/j_progress.h"
#include "ui/resource.h"

using guitest::itemText;

namespace {

using ProgressTest = DialogFixture;

std::vector<HWND> children(HWND dialog) {
  std::vector<HWND> list;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    list.push_back(child);
  }
  return list;
}

int idOf(HWND child) { return GetWindowLongW(child, GWL_ID); }

TEST_F(ProgressTest, begin_shows_the_running_look_and_destruction_restores_the_idle_look) {
  HWND dialog = openDialog();
  RunState& state = dialog_->job().state;
  state.cancelRequested = 1;
  {
    JProgress progress(dialog, state, IDC_PROGRESS);
    EXPECT_EQ(progress.Begin(), 1);
    EXPECT_EQ(state.cancelRequested, 0);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0), 0);
    for (HWND child : children(dialog)) {
      int id = idOf(child);
      SCOPED_TRACE(id);
      if (id == IDC_STATUS_LINE || id == IDC_PROGRESS) {
        EXPECT_TRUE(IsWindowVisible(child));
      } else if (id == IDC_EXECUTE) {
        EXPECT_TRUE(IsWindowEnabled(child));
        EXPECT_EQ(guitest::windowText(child), L"キャンセル");
      } else {
        // Labels and the group box too.
        EXPECT_FALSE(IsWindowEnabled(child));
      }
    }
    progress.SetText(L"[1/3] C:\\in\\a.dm ==> C:\\out\\a.dm");
    EXPECT_EQ(itemText(dialog, IDC_STATUS_LINE), L"[1/3] C:\\in\\a.dm ==> C:\\out\\a.dm");
  }
  for (HWND child : children(dialog)) {
    int id = idOf(child);
    SCOPED_TRACE(id);
    if (id == IDC_STATUS_LINE || id == IDC_PROGRESS) {
      EXPECT_FALSE(IsWindowVisible(child));
    } else if (id == IDC_ZONE_LIST) {
      EXPECT_FALSE(IsWindowEnabled(child));  // the checkbox is not ticked
    } else {
      EXPECT_TRUE(IsWindowEnabled(child));
    }
  }
  EXPECT_EQ(itemText(dialog, IDC_EXECUTE), L"実行");
}

TEST_F(ProgressTest, destruction_enables_the_zone_list_when_the_checkbox_is_ticked) {
  HWND dialog = openDialog();
  CheckDlgButton(dialog, IDC_USE_FALLBACK_ZONE, BST_CHECKED);
  {
    JProgress progress(dialog, dialog_->job().state, IDC_PROGRESS);
    progress.Begin();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_ZONE_LIST)));
  }
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_ZONE_LIST)));
}

TEST_F(ProgressTest, set_position_moves_the_bar_by_the_truncated_percentage) {
  struct Case {
    long long done, total;
    int bar;
  };
  const Case cases[] = {
      {512, 1024, 50}, {1023, 1024, 99}, {0, 0, 0},     {0, 1024, 0},
      {1024, 1024, 100}, {1, 3, 33},     {2, 3, 66},     {5000000000LL, 10000000000LL, 50},
  };
  HWND dialog = openDialog();
  RunState& state = dialog_->job().state;
  JProgress progress(dialog, state, IDC_PROGRESS);
  progress.Begin();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.done << "/" << c.total);
    EXPECT_EQ(progress.SetPosition(c.done, c.total), 0);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0), c.bar);
  }
  // Every report hands back the cancel flag.
  state.cancelRequested = 1;
  EXPECT_EQ(progress.SetPosition(1, 2), 1);
  EXPECT_EQ(progress.SetRatio(0.25), 1);
  EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0), 25);
}

// A window that records the messages that reach it.
std::vector<UINT> received;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER || JProgress::isDroppedDuringRun(message) || message == WM_KEYDOWN ||
      message == WM_LBUTTONDOWN || message == WM_TIMER) {
    received.push_back(message);
  }
  if (message == WM_SYSCOMMAND || message == WM_NCLBUTTONDOWN) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(progress_pump_test, drops_exactly_the_listed_messages) {
  const UINT dropped[] = {WM_CONTEXTMENU,   WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN, WM_NCMBUTTONDOWN,
                          WM_SYSKEYDOWN,    WM_SYSCHAR,       WM_SYSCOMMAND,    WM_INITMENU,
                          WM_MENUSELECT,    WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};
  const UINT passed[] = {WM_USER + 1, WM_KEYDOWN, WM_LBUTTONDOWN};

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = &recordingProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"ostrand.test.recorder";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowW(L"ostrand.test.recorder", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  JProgress::pumpMessages();
  received.clear();

  for (UINT message : dropped) PostMessageW(window, message, 0, 0);
  for (UINT message : passed) PostMessageW(window, message, 0, 0);
  JProgress::pumpMessages();
  EXPECT_EQ(received, std::vector<UINT>(std::begin(passed), std::end(passed)));

  MSG left;
  EXPECT_FALSE(PeekMessageW(&left, nullptr, 0, 0, PM_NOREMOVE)) << "the queue is drained";
  DestroyWindow(window);
}

TEST(progress_pump_test, leaves_a_quit_message_for_the_loop_that_owns_the_program) {
  PostQuitMessage(7);
  JProgress::pumpMessages();
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

}  // namespace
