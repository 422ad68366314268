#include "platform/win.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/script.h"

namespace {

TEST(Clock, VirtualClockAdvancesOneMillisecondPerRead) {
  SetVirtualClock(1000000);
  EXPECT_EQ(timeGetTime(), 1000000u);
  EXPECT_EQ(timeGetTime(), 1000001u);
  Sleep(48);
  EXPECT_EQ(timeGetTime(), 1000050u);
}

TEST(Clock, DifferencesAcrossTheWrapAreSmall) {
  SetVirtualClock(0xFFFFFFFEu);
  DWORD before = timeGetTime();
  Sleep(10);
  DWORD after = timeGetTime();
  EXPECT_LT(after, before);            // the counter wrapped
  EXPECT_EQ(DWORD(after - before), 11u);  // but the unsigned difference did not
  EXPECT_GE(after - before, 10u);
  SetVirtualClock(1000000);
}

TEST(Clock, SleepUntilJumpsToADeadlineAheadOnly) {
  struct Case {
    const char* label;
    DWORD now, deadline, after;  // the clock before, the deadline, the clock read after
  };
  const Case cases[] = {
      {"ahead", 1000000, 1000050, 1000050},
      {"now", 1000000, 1000000, 1000000},
      {"passed", 1000050, 1000000, 1000050},
      {"ahead across the wrap", 0xFFFFFFF0u, 0x20, 0x20},
      {"passed across the wrap", 0x10, 0xFFFFFFF0u, 0x10},
  };
  for (const Case& c : cases) {
    SetVirtualClock(c.now);
    SleepUntil(c.deadline);
    EXPECT_EQ(timeGetTime(), c.after) << c.label;
  }
  SetVirtualClock(1000000);
}

TEST(Clock, CalendarTimeComesFromTheEnvironment) {
  setenv("KESTRUNE_TIME", "1234567890", 1);
  EXPECT_EQ(CalendarTime(), 1234567890);
  setenv("KESTRUNE_TIME", "12ab", 1);
  EXPECT_GT(CalendarTime(), 1600000000);  // not a number: the real clock
  unsetenv("KESTRUNE_TIME");
  EXPECT_GT(CalendarTime(), 1600000000);
}

TEST(MessageBox, HeadlessAnswersComeFromTheScript) {
  ASSERT_TRUE(ScriptLoadText("answer yes\nanswer no\n", "t"));
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxExA(nullptr, "Error loading icon", "Console Message", MB_OK | MB_ICONINFORMATION, 0), IDOK);
  EXPECT_EQ(MessageBoxExA(nullptr, "Exit Kestrune: PC?", "Confirm Exit", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, 0),
            IDYES);
  EXPECT_EQ(MessageBoxExA(nullptr, "Exit Kestrune: PC?", "Confirm Exit", 0x124, 0), IDNO);
  // Unanswered: the default button.
  EXPECT_EQ(MessageBoxExA(nullptr, "Exit Kestrune: PC?", "Confirm Exit", 0x124, 0), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Run the game now?", "Installation Complete", MB_YESNO), IDYES);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("[Console Message] Error loading icon -> ok"), std::string::npos) << err;
  EXPECT_NE(err.find("[Confirm Exit] Exit Kestrune: PC? -> yes"), std::string::npos) << err;
  EXPECT_NE(err.find("[Installation Complete] Run the game now? -> yes"), std::string::npos) << err;
  ScriptClear();
}

}  // namespace

namespace {

int proc_calls;
UINT proc_last_message;
WPARAM proc_last_wparam;

LRESULT TestProc(HWND, UINT message, WPARAM wparam, LPARAM) {
  proc_calls++;
  proc_last_message = message;
  proc_last_wparam = wparam;
  return 42;
}

// A registered class and one hidden window, as the game makes them.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WinResetForTests();
    ScriptClear();
    proc_calls = 0;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = TestProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "KTRN01";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    window_ = CreateWindowExA(0, "KTRN01", "Kestrune: PC V0.93", WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 640, 480,
                              nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    WinResetForTests();
    ScriptClear();
  }
  // Reads one message the way the game's loop does; 0 when none was there.
  UINT Next() {
    MSG msg{};
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return 0;
    last_ = msg;
    return msg.message;
  }
  HWND window_ = nullptr;
  MSG last_{};
};

