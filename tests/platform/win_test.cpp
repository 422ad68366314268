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
