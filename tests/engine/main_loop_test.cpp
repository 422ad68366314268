#include "engine/main_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/display.h"
#include "engine/input.h"
#include "engine/render.h"
#include "engine/sound.h"
#include "engine_state.h"
#include "platform/files.h"
#include "platform/script.h"
#include "support/temp_dir.h"
#include "world/game.h"
#include "world/random.h"

namespace {

// The next display start meets a device that cannot be made for an unknown reason.
void FailNextDisplayStart() {
  gfx_headless.create_results[0] = E_FAIL;
  gfx_headless.create_result_count = 1;
}

// A fresh install folder (bin beside res) entered as the working folder, and every global of the
// loop and of the layers it drives back at its start value.
class MainLoopTest : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    std::filesystem::create_directory(dir / "bin");
    std::filesystem::create_directory(dir / "res");
    std::filesystem::current_path(dir / "bin");
    ResetEngineState();
  }
  void TearDown() override {
    ResetEngineState();
    WorkingDirTest::TearDown();
  }
  // Starts the program as WinMain does, with the script given.
  void Start(const char* script = "") {
    ASSERT_TRUE(ScriptLoadText(script, "test"));
    ASSERT_EQ(StartUp(GetModuleHandleA(nullptr)), 0);
  }
  // Starts and runs the boot pass, so that the main menu is up.
  void StartToMenu(const char* script = "") {
    Start(script);
    RunPass();
    ASSERT_EQ(game_state, STATE_MAIN_MENU);
  }
  // A game running in a window, as the front end leaves it.
  void Playing() {
    StartToMenu();
    in_game = 1;
    game_state = STATE_PLAYING;
  }
  static void Send(UINT message, WPARAM wparam = 0) { MainWindowProc(main_window, message, wparam, 0); }
};

TEST_F(MainLoopTest, StartUpMakesTheWindowAndShowsIt) {
  std::FILE* log = std::fopen("console.log", "w");
  std::fputs("old", log);
  std::fclose(log);
  setenv("KESTRUNE_TIME", "12345", 1);
  testing::internal::CaptureStderr();
  Start();
  std::string err = testing::internal::GetCapturedStderr();
  unsetenv("KESTRUNE_TIME");
  // The old log is gone; the new one starts with the messages printed before the display.
  EXPECT_EQ(Text("console.log").find("old"), std::string::npos);
  EXPECT_EQ(Text("console.log").rfind("Error loading prefs.cfg using default settings.\r\r\nError loading icon\r\r\n", 0),
            0u);
  EXPECT_NE(err.find("Error loading prefs.cfg using default settings."), std::string::npos) << err;
  EXPECT_NE(err.find("Error loading icon"), std::string::npos) << err;
  EXPECT_EQ(desktop_mode.dmPelsWidth, DWORD(WIN_HEADLESS_DESKTOP_WIDTH));
  ASSERT_NE(main_window, nullptr);
  char title[64];
  GetWindowTextA(main_window, title, sizeof(title));
  EXPECT_STREQ(title, "Kestrune: PC V0.93");
  EXPECT_TRUE(IsWindowVisible(main_window));
  RECT client;
  GetClientRect(main_window, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  EXPECT_EQ(full_screen_active, 0);
  EXPECT_NE(keyboard_device, nullptr);
  EXPECT_NE(frame_clock, 0u);
  EXPECT_EQ(random_state, 12345u);
  EXPECT_EQ(game_state, STATE_BOOT);
  EXPECT_EQ(quit_flag, 0);
}

TEST_F(MainLoopTest, StartUpQuietWithPrefsAndIcon) {
  std::FILE* prefs = std::fopen("prefs.cfg", "w");
  std::fclose(prefs);
  // The icon file as the asset maker writes it: 32 x 32, 32 bits, with its mask.
  std::string icon;
  auto u16 = [&](unsigned v) { icon += char(v & 0xFF), icon += char(v >> 8); };
  auto u32 = [&](unsigned v) { u16(v & 0xFFFF), u16(v >> 16); };
  u16(0), u16(1), u16(1);
  icon += char(32), icon += char(32), icon += char(0), icon += char(0);
  u16(1), u16(32), u32(40 + 32 * 32 * 4 + 4 * 32), u32(22);
  u32(40), u32(32), u32(64), u16(1), u16(32);
  for (int i = 0; i < 6; i++) u32(0);
  icon += std::string(32 * 32 * 4 + 4 * 32, '\x40');
  std::FILE* f = std::fopen("../RES/Parent.ico", "wb");
  if (!f) f = std::fopen("../res/Parent.ico", "wb");
  std::fwrite(icon.data(), 1, icon.size(), f);
  std::fclose(f);
  testing::internal::CaptureStderr();
  Start();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.find("Error loading"), std::string::npos) << err;
}