TEST_F(WindowTest, ClassesAndWindows) {
  WNDCLASSEXA wc{};
  wc.lpfnWndProc = TestProc;
  wc.lpszClassName = "KTRN01";
  EXPECT_EQ(RegisterClassExA(&wc), 0);  // the name is taken
  wc.lpszClassName = "";
  EXPECT_EQ(RegisterClassExA(&wc), 0);
  EXPECT_EQ(CreateWindowExA(0, "OTHER", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_FALSE(IsWindowVisible(window_));  // made hidden
  EXPECT_FALSE(ShowWindow(window_, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_TRUE(ShowWindow(window_, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(window_));
  RECT rect;
  ASSERT_TRUE(GetClientRect(window_, &rect));
  EXPECT_EQ(rect.right, 640);
  EXPECT_EQ(rect.bottom, 480);
  ASSERT_TRUE(MoveWindow(window_, 100, 50, 800, 600, FALSE));
  ASSERT_TRUE(GetClientRect(window_, &rect));
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.right, 800);
  EXPECT_EQ(rect.bottom, 600);
  ASSERT_TRUE(GetWindowRect(window_, &rect));
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.bottom, 650);
  EXPECT_EQ(WindowSdl(window_), nullptr);  // headless: no SDL window
  EXPECT_TRUE(UnregisterClassA("KTRN01", nullptr));
  EXPECT_FALSE(UnregisterClassA("KTRN01", nullptr));
  EXPECT_EQ(CreateWindowExA(0, "KTRN01", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowTest, OneMessagePerRead) {
  ASSERT_TRUE(PostMessageA(window_, WM_CLOSE, 0, 0));
  ASSERT_TRUE(PostMessageA(window_, WM_SETFOCUS, 0, 0));
  ASSERT_TRUE(PostMessageA(window_, WM_DESTROY, 0, 0));
  EXPECT_EQ(Next(), WM_CLOSE);
  EXPECT_EQ(last_.hwnd, window_);
  EXPECT_EQ(Next(), WM_SETFOCUS);
  EXPECT_EQ(Next(), WM_DESTROY);
  EXPECT_EQ(Next(), 0u);
  // PM_NOREMOVE looks without taking.
  PostMessageA(window_, WM_CLOSE, 0, 0);
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(Next(), WM_CLOSE);
  EXPECT_EQ(Next(), 0u);
}

TEST_F(WindowTest, TheQueueDropsWhatDoesNotFit) {
  for (int i = 0; i < WIN_QUEUE_MAX; i++) ASSERT_TRUE(PostMessageA(window_, WM_SETFOCUS, WPARAM(i), 0));
  EXPECT_FALSE(PostMessageA(window_, WM_CLOSE, 0, 0));
  int read = 0;
  while (Next() == WM_SETFOCUS) EXPECT_EQ(last_.wParam, WPARAM(read++));
  EXPECT_EQ(read, WIN_QUEUE_MAX);
}

TEST_F(WindowTest, QuitComesOnceTheQueueIsEmpty) {
  PostQuitMessage(3);
  PostMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_EQ(Next(), WM_CLOSE);
  EXPECT_EQ(Next(), WM_QUIT);
  EXPECT_EQ(last_.wParam, 3u);
  EXPECT_EQ(last_.hwnd, nullptr);
  EXPECT_EQ(Next(), 0u);
}

TEST_F(WindowTest, DispatchCallsTheWindowsProcedure) {
  MSG msg{window_, WM_ACTIVATEAPP, 1, 0, 0};
  EXPECT_EQ(DispatchMessageA(&msg), 42);
  EXPECT_EQ(proc_calls, 1);
  EXPECT_EQ(proc_last_message, WM_ACTIVATEAPP);
  MSG quit{nullptr, WM_QUIT, 0, 0, 0};
  EXPECT_EQ(DispatchMessageA(&quit), 0);
  EXPECT_EQ(proc_calls, 1);
  EXPECT_EQ(DefWindowProcA(window_, WM_CLOSE, 0, 0), 0);
}

TEST_F(WindowTest, ScriptedEventsArriveAtTheirPass) {
  ASSERT_TRUE(ScriptLoadText("2 focus lost\n4 focus gained\n4 close\n", "t"));
  EXPECT_EQ(Next(), 0u);  // pass 1
  EXPECT_EQ(script_pass, 1);
  EXPECT_EQ(Next(), WM_ACTIVATEAPP);  // pass 2
  EXPECT_EQ(last_.wParam, 0u);
  EXPECT_EQ(Next(), 0u);              // pass 3
  EXPECT_EQ(Next(), WM_ACTIVATEAPP);  // pass 4: activation, then focus, then the close
  EXPECT_EQ(last_.wParam, 1u);
  EXPECT_EQ(Next(), WM_SETFOCUS);
  EXPECT_EQ(Next(), WM_CLOSE);
  EXPECT_EQ(last_.hwnd, window_);
  EXPECT_EQ(Next(), 0u);
  EXPECT_EQ(script_pass, 7);
}

TEST_F(WindowTest, AnIdleRunIsAskedToCloseThenDestroyed) {
  ASSERT_TRUE(ScriptLoadText("5 focus lost\n", "t"));
  int close_pass = 0, destroy_pass = 0;
  for (int pass = 1; pass <= 5 + 2 * SCRIPT_IDLE_PASSES + 10; pass++) {
    UINT m = Next();
    if (m == WM_CLOSE) close_pass = pass;
    if (m == WM_DESTROY) destroy_pass = pass;
  }
  EXPECT_EQ(close_pass, 5 + SCRIPT_IDLE_PASSES);
  EXPECT_EQ(destroy_pass, 5 + 2 * SCRIPT_IDLE_PASSES);
}

TEST_F(WindowTest, WithoutAScriptTheCloseComesAfterTheIdlePasses) {
  int close_pass = 0;
  for (int pass = 1; pass <= SCRIPT_IDLE_PASSES && !close_pass; pass++)
    if (Next() == WM_CLOSE) close_pass = pass;
  EXPECT_EQ(close_pass, SCRIPT_IDLE_PASSES);
}

TEST(Cursor, IsASwitchNotACounter) {
  WinResetForTests();
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_FALSE(CursorShown());
  EXPECT_EQ(ShowCursor(TRUE), 0);  // one call shows it again
  EXPECT_TRUE(CursorShown());
  EXPECT_EQ(ShowCursor(TRUE), 0);
  EXPECT_TRUE(SetCursorPos(10, 10));
}

TEST(DisplayModes, TheHeadlessDesktop) {
  DEVMODEA mode{};
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
  EXPECT_EQ(mode.dmPelsWidth, DWORD(WIN_HEADLESS_DESKTOP_WIDTH));
  EXPECT_EQ(mode.dmPelsHeight, DWORD(WIN_HEADLESS_DESKTOP_HEIGHT));
  EXPECT_EQ(mode.dmBitsPerPel, 32u);
  EXPECT_FALSE(EnumDisplaySettingsA(nullptr, 0, &mode));
}

}  // namespace
