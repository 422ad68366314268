#include "platform/script.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

class ScriptTest : public ::testing::Test {
 protected:
  void TearDown() override { ScriptClear(); }
};

TEST_F(ScriptTest, ReadsEveryKindOfLine) {
  const char* text =
      "# a comment line\n"
      "\n"
      "5 key 57 down   # space\r\n"
      "3 close\n"
      "  7\tkey 57 up\n"
      "5 focus lost\n"
      "6 focus gained\n"
      "answer yes\n"
      "answer ok\n"
      "answer no";
  ASSERT_TRUE(ScriptLoadText(text, "test"));
  ASSERT_EQ(script_event_count, 5);
  // Sorted by pass, file order kept within a pass.
  EXPECT_EQ(script_events[0].pass, 3);
  EXPECT_EQ(script_events[0].kind, SCRIPT_CLOSE);
  EXPECT_EQ(script_events[0].line, 4);
  EXPECT_EQ(script_events[1].kind, SCRIPT_KEY);
  EXPECT_EQ(script_events[1].code, 57);
  EXPECT_EQ(script_events[1].state, 1);
  EXPECT_EQ(script_events[2].kind, SCRIPT_FOCUS);
  EXPECT_EQ(script_events[2].state, 0);
  EXPECT_EQ(script_events[3].state, 1);
  EXPECT_EQ(script_events[4].pass, 7);
  EXPECT_EQ(script_events[4].state, 0);
  EXPECT_EQ(script_last_pass, 7);
  ASSERT_EQ(script_answer_count, 3);
  EXPECT_EQ(script_answers[0], ANSWER_YES);
  EXPECT_EQ(script_answers[1], ANSWER_OK);
  EXPECT_EQ(script_answers[2], ANSWER_NO);

  int first, end;
  ScriptEventRange(5, &first, &end);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(end, 3);
  ScriptEventRange(4, &first, &end);
  EXPECT_EQ(first, end);
  ScriptEventRange(8, &first, &end);
  EXPECT_EQ(first, 5);
  EXPECT_EQ(end, 5);
}

TEST_F(ScriptTest, BadLinesNameTheLineAndLeaveNoScript) {
  struct Case {
    const char* label;
    const char* line;
    const char* says;
  };
  const Case cases[] = {
      {"no pass", "key 57 down", "pass number"},
      {"pass zero", "0 close", "pass number"},
      {"negative pass", "-3 close", "pass number"},
      {"pass too large", "99999999999 close", "pass number"},
      {"pass alone", "12", "needs an event"},
      {"unknown event", "3 jump", "unknown event"},
      {"scan code too large", "3 key 256 down", "scan code"},
      {"scan code not a number", "3 key 0x39 down", "scan code"},
      {"key without state", "3 key 57", "expected"},
      {"key state word", "3 key 57 pressed", "down or up"},
      {"close with more", "3 close now", "nothing after"},
      {"focus word", "3 focus away", "lost|gained"},
      {"answer word", "answer maybe", "yes|no|ok"},
      {"answer alone", "answer", "yes|no|ok"},
      {"too many words", "1 a b c d e f g h i", "too many words"},
      {"pad number too large", "3 pad 16 x 0", "pad <0..15>"},
      {"pad alone", "3 pad 0", "pad <0..15>"},
      {"pad control word", "3 pad 0 z 10", "x, y or button"},
      {"axis too far", "3 pad 0 x -1001", "-1000 to 1000"},
      {"axis minus alone", "3 pad 0 y -", "-1000 to 1000"},
      {"axis without position", "3 pad 0 y", "-1000 to 1000"},
      {"button too large", "3 pad 0 button 32 down", "0..31"},
      {"negative button", "3 pad 0 button -1 down", "0..31"},
      {"button state word", "3 pad 0 button 1 held", "down or up"},
  };
  for (const Case& c : cases) {
    std::string text = "1 close\n# fine\n" + std::string(c.line) + "\n2 close\n";
    EXPECT_FALSE(ScriptLoadText(text.c_str(), "bad.txt")) << c.label;
    std::string error = script_error;
    EXPECT_NE(error.find("bad.txt line 3"), std::string::npos) << c.label << ": " << error;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.label << ": " << error;
    EXPECT_NE(error.find(c.line), std::string::npos) << c.label << ": " << error;
    EXPECT_EQ(script_event_count, 0) << c.label;
    EXPECT_EQ(script_answer_count, 0) << c.label;
    EXPECT_EQ(script_last_pass, 0) << c.label;
  }
}