TEST_F(MainLoopTest, ClassRegistrationFailingEndsWithEFail) {
  WNDCLASSEXA taken{};
  taken.lpfnWndProc = DefWindowProcA;
  taken.lpszClassName = "KTRN01";
  ASSERT_NE(RegisterClassExA(&taken), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL), E_FAIL);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Error Registering Class"), std::string::npos);
  EXPECT_EQ(main_window, nullptr);
  EXPECT_EQ(script_pass, 0);
  // The process keeps E_FAIL's low 8 bits.
  EXPECT_EQ(E_FAIL & 0xFF, 5);
}

TEST_F(MainLoopTest, WindowCreationFailingEndsWithEFailWithoutAMessage) {
  WNDCLASSEXA other{};
  other.lpfnWndProc = DefWindowProcA;
  other.lpszClassName = "OTHER";
  ASSERT_NE(RegisterClassExA(&other), 0);
  for (int i = 0; i < WIN_WINDOW_MAX; i++)
    ASSERT_NE(CreateWindowExA(0, "OTHER", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL), E_FAIL);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.find("Error Registering Class"), std::string::npos);
  EXPECT_EQ(script_pass, 0);
}

TEST_F(MainLoopTest, DisplayFailingAtStartRunsNoPassAndReportsFailure) {
  FailNextDisplayStart();
  ASSERT_TRUE(ScriptLoadText("", "test"));
  testing::internal::CaptureStderr();
  int code = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(code, EXIT_DISPLAY_FAILED);
  EXPECT_NE(code, 0);
  EXPECT_NE(err.find("[Error Unknown]"), std::string::npos) << err;
  EXPECT_EQ(script_pass, 0);             // the loop ran no pass
  EXPECT_EQ(keyboard_device, nullptr);   // the input was never made
  EXPECT_FALSE(FileExists("prefs.cfg"));  // this quit saves nothing
  EXPECT_FALSE(UnregisterClassA("KTRN01", nullptr));  // the shutdown ran: the class is gone
}

TEST_F(MainLoopTest, ACloseRequestInTheMenuQuitsWithCodeZero) {
  // The last message removed before the quit is an activation with wParam 1; the exit code is
  // still that of a normal quit.
  ASSERT_TRUE(ScriptLoadText("2 focus gained\n5 close\n", "test"));
  int code = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(script_pass, 5);
  EXPECT_TRUE(FileExists("prefs.cfg"));
}

TEST_F(MainLoopTest, ARunThatNothingEndsEndsItself) {
  ASSERT_TRUE(ScriptLoadText("", "test"));
  EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL), 0);
  EXPECT_EQ(script_pass, SCRIPT_IDLE_PASSES);
}

