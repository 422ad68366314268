#include "engine/console.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/config.h"
#include "engine/display.h"
#include "engine/main_loop.h"
#include "engine/render.h"
#include "engine_state.h"
#include "platform/script.h"
#include "platform/win.h"
#include "support/temp_dir.h"
#include "test_window.h"

namespace {

// A console over a display started as the main loop starts it: a 640 x 480 window on the
// recording device, whose first eighth is 60 pixels down.
class ConsoleTest : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    ResetEngineState();
    ASSERT_NE(MakeTestWindow("ConsoleTest"), nullptr);
    testing::internal::CaptureStderr();
    int made = InitDirect3D();
    if (made) {
      ComputeLayout();
      CreateFonts();
    }
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_EQ(made, 1) << err;
    ASSERT_EQ(screen_eighth_y, 60);
    ASSERT_NE(fonts[FONT_CONSOLE], nullptr);
    GfxClearCalls();
  }
  void TearDown() override {
    ResetEngineState();
    WorkingDirTest::TearDown();
  }
  void Write(const char* name, const std::string& bytes) const {
    Put(name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
  }
  static void PrintNumbered(int first, int last) {
    for (int k = first; k <= last; k++) {
      std::snprintf(text_buffer, sizeof text_buffer, "message %i", k);
      ConsolePrint(text_buffer);
    }
  }
  // One drawn frame's band, in drawing order: "text@bottom" per line. Checks that every line is
  // drawn as the console draws: its font, white, on the bottom edge, unclipped, left edge 10.
  static std::vector<std::string> DrawBand() {
    GfxClearCalls();
    BeginScene(device);
    DrawConsole();
    EndScene(device);
    std::vector<std::string> band;
    for (int k = 0; k < GfxCallCount(); k++) {
      const GfxCall* call = GfxCallAt(k);
      if (call->op != GFX_OP_DRAW_TEXT) continue;
      EXPECT_EQ(call->object, fonts[FONT_CONSOLE]);
      EXPECT_EQ(call->b, DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP);
      EXPECT_EQ(call->color, 0xFFFFFFFFu);
      EXPECT_EQ(call->rect.left, 10);
      EXPECT_EQ(call->rect.right, client_rect.right);
      band.push_back(std::string(call->text) + "@" + std::to_string(call->rect.bottom));
    }
    return band;
  }
};

TEST_F(ConsoleTest, StartsEmpty) {
  EXPECT_EQ(console_index, 1);
  EXPECT_EQ(console_height, 16);
  EXPECT_EQ(console_hold, 0);
  EXPECT_EQ(console_shrink_phase, 0);
  for (const ConsoleLine& line : console_lines) EXPECT_EQ(line.length, 0);
  EXPECT_TRUE(DrawBand().empty());
}

TEST_F(ConsoleTest, FirstMessageGrowsTheBandAndStandsAtSixteen) {
  ConsolePrint("hello");
  EXPECT_EQ(console_height, 32);
  EXPECT_EQ(console_hold, 30);
  EXPECT_EQ(console_index, 2);
  EXPECT_STREQ(console_lines[1].text, "hello");
  EXPECT_EQ(console_lines[1].length, 5);
  EXPECT_EQ(DrawBand(), std::vector<std::string>{"hello@16"});
}

TEST_F(ConsoleTest, FortyMessagesFillTheBandAndTheRing) {
  PrintNumbered(1, 40);
  EXPECT_EQ(console_height, 480);
  EXPECT_EQ(console_index, (1 + 40) % 32);
  EXPECT_EQ(console_lines[console_index].length, 0);
  // The ring holds the 31 newest around its one empty line.
  for (int back = 1; back <= 31; back++) {
    int i = (console_index - back + 32) % 32;
    EXPECT_EQ(std::string(console_lines[i].text), "message " + std::to_string(41 - back)) << back;
  }
  // The band shows the 29 newest, 16 pixels apart, the newest 16 above the band's bottom.
  std::vector<std::string> band = DrawBand();
  ASSERT_EQ(band.size(), 29u);
  for (int k = 0; k < 29; k++) {
    EXPECT_EQ(band[k], "message " + std::to_string(40 - k) + "@" + std::to_string(464 - 16 * k));
  }
}

TEST_F(ConsoleTest, BandReadsOnAcrossTheRingsWrap) {
  PrintNumbered(1, 31);
  ASSERT_EQ(console_index, 0);
  ConsolePrint("after the wrap");
  std::vector<std::string> band = DrawBand();
  ASSERT_GE(band.size(), 3u);
  EXPECT_EQ(band[0], "after the wrap@" + std::to_string(console_height - 16));  // line 0
  EXPECT_EQ(band[1], "message 31@" + std::to_string(console_height - 32));      // line 31
  EXPECT_EQ(band[2], "message 30@" + std::to_string(console_height - 48));
}

