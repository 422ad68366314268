#include "engine/input.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/config.h"
#include "engine/console.h"
#include "engine_state.h"
#include "platform/script.h"
#include "platform/win.h"
#include "world/game.h"

namespace {

// The default bindings, in key_bindings order.
const int default_bindings[KEY_BINDING_COUNT] = {1, 57, 28, 200, 203, 208, 205, 0, 29, 56, 17, 30, 31, 32};

// The devices made from a script, as at start-up, with every flag, counter and state at rest.
class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetEngineState();
    game_state = STATE_MAIN_MENU;
  }
  void TearDown() override { ResetEngineState(); }
  void Init(const char* script) {
    ASSERT_TRUE(ScriptLoadText(script, "test"));
    InitInput(GetModuleHandleA(nullptr));
    ASSERT_NE(keyboard_device, nullptr);
  }
  // One main-loop pass as far as the input goes.
  static void Pass() {
    script_pass++;
    PollInput();
  }
  // Runs `passes` passes and gives the flag's value on each, as "1001...".
  static std::string Run(const int* flag, int passes) {
    std::string seen;
    for (int i = 0; i < passes; i++) {
      Pass();
      seen += *flag ? '1' : '0';
    }
    return seen;
  }
  static int AnyFlag() {
    return action_back | action_fire | action_missile | action_up | action_left | action_down | action_right;
  }
};

TEST_F(InputTest, AHeldKeyRepeatsByState) {
  struct Case {
    const char* label;
    int state;
    const char* script;
    const int* flag;
    const char* seen;
  };
  const Case cases[] = {
      {"fire in a menu", STATE_MAIN_MENU, "1 key 57 down\n", &action_fire, "1001001001"},
      {"fire in play", STATE_PLAYING, "1 key 57 down\n", &action_fire, "1111111111"},
      {"up in play", STATE_PLAYING, "1 key 200 down\n", &action_up, "1111111111"},
      {"back in play", STATE_PLAYING, "1 key 1 down\n", &action_back, "1001001001"},
      {"back in a menu", STATE_OPTIONS, "1 key 1 down\n", &action_back, "1001001001"},
      {"pressed late", STATE_MAIN_MENU, "3 key 28 down\n", &action_missile, "0010010010"},
      {"two quick presses", STATE_MAIN_MENU, "1 key 57 down\n2 key 57 up\n3 key 57 down\n4 key 57 up\n",
       &action_fire, "1000000000"},
      {"pressed again once free", STATE_MAIN_MENU, "1 key 57 down\n2 key 57 up\n4 key 57 down\n5 key 57 up\n",
       &action_fire, "1001000000"},
      {"released", STATE_PLAYING, "1 key 203 down\n4 key 203 up\n", &action_left, "1110000000"},
  };
  for (const Case& c : cases) {
    SetUp();
    Init(c.script);
    game_state = c.state;
    EXPECT_EQ(Run(c.flag, 10), c.seen) << c.label;
  }
}

TEST_F(InputTest, TheLockSetsNothingButCountersRunOn) {
  Init("1 key 57 down\n");
  Pass();
  EXPECT_EQ(action_fire, 1);
  EXPECT_EQ(repeat_fire, 3);
  input_lock = 12;
  EXPECT_EQ(Run(&action_fire, 12), "000000000000");
  EXPECT_EQ(input_lock, 0);
  EXPECT_EQ(repeat_fire, 0);
  Pass();  // held through the lock: seen on the first pass after it
  EXPECT_EQ(action_fire, 1);
}

TEST_F(InputTest, TheLockHoldsInPlayToo) {
  Init("1 key 57 down\n");
  game_state = STATE_PLAYING;
  input_lock = 6;
  EXPECT_EQ(Run(&action_fire, 8), "00000011");
}

TEST_F(InputTest, EitherBindingSetsTheActionAndOneKeyMaySetTwo) {
  button_fire_0 = 30;  // A: also the second key of left
  Init("1 key 29 down\n2 key 29 up\n5 key 30 down\n");
  game_state = STATE_PLAYING;
  Pass();
  EXPECT_EQ(action_fire, 1);  // L Ctrl, the second key of fire
  EXPECT_EQ(action_left, 0);
  for (int i = 0; i < 3; i++) Pass();
  EXPECT_EQ(AnyFlag(), 0);
  Pass();
  EXPECT_EQ(action_fire, 1);
  EXPECT_EQ(action_left, 1);
  EXPECT_EQ(action_up + action_down + action_right + action_back + action_missile, 0);
}