TEST_F(MainLoopTest, OneMessagePerPass) {
  StartToMenu();
  in_game = 1;
  full_screen_active = 0;
  exit_question_open = 0;
  PostMessageA(main_window, WM_SETFOCUS, 0, 0);
  PostMessageA(main_window, WM_ACTIVATEAPP, 1, 0);
  PostMessageA(main_window, WM_DESTROY, 0, 0);
  RunPass();
  EXPECT_EQ(loop_message.message, UINT(WM_SETFOCUS));
  RunPass();
  EXPECT_EQ(loop_message.message, UINT(WM_ACTIVATEAPP));
  EXPECT_EQ(quit_flag, 0);
  RunPass();
  EXPECT_EQ(loop_message.message, UINT(WM_DESTROY));
  EXPECT_EQ(quit_flag, 1);
}

TEST_F(MainLoopTest, APassWithoutAMessageStillPacesAndDraws) {
  StartToMenu();
  int counted = frame_count;
  float spin = spin_angle;
  DWORD before = frame_clock;
  RunPass();
  EXPECT_EQ(frame_count, counted + 1);
  EXPECT_EQ(spin_angle, spin + 2);
  EXPECT_GE(frame_clock - before, 50u);
}

TEST_F(MainLoopTest, AQuitInsideAPassNeitherPacesNorDraws) {
  Start("1 close\n");
  DWORD clock_before = frame_clock;
  RunPass();
  // The close came first in the pass; the poll and the handler still ran.
  EXPECT_EQ(quit_flag, 1);
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_EQ(frame_count, 0);
  EXPECT_EQ(spin_angle, 0);
  EXPECT_EQ(frame_clock, clock_before);
  EXPECT_EQ(quit_code, 0);
}

TEST_F(MainLoopTest, BackInTheMainMenuQuitsAndSaves) {
  // Esc held from pass 2; the menu's entry lock holds it off for 6 passes.
  StartToMenu("2 key 1 down\n");
  float spin = spin_angle;
  int passes = 1;
  while (!quit_flag && passes < 20) {
    spin = spin_angle;
    RunPass();
    passes++;
  }
  EXPECT_EQ(passes, 8);
  EXPECT_EQ(quit_flag, 1);
  EXPECT_EQ(spin_angle, spin);  // the quitting pass drew nothing
  EXPECT_TRUE(FileExists("prefs.cfg"));
}

TEST_F(MainLoopTest, AStateOutsideTheRangeRunsNoHandler) {
  StartToMenu();
  game_state = STATE_COUNT;
  RunPass();
  EXPECT_EQ(game_state, STATE_COUNT);
  game_state = -1;
  RunPass();
  EXPECT_EQ(game_state, -1);
  EXPECT_EQ(quit_flag, 0);
}

TEST_F(MainLoopTest, FpsIsOneAfterTheFirstPassThenCountsASecond) {
  StartToMenu();
  EXPECT_EQ(fps, 1);
  // Each pass takes one 50 ms frame (and a few clock reads): about 20 passes a second.
  int passes = 0;
  while (fps == 1 && passes < 100) {
    RunPass();
    passes++;
  }
  EXPECT_GE(fps, 19);
  EXPECT_LE(fps, 20);
  EXPECT_EQ(fps, passes);
}

TEST_F(MainLoopTest, PaceWaitsOneFrameFromTheEndOfTheLastWait) {
  struct Case {
    const char* label;
    int period;
    DWORD late;       // how long the pass took before the pace
    DWORD min_wait;   // clock advance inside PaceFrame, at least
    DWORD max_wait;   // and at most
  };
  const Case cases[] = {
      {"on time", 50, 0, 50, 54},
      {"half a frame used", 50, 25, 25, 29},
      {"late: no wait, no catch-up", 50, 80, 0, 4},
      {"period 0 returns at once", 0, 0, 0, 4},
      {"negative period waits nothing", -10, 0, 0, 4},
  };
  for (const Case& c : cases) {
    frame_period_ms = c.period;
    fps_clock = timeGetTime();
    frame_clock = timeGetTime();
    Sleep(c.late);
    DWORD start = timeGetTime();
    PaceFrame();
    DWORD end = timeGetTime();
    DWORD waited = end - start;
    EXPECT_GE(waited, c.min_wait) << c.label;
    EXPECT_LE(waited, c.max_wait) << c.label;
    // The next frame is measured from here.
    EXPECT_LE(end - frame_clock, 1u) << c.label;
  }
}