TEST_F(ScriptTest, ReadsControllerEvents) {
  ASSERT_TRUE(ScriptLoadText("4 pad 2 x -501\n4 pad 2 y 1000\n5 pad 15 button 31 down\n6 pad 0 button 0 up\n", "t"));
  ASSERT_EQ(script_event_count, 4);
  struct Want {
    int kind, device, code, state;
  };
  const Want want[] = {
      {SCRIPT_PAD_AXIS, 2, 0, -501},
      {SCRIPT_PAD_AXIS, 2, 1, 1000},
      {SCRIPT_PAD_BUTTON, 15, 31, 1},
      {SCRIPT_PAD_BUTTON, 0, 0, 0},
  };
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(script_events[i].kind, want[i].kind) << i;
    EXPECT_EQ(script_events[i].device, want[i].device) << i;
    EXPECT_EQ(script_events[i].code, want[i].code) << i;
    EXPECT_EQ(script_events[i].state, want[i].state) << i;
  }
}

TEST_F(ScriptTest, FullTablesAreErrorsNotOverruns) {
  std::string text;
  for (int i = 0; i <= SCRIPT_ANSWER_MAX; i++) text += "answer ok\n";
  EXPECT_FALSE(ScriptLoadText(text.c_str(), "many"));
  EXPECT_NE(std::string(script_error).find("too many answers"), std::string::npos);
  text.clear();
  for (int i = 0; i <= SCRIPT_EVENT_MAX; i++) text += "1 close\n";
  EXPECT_FALSE(ScriptLoadText(text.c_str(), "many"));
  EXPECT_NE(std::string(script_error).find("line 16385"), std::string::npos);
}

TEST_F(ScriptTest, AnswersGoToTheBoxesTheySuit) {
  ASSERT_TRUE(ScriptLoadText("answer no\nanswer ok\nanswer yes\n", "t"));
  EXPECT_EQ(ScriptTakeAnswer(0), -1);  // an OK box leaves the no for the next Yes/No box
  EXPECT_EQ(ScriptTakeAnswer(1), ANSWER_NO);
  EXPECT_EQ(ScriptTakeAnswer(1), -1);  // the ok waits for an OK box
  EXPECT_EQ(ScriptTakeAnswer(0), ANSWER_OK);
  EXPECT_EQ(ScriptTakeAnswer(1), ANSWER_YES);
  EXPECT_EQ(ScriptTakeAnswer(1), -1);
  EXPECT_EQ(ScriptTakeAnswer(0), -1);
}

TEST_F(ScriptTest, FilesAreReadAndAMissingOneIsAnError) {
  char path[] = "/tmp/kestrune_script_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  std::FILE* f = fdopen(fd, "w");
  std::fputs("3 close\n", f);
  std::fclose(f);
  EXPECT_TRUE(ScriptLoadFile(path));
  EXPECT_EQ(script_event_count, 1);
  std::remove(path);
  EXPECT_FALSE(ScriptLoadFile(path));
  EXPECT_NE(std::string(script_error).find("cannot be read"), std::string::npos);
  EXPECT_EQ(script_event_count, 0);
}

TEST_F(ScriptTest, TextArgumentsAreStored) {
  const char* stored = ScriptStoreText("frame.png", 9);
  ASSERT_NE(stored, nullptr);
  EXPECT_STREQ(stored, "frame.png");
  std::string big(SCRIPT_TEXT_MAX, 'x');
  EXPECT_EQ(ScriptStoreText(big.c_str(), int(big.size())), nullptr);
}

TEST_F(ScriptTest, HeadlessComesFromTheEnvironment) {
  // The tests run with KESTRUNE_HEADLESS=1.
  EXPECT_TRUE(IsHeadless());
}

}  // namespace