TEST_F(InputTest, BindingsThatAreNoKeyCodeSetNothing) {
  // Scan code 0 held, and every key an out-of-range binding could land on.
  std::string script = "1 key 0 down\n";
  for (int code = 1; code < 256; code++)
    if (code != 57) script += "1 key " + std::to_string(code) + " down\n";
  const float bad[] = {0.0f, 0.5f, 256.0f, 300.0f, -1.0f, -0.5f, 1e30f, -1e30f, NAN, INFINITY};
  for (float value : bad) {
    SetUp();
    button_back_0 = button_back_1 = button_fire_0 = button_fire_1 = button_missle_0 = button_missle_1 = value;
    button_up_0 = button_up_1 = button_left_0 = button_left_1 = button_down_0 = button_down_1 = value;
    button_right_0 = button_right_1 = value;
    Init(script.c_str());
    game_state = STATE_PLAYING;
    Pass();
    EXPECT_EQ(AnyFlag(), 0) << value;
    // The variable keeps its value.
    if (std::isnan(value)) EXPECT_TRUE(std::isnan(button_fire_0));
    else EXPECT_EQ(button_fire_0, value);
  }
}

TEST_F(InputTest, AFractionalBindingIsTruncated) {
  button_fire_0 = 57.9f;
  Init("1 key 57 down\n");
  Pass();
  EXPECT_EQ(action_fire, 1);
}

TEST_F(InputTest, SticksLeanPastHalfwayAndButtonsAct) {
  struct Case {
    const char* label;
    const char* event;
    const int* flag;  // null: nothing may be set
  };
  const Case cases[] = {
      {"x at -500", "x -500", nullptr},
      {"x at -501", "x -501", &action_left},
      {"x at 500", "x 500", nullptr},
      {"x at 501", "x 501", &action_right},
      {"y at -501", "y -501", &action_up},
      {"y at 500", "y 500", nullptr},
      {"y at 501", "y 501", &action_down},
      {"full right", "x 1000", &action_right},
      {"button 0", "button 0 down", &action_fire},
      {"button 1", "button 1 down", &action_missile},
      {"button 2", "button 2 down", &action_back},
      {"button 3", "button 3 down", nullptr},
  };
  for (const Case& c : cases) {
    SetUp();
    // Pad 1 acts; pad 0 stands still beside it.
    std::string script = std::string("1 pad 1 ") + c.event + "\n1 pad 0 x 0\n";
    Init(script.c_str());
    ASSERT_EQ(controller_count, 2) << c.label;
    game_state = STATE_PLAYING;
    Pass();
    if (c.flag) {
      EXPECT_EQ(*c.flag, 1) << c.label;
      EXPECT_EQ(AnyFlag(), 1) << c.label;
    } else {
      EXPECT_EQ(AnyFlag(), 0) << c.label;
    }
  }
}

TEST_F(InputTest, AControllerButtonRepeatsInMenus) {
  Init("1 pad 0 button 0 down\n");
  EXPECT_EQ(Run(&action_fire, 7), "1001001");
}

TEST_F(InputTest, ControllersAreLookedForOnlyWhenEnabled) {
  enable_di_devices = 0;
  Init("1 pad 3 button 0 down\n");
  EXPECT_EQ(controller_count, 0);
  Pass();
  EXPECT_EQ(action_fire, 0);
}

TEST_F(InputTest, OnlyTheFirstEightControllersAreUsed) {
  Init("1 pad 8 button 0 down\n1 pad 7 x 1000\n");
  ASSERT_EQ(controller_count, 8);
  EXPECT_STREQ(controller_names[0], "Scripted controller 0");
  EXPECT_STREQ(controller_names[7], "Scripted controller 7");
  game_state = STATE_PLAYING;
  Pass();
  EXPECT_EQ(action_fire, 0);  // the ninth pad is not read
  EXPECT_EQ(action_right, 1);
}

DIDEVICEINSTANCEA last_instance;
BOOL KeepLast(const DIDEVICEINSTANCEA* instance, void*) {
  last_instance = *instance;
  return DIENUM_CONTINUE;
}