TEST_F(ConsoleTest, LongMessageIsCut) {
  std::string long_text(300, 'z');
  ConsolePrint(long_text.c_str());
  EXPECT_EQ(console_lines[1].length, 255);
  EXPECT_EQ(std::string(console_lines[1].text), long_text.substr(0, 255));
  EXPECT_EQ(console_lines[2].length, 0) << "the next line is untouched";
  EXPECT_EQ(Text(CONSOLE_LOG_PATH), long_text.substr(0, 253) + "\r\r\n");
}

TEST_F(ConsoleTest, EveryMessageIsAppendedToTheLog) {
  ConsolePrint("first");
  ConsolePrint("");
  ConsolePrint("third\n");
  EXPECT_EQ(Text(CONSOLE_LOG_PATH), "first\r\r\n\r\r\nthird\r\n\r\r\n");
  EXPECT_EQ(console_lines[2].length, 0) << "an empty message takes an empty line";
  EXPECT_EQ(console_index, 4);
}

TEST_F(ConsoleTest, LogThatCannotBeOpenedIsSkipped) {
  ASSERT_TRUE(std::filesystem::create_directory(CONSOLE_LOG_PATH));
  ConsolePrint("still shown");
  EXPECT_STREQ(console_lines[1].text, "still shown");
}

TEST_F(ConsoleTest, WithoutADeviceAMessageBoxTakesTheLine) {
  ReleaseGraphics();
  testing::internal::CaptureStderr();
  ConsolePrint("no display yet");
  std::string boxes = testing::internal::GetCapturedStderr();
  EXPECT_EQ(boxes, "message box [Console Message] no display yet -> ok\n");
  EXPECT_EQ(Text(CONSOLE_LOG_PATH), "no display yet\r\r\n");
  EXPECT_EQ(console_index, 1);
  EXPECT_EQ(console_height, 16);
  EXPECT_EQ(console_lines[1].length, 0);
}

TEST_F(ConsoleTest, BandHoldsThenShrinksFastThenSlowly) {
  PrintNumbered(1, 29);
  ASSERT_EQ(console_height, 480);
  for (int k = 0; k < 30; k++) DrawConsole();
  EXPECT_EQ(console_height, 480) << "held for 30 drawn frames";
  EXPECT_EQ(console_hold, 0);
  for (int k = 0; k < 420; k++) DrawConsole();
  EXPECT_EQ(console_height, 60) << "a pixel a frame down to the first eighth";
  // Then a pixel every sixth frame: the first at once (the phase has come round to 0).
  int frames = 0;
  int last_change = 0;
  int steps = 0;
  while (console_height > 16 && frames < 1000) {
    int before = console_height;
    DrawConsole();
    frames++;
    if (console_height != before) {
      if (steps > 0) {
        EXPECT_EQ(frames - last_change, 6) << "at " << console_height;
      }
      last_change = frames;
      steps++;
    }
  }
  EXPECT_EQ(steps, 44);
  EXPECT_EQ(frames, 1 + 43 * 6);
  // At 16 the band is gone and its counters stand still.
  int phase = console_shrink_phase;
  DrawConsole();
  EXPECT_EQ(console_height, 16);
  EXPECT_EQ(console_shrink_phase, phase);
  EXPECT_TRUE(DrawBand().empty());
}

TEST_F(ConsoleTest, NewMessageRestartsTheHold) {
  screen_eighth_y = 0;  // every frame after the hold shrinks
  ConsolePrint("one");
  for (int k = 0; k < 35; k++) DrawConsole();
  EXPECT_EQ(console_height, 27);
  ConsolePrint("two");
  EXPECT_EQ(console_height, 43);
  EXPECT_EQ(console_hold, 30);
}

TEST_F(ConsoleTest, DrawLeavesTheTextRectangleWhereTheWalkStopped) {
  text_rect = {1, 2, 3, 4};
  client_rect = {0, 5, 800, 600};
  ConsolePrint("one");
  ConsolePrint("two");
  DrawConsole();
  // Bottom edges 48, 32, 16 and then 0, where the walk ends.
  EXPECT_EQ(text_rect.left, 10);
  EXPECT_EQ(text_rect.top, 5);
  EXPECT_EQ(text_rect.right, 800);
  EXPECT_EQ(text_rect.bottom, 0);
  // A band at its floor draws nothing and leaves the rectangle alone.
  InitConsole();
  text_rect = {1, 2, 3, 4};
  DrawConsole();
  EXPECT_EQ(text_rect.left, 1);
  EXPECT_EQ(text_rect.bottom, 4);
}

}  // namespace