TEST_F(MainLoopTest, PaceAcrossTheClockWrap) {
  SetVirtualClock(0xFFFFFFF0u);
  frame_clock = timeGetTime();
  fps_clock = frame_clock;
  PaceFrame();
  DWORD end = timeGetTime();
  EXPECT_LT(end, 100u);  // wrapped
  EXPECT_GE(DWORD(end - 0xFFFFFFF0u), 50u);
  EXPECT_LE(DWORD(end - 0xFFFFFFF0u), 56u);
  // A measurement that wraps counts as a short interval, not a huge one.
  EXPECT_EQ(frame_count, 1);
}

TEST_F(MainLoopTest, FrameLimiterOffDoesNotWait) {
  frame_limiter = 0;
  frame_clock = timeGetTime();
  DWORD start = timeGetTime();
  PaceFrame();
  EXPECT_LE(timeGetTime() - start, 3u);
}

TEST_F(MainLoopTest, CloseInAGameInAWindowAsksFirst) {
  struct Case {
    const char* label;
    const char* answers;
    int quits;
  };
  const Case cases[] = {
      {"yes quits", "answer yes\n", 1},
      {"no stays", "answer no\n", 0},
      {"unanswered takes No, the default", "", 0},
  };
  Playing();
  for (const Case& c : cases) {
    quit_flag = 0;
    FileRemove("prefs.cfg");
    ASSERT_TRUE(ScriptLoadText(c.answers, "answers"));
    testing::internal::CaptureStderr();
    Send(WM_CLOSE);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("message box [Confirm Exit] Exit Kestrune: PC?"), std::string::npos) << c.label << err;
    EXPECT_EQ(quit_flag, c.quits) << c.label;
    EXPECT_EQ(FileExists("prefs.cfg"), c.quits) << c.label;
    EXPECT_EQ(game_state, STATE_PLAYING) << c.label;
    EXPECT_EQ(exit_question_open, 0) << c.label;
  }
}

TEST_F(MainLoopTest, CloseInFullScreenOrOutsideAGameQuitsAtOnce) {
  Playing();
  full_screen_active = 1;
  testing::internal::CaptureStderr();
  Send(WM_CLOSE);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.find("Confirm Exit"), std::string::npos);
  EXPECT_EQ(quit_flag, 1);
  EXPECT_TRUE(FileExists("prefs.cfg"));
}

TEST_F(MainLoopTest, NoSecondExitQuestionWhileOneIsOpen) {
  Playing();
  exit_question_open = 1;  // as while the box is up and a second request comes in
  testing::internal::CaptureStderr();
  Send(WM_CLOSE);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.find("Confirm Exit"), std::string::npos);
  EXPECT_EQ(quit_flag, 0);
  EXPECT_EQ(exit_question_open, 1);
}

TEST_F(MainLoopTest, DestroySavesAndQuits) {
  StartToMenu();
  Send(WM_DESTROY);
  EXPECT_EQ(quit_flag, 1);
  EXPECT_EQ(quit_code, 0);
  EXPECT_TRUE(FileExists("prefs.cfg"));
}

TEST_F(MainLoopTest, LosingActivationPausesAGameAndFocusResumesIt) {
  Playing();
  Send(WM_ACTIVATEAPP, 0);
  EXPECT_EQ(game_state, STATE_PAUSED);
  Send(WM_ACTIVATEAPP, 1);  // in a window nothing is restarted
  EXPECT_EQ(game_state, STATE_PAUSED);
  Send(WM_SETFOCUS);
  EXPECT_EQ(game_state, STATE_PLAYING);
  EXPECT_TRUE(CursorShown());  // in a window the cursor stays
  // Outside play nothing pauses.
  game_state = STATE_MAIN_MENU;
  Send(WM_ACTIVATEAPP, 0);
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_EQ(quit_flag, 0);
}