TEST_F(InputTest, AProductNameIsCutToItsSlot) {
  Init("1 pad 1 x 0\n");
  ASSERT_EQ(controller_count, 2);
  controller_devices[1]->Release();
  controller_devices[1] = nullptr;
  controller_count = 1;
  direct_input->EnumDevices(DI8DEVCLASS_GAMECTRL, KeepLast, nullptr, DIEDFL_ATTACHEDONLY);
  DIDEVICEINSTANCEA instance = last_instance;  // pad 1, under a name longer than the slot
  std::memset(instance.tszProductName, 'N', MAX_PATH - 1);
  std::memset(controller_names[2], 'x', CONTROLLER_NAME_SIZE);  // the slot after must not be touched
  EXPECT_EQ(EnumControllerCallback(&instance, nullptr), DIENUM_CONTINUE);
  ASSERT_EQ(controller_count, 2);
  EXPECT_EQ(std::strlen(controller_names[1]), std::size_t(CONTROLLER_NAME_SIZE - 1));
  EXPECT_EQ(controller_names[2][0], 'x');
}

TEST_F(InputTest, AControllerThatCannotBeMadeIsSkipped) {
  Init("1 pad 0 x 0\n");
  ASSERT_EQ(controller_count, 1);
  DIDEVICEINSTANCEA instance{};
  instance.guidInstance = {77, 1, 2, {}};
  EXPECT_EQ(EnumControllerCallback(&instance, nullptr), DIENUM_CONTINUE);
  EXPECT_EQ(controller_count, 1);
  EXPECT_EQ(controller_devices[1], nullptr);
}

TEST_F(InputTest, LosingTheFocusLetsGoOfEverythingHeld) {
  Init("1 key 57 down\n1 pad 0 x -1000\n3 focus lost\n5 focus gained\n");
  game_state = STATE_PLAYING;
  Pass();
  Pass();
  EXPECT_EQ(key_state[57], 0x80);
  EXPECT_EQ(action_fire + action_left, 2);
  Pass();  // pass 3: both reads fail
  EXPECT_EQ(key_state[57], 0);
  EXPECT_EQ(controller_states[0].lX, 0);
  EXPECT_EQ(AnyFlag(), 0);
  Pass();
  EXPECT_EQ(AnyFlag(), 0);
  Pass();  // pass 5: the keyboard is acquired again after its failed read; the controller reads at once
  EXPECT_EQ(action_fire, 0);
  EXPECT_EQ(action_left, 1);
  Pass();
  EXPECT_EQ(action_fire, 1);
  EXPECT_EQ(action_left, 1);
}

TEST_F(InputTest, AReleasedKeyboardComesBackOnTheNextPoll) {
  Init("1 key 57 down\n");
  game_state = STATE_PLAYING;
  Pass();
  EXPECT_EQ(action_fire, 1);
  keyboard_device->Unacquire();  // as the window does on losing activation in a window
  Pass();
  EXPECT_EQ(action_fire, 0);
  EXPECT_EQ(key_state[57], 0);
  Pass();
  EXPECT_EQ(action_fire, 1);
}

TEST_F(InputTest, WithoutDevicesThePollSetsNothing) {
  // No InitInput: no DirectInput, keyboard or controllers.
  key_state[57] = 0x80;
  Pass();
  EXPECT_EQ(key_state[57], 0);
  EXPECT_EQ(AnyFlag(), 0);
}

TEST_F(InputTest, SyncBindingsBothWays) {
  SyncBindings(0);
  for (int i = 0; i < KEY_BINDING_COUNT; i++) EXPECT_EQ(key_bindings[i], default_bindings[i]) << i;
  key_bindings[ACTION_UP] = 72;
  key_bindings[ACTION_COUNT + ACTION_BACK] = 14;
  SyncBindings(1);
  EXPECT_EQ(button_up_0, 72.0f);
  EXPECT_EQ(button_back_1, 14.0f);
  EXPECT_EQ(button_fire_0, 57.0f);

  // A round trip keeps whole numbers, even ones that are no key, and truncates fractions.
  button_left_1 = 30.7f;
  button_down_1 = -3.9f;
  button_right_1 = 300.0f;
  button_missle_0 = NAN;
  SyncBindings(0);
  EXPECT_EQ(key_bindings[ACTION_COUNT + ACTION_LEFT], 30);
  EXPECT_EQ(key_bindings[ACTION_COUNT + ACTION_DOWN], -3);
  EXPECT_EQ(key_bindings[ACTION_COUNT + ACTION_RIGHT], 300);
  EXPECT_EQ(key_bindings[ACTION_MISSILE], INT_MIN);  // no key, as the processor converts NaN
  SyncBindings(1);
  EXPECT_EQ(button_left_1, 30.0f);
  EXPECT_EQ(button_down_1, -3.0f);
  EXPECT_EQ(button_right_1, 300.0f);
  EXPECT_EQ(button_up_0, 72.0f);
}

TEST_F(InputTest, ThePollReadsTheConfigurationNotTheWorkingCopy) {
  Init("1 key 30 down\n");
  SyncBindings(0);
  key_bindings[ACTION_FIRE] = 30;
  game_state = STATE_PLAYING;
  Pass();
  EXPECT_EQ(action_fire, 0);
  SyncBindings(1);
  Pass();
  EXPECT_EQ(action_fire, 1);
}

TEST(KeyNames, NamesAndCharacters) {
  struct Case {
    int device, code;
    const char* name;
    int typed;
  };
  const Case cases[] = {
      {-1, 0, "---", '?'},
      {-1, 1, "Esc", '?'},
      {-1, 2, "1", '1'},
      {-1, 11, "0", '0'},
      {-1, 12, "Dash", '?'},
      {-1, 14, "BackSpace", '?'},
      {-1, 16, "Q", 'Q'},
      {-1, 26, "L Bracket", '['},
      {-1, 27, "R Bracket", ']'},
      {-1, 28, "Enter", '?'},
      {-1, 38, "L", 'L'},
      {-1, 39, "Colon", ';'},
      {-1, 40, "Quote", '"'},
      {-1, 41, "Tilde", '~'},
      {-1, 43, "Backslash", '|'},
      {-1, 50, "M", 'M'},
      {-1, 51, "Comma", '<'},
      {-1, 52, "Period", '>'},
      {-1, 53, "Question", '/'},
      {-1, 55, "Pad Star", '*'},
      {-1, 57, "Spacebar", ' '},
      {-1, 58, "CapLock", '?'},
      {-1, 68, "F10", '?'},
      {-1, 70, "ScrLock", '?'},
      {-1, 71, "Pad 7", '7'},
      {-1, 74, "Pad -", '-'},
      {-1, 78, "Pad +", '+'},
      {-1, 82, "Pad 0", '0'},
      {-1, 83, "Pad .", '.'},
      {-1, 84, "Key 84", '?'},
      {-1, 87, "F11", '?'},
      {-1, 89, "F15", '?'},
      {-1, 90, "Key 90", '?'},
      {-1, 130, "L Win", '?'},
      {-1, 132, "App Key", '?'},
      {-1, 156, "Pad Enter", '?'},
      {-1, 157, "R Ctrl", '?'},
      {-1, 181, "Pad Div", '?'},
      {-1, 183, "Prt Scr", '?'},
      {-1, 184, "R Alt", '?'},
      {-1, 197, "Pause", '?'},
      {-1, 200, "Up", '?'},
      {-1, 202, "Key 202", '?'},
      {-1, 203, "Left", '?'},
      {-1, 211, "Delete", '?'},
      {-1, 212, "Key 212", '?'},
      {-1, 219, "Key 219", '?'},  // the Windows key, where DirectInput reports it
      {-1, 255, "Key 255", '?'},
      {-1, 256, "Key 256", '?'},
      {-1, -1, "Key -1", '?'},
      {2, 5, "D:2, B:5", '5'},
      {0, 0, "D:0, B:0", '0'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetKeyName(c.device, c.code), c.typed) << c.code;
    EXPECT_STREQ(text_buffer, c.name) << c.code;
  }
}

TEST(KeyNames, ExactlyTheListedCodesHaveNames) {
  int named = 0;
  for (int code = 0; code < 256; code++) {
    GetKeyName(-1, code);
    if (std::string(text_buffer) != "Key " + std::to_string(code)) named++;
  }
  EXPECT_EQ(named, 106);
}

}  // namespace