TEST_F(MainLoopTest, FullScreenOutlivesTheLossOfActivation) {
  windowed = 0;
  StartToMenu();
  ASSERT_EQ(full_screen_active, 1);
  IDirect3DDevice8* live = device;
  in_game = 1;
  game_state = STATE_PLAYING;
  ShowCursor(TRUE);  // as another program leaves it
  Send(WM_ACTIVATEAPP, 0);
  EXPECT_EQ(game_state, STATE_PAUSED);
  EXPECT_EQ(full_screen_active, 1);
  EXPECT_EQ(device, live);
  EXPECT_TRUE(IsWindowVisible(main_window)) << "the window stays where the user can come back to it";
  Send(WM_ACTIVATEAPP, 1);
  EXPECT_EQ(device, live) << "nothing to restart";
  Send(WM_SETFOCUS);
  EXPECT_FALSE(CursorShown());
  EXPECT_EQ(game_state, STATE_PLAYING);
  EXPECT_EQ(quit_flag, 0);
}

TEST_F(MainLoopTest, AReleasedFullScreenDisplayIsRestartedOnActivation) {
  windowed = 0;
  StartToMenu();
  ReleaseGraphics();
  ASSERT_EQ(device, nullptr);
  menu_cursor = game_mode + 1;  // moved on the main menu
  Send(WM_ACTIVATEAPP, 1);
  EXPECT_NE(device, nullptr);
  EXPECT_EQ(full_screen_active, 1);
  EXPECT_TRUE(IsWindowVisible(main_window));
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_EQ(menu_cursor, game_mode) << "the main menu's entry actions ran again";
  EXPECT_EQ(quit_flag, 0);
}

TEST_F(MainLoopTest, ActivationMakesNoSecondDeviceOverALiveOne) {
  // "Fullscreen" toggled on the display options but not applied, then away and back.
  StartToMenu();
  IDirect3DDevice8* live = device;
  ASSERT_NE(live, nullptr);
  windowed = 0;
  Send(WM_ACTIVATEAPP, 0);
  Send(WM_ACTIVATEAPP, 1);
  EXPECT_EQ(device, live);
  EXPECT_EQ(GfxCurrentDevice(), live);
  EXPECT_EQ(full_screen_active, 0);
  EXPECT_EQ(quit_flag, 0);
}

TEST_F(MainLoopTest, ActivationOnTheBootStateRestartsNothing) {
  windowed = 0;
  Start();
  full_screen_active = 0;
  Send(WM_ACTIVATEAPP, 1);
  EXPECT_EQ(full_screen_active, 0);
  full_screen_active = 1;
  ShowCursor(TRUE);
  Send(WM_SETFOCUS);
  EXPECT_TRUE(CursorShown());  // the focus hides it only once the boot is over
}

TEST_F(MainLoopTest, ARestartThatFailsQuitsWithAFailureCodeAndSavesNothing) {
  windowed = 0;
  StartToMenu();
  ReleaseGraphics();  // as on losing activation
  FailNextDisplayStart();
  testing::internal::CaptureStderr();
  Send(WM_ACTIVATEAPP, 1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Unable to restart display."), std::string::npos) << err;
  EXPECT_EQ(quit_flag, 1);
  EXPECT_EQ(quit_code, EXIT_DISPLAY_FAILED);
  EXPECT_FALSE(FileExists("prefs.cfg"));
  // A normal quit later in the same pass keeps the failure.
  QuitStep(0);
  EXPECT_EQ(quit_code, EXIT_DISPLAY_FAILED);
}

TEST_F(MainLoopTest, OtherMessagesGoToTheDefaultProcedure) {
  StartToMenu();
  EXPECT_EQ(MainWindowProc(main_window, 0x0200, 0, 0), 0);
  EXPECT_EQ(quit_flag, 0);
}

}  // namespace
