#include "platform/dinput.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>
#include <string>

#include "platform/script.h"

namespace {

// Every key of a standard keyboard (the US 104 keys and the two extra ISO keys), with the scan code
// Windows reports for it.
struct KeyCase {
  const char* label;
  SDL_Scancode sdl;
  int code;
};
const KeyCase standard_keys[] = {
    {"Esc", SDL_SCANCODE_ESCAPE, 0x01},
    {"F1", SDL_SCANCODE_F1, 0x3B},
    {"F2", SDL_SCANCODE_F2, 0x3C},
    {"F3", SDL_SCANCODE_F3, 0x3D},
    {"F4", SDL_SCANCODE_F4, 0x3E},
    {"F5", SDL_SCANCODE_F5, 0x3F},
    {"F6", SDL_SCANCODE_F6, 0x40},
    {"F7", SDL_SCANCODE_F7, 0x41},
    {"F8", SDL_SCANCODE_F8, 0x42},
    {"F9", SDL_SCANCODE_F9, 0x43},
    {"F10", SDL_SCANCODE_F10, 0x44},
    {"F11", SDL_SCANCODE_F11, 0x57},
    {"F12", SDL_SCANCODE_F12, 0x58},
    {"Print Screen", SDL_SCANCODE_PRINTSCREEN, 0xB7},
    {"Scroll Lock", SDL_SCANCODE_SCROLLLOCK, 0x46},
    {"Pause", SDL_SCANCODE_PAUSE, 0xC5},
    {"`", SDL_SCANCODE_GRAVE, 0x29},
    {"1", SDL_SCANCODE_1, 0x02},
    {"2", SDL_SCANCODE_2, 0x03},
    {"3", SDL_SCANCODE_3, 0x04},
    {"4", SDL_SCANCODE_4, 0x05},
    {"5", SDL_SCANCODE_5, 0x06},
    {"6", SDL_SCANCODE_6, 0x07},
    {"7", SDL_SCANCODE_7, 0x08},
    {"8", SDL_SCANCODE_8, 0x09},
    {"9", SDL_SCANCODE_9, 0x0A},
    {"0", SDL_SCANCODE_0, 0x0B},
    {"-", SDL_SCANCODE_MINUS, 0x0C},
    {"=", SDL_SCANCODE_EQUALS, 0x0D},
    {"Backspace", SDL_SCANCODE_BACKSPACE, 0x0E},
    {"Tab", SDL_SCANCODE_TAB, 0x0F},
    {"Q", SDL_SCANCODE_Q, 0x10},
    {"W", SDL_SCANCODE_W, 0x11},
    {"E", SDL_SCANCODE_E, 0x12},
    {"R", SDL_SCANCODE_R, 0x13},
    {"T", SDL_SCANCODE_T, 0x14},
    {"Y", SDL_SCANCODE_Y, 0x15},
    {"U", SDL_SCANCODE_U, 0x16},
    {"I", SDL_SCANCODE_I, 0x17},
    {"O", SDL_SCANCODE_O, 0x18},
    {"P", SDL_SCANCODE_P, 0x19},
    {"[", SDL_SCANCODE_LEFTBRACKET, 0x1A},
    {"]", SDL_SCANCODE_RIGHTBRACKET, 0x1B},
    {"\\", SDL_SCANCODE_BACKSLASH, 0x2B},
    {"Caps Lock", SDL_SCANCODE_CAPSLOCK, 0x3A},
    {"A", SDL_SCANCODE_A, 0x1E},
    {"S", SDL_SCANCODE_S, 0x1F},
    {"D", SDL_SCANCODE_D, 0x20},
    {"F", SDL_SCANCODE_F, 0x21},
    {"G", SDL_SCANCODE_G, 0x22},
    {"H", SDL_SCANCODE_H, 0x23},
    {"J", SDL_SCANCODE_J, 0x24},
    {"K", SDL_SCANCODE_K, 0x25},
    {"L", SDL_SCANCODE_L, 0x26},
    {";", SDL_SCANCODE_SEMICOLON, 0x27},
    {"'", SDL_SCANCODE_APOSTROPHE, 0x28},
    {"ISO #", SDL_SCANCODE_NONUSHASH, 0x2B},
    {"Enter", SDL_SCANCODE_RETURN, 0x1C},
    {"Left Shift", SDL_SCANCODE_LSHIFT, 0x2A},
    {"ISO \\", SDL_SCANCODE_NONUSBACKSLASH, 0x56},
    {"Z", SDL_SCANCODE_Z, 0x2C},
    {"X", SDL_SCANCODE_X, 0x2D},
    {"C", SDL_SCANCODE_C, 0x2E},
    {"V", SDL_SCANCODE_V, 0x2F},
    {"B", SDL_SCANCODE_B, 0x30},
    {"N", SDL_SCANCODE_N, 0x31},
    {"M", SDL_SCANCODE_M, 0x32},
    {",", SDL_SCANCODE_COMMA, 0x33},
    {".", SDL_SCANCODE_PERIOD, 0x34},
    {"/", SDL_SCANCODE_SLASH, 0x35},
    {"Right Shift", SDL_SCANCODE_RSHIFT, 0x36},
    {"Left Ctrl", SDL_SCANCODE_LCTRL, 0x1D},
    {"Left Win", SDL_SCANCODE_LGUI, 0xDB},
    {"Left Alt", SDL_SCANCODE_LALT, 0x38},
    {"Space", SDL_SCANCODE_SPACE, 0x39},
    {"Right Alt", SDL_SCANCODE_RALT, 0xB8},
    {"Right Win", SDL_SCANCODE_RGUI, 0xDC},
    {"Menu", SDL_SCANCODE_APPLICATION, 0xDD},
    {"Right Ctrl", SDL_SCANCODE_RCTRL, 0x9D},
    {"Insert", SDL_SCANCODE_INSERT, 0xD2},
    {"Home", SDL_SCANCODE_HOME, 0xC7},
    {"Page Up", SDL_SCANCODE_PAGEUP, 0xC9},
    {"Delete", SDL_SCANCODE_DELETE, 0xD3},
    {"End", SDL_SCANCODE_END, 0xCF},
    {"Page Down", SDL_SCANCODE_PAGEDOWN, 0xD1},
    {"Up", SDL_SCANCODE_UP, 0xC8},
    {"Left", SDL_SCANCODE_LEFT, 0xCB},
    {"Down", SDL_SCANCODE_DOWN, 0xD0},
    {"Right", SDL_SCANCODE_RIGHT, 0xCD},
    {"Num Lock", SDL_SCANCODE_NUMLOCKCLEAR, 0x45},
    {"Pad /", SDL_SCANCODE_KP_DIVIDE, 0xB5},
    {"Pad *", SDL_SCANCODE_KP_MULTIPLY, 0x37},
    {"Pad -", SDL_SCANCODE_KP_MINUS, 0x4A},
    {"Pad 7", SDL_SCANCODE_KP_7, 0x47},
    {"Pad 8", SDL_SCANCODE_KP_8, 0x48},
    {"Pad 9", SDL_SCANCODE_KP_9, 0x49},
    {"Pad +", SDL_SCANCODE_KP_PLUS, 0x4E},
    {"Pad 4", SDL_SCANCODE_KP_4, 0x4B},
    {"Pad 5", SDL_SCANCODE_KP_5, 0x4C},
    {"Pad 6", SDL_SCANCODE_KP_6, 0x4D},
    {"Pad 1", SDL_SCANCODE_KP_1, 0x4F},
    {"Pad 2", SDL_SCANCODE_KP_2, 0x50},
    {"Pad 3", SDL_SCANCODE_KP_3, 0x51},
    {"Pad Enter", SDL_SCANCODE_KP_ENTER, 0x9C},
    {"Pad 0", SDL_SCANCODE_KP_0, 0x52},
    {"Pad .", SDL_SCANCODE_KP_PERIOD, 0x53},
};
static_assert(sizeof(standard_keys) / sizeof(standard_keys[0]) == 106);

TEST(ScanCodes, EveryKeyOfAStandardKeyboard) {
  for (const KeyCase& k : standard_keys) EXPECT_EQ(ScanCodeFromSdl(k.sdl), k.code) << k.label;
}

TEST(ScanCodes, TheStandardKeysHaveCodesOfTheirOwn) {
  // Only the US backslash and the ISO key in its place share a code.
  int seen[256] = {};
  for (const KeyCase& k : standard_keys) seen[k.code]++;
  for (int code = 0; code < 256; code++) EXPECT_LE(seen[code], code == 0x2B ? 2 : 1) << code;
}

TEST(ScanCodes, KeysWithoutACodeGiveZero) {
  const int none[] = {SDL_SCANCODE_UNKNOWN, SDL_SCANCODE_F16, SDL_SCANCODE_F24, SDL_SCANCODE_HELP,
                      SDL_SCANCODE_UNDO, -1, SDL_NUM_SCANCODES, 100000};
  for (int sdl : none) EXPECT_EQ(ScanCodeFromSdl(sdl), 0) << sdl;
}

class DirectInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput8A, reinterpret_cast<void**>(&di),
                                 nullptr),
              DI_OK);
  }
  void TearDown() override {
    if (keyboard) keyboard->Release();
    di->Release();
    ScriptClear();
  }
  void Load(const char* text) { ASSERT_TRUE(ScriptLoadText(text, "test")); }
  void OpenKeyboard() {
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY), DI_OK);
  }

  IDirectInput8A* di = nullptr;
  IDirectInputDevice8A* keyboard = nullptr;
  BYTE keys[256];
};

TEST_F(DirectInputTest, ScriptedKeysHoldFromTheirPassOn) {
  Load("2 key 57 down\n2 key 200 down\n4 key 57 up\n");
  OpenKeyboard();
  script_pass = 1;
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
  EXPECT_EQ(keys[57], 0);
  const int space_by_pass[] = {0, 0, 0x80, 0x80, 0, 0};
  for (int pass = 1; pass <= 5; pass++) {
    script_pass = pass;
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[57], space_by_pass[pass]) << pass;
    EXPECT_EQ(keys[200], pass >= 2 ? 0x80 : 0) << pass;
  }
}

// A key that went down since the last read shows down on the next read once, even when it is up
// again by then; after that the key's own state.
TEST_F(DirectInputTest, ScriptedTapsBetweenReadsAreSeenOnce) {
  Load("2 key 57 down\n2 key 57 up\n"       // a tap within one pass
       "4 key 28 down\n5 key 28 up\n"       // down and up on passes no read looks at
       "7 key 30 down\n7 key 30 up\n7 key 30 down\n"  // a tap, then held
       "9 key 44 down\n9 key 44 up\n");    // a tap while the keyboard is not acquired
  OpenKeyboard();
  script_pass = 1;
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  struct Read {
    int pass, code, want;
  };
  const Read reads[] = {
      {2, 57, 0x80}, {2, 57, 0}, {3, 57, 0},  // the tap once, then up
      {6, 28, 0x80}, {6, 28, 0},              // kept until a read came
      {7, 30, 0x80}, {8, 30, 0x80},           // held: its real state
  };
  for (const Read& r : reads) {
    SCOPED_TRACE(testing::Message() << "pass " << r.pass << " key " << r.code);
    script_pass = r.pass;
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[r.code], r.want);
  }
  ASSERT_EQ(keyboard->Unacquire(), DI_OK);
  script_pass = 9;
  EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
  script_pass = 10;
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
  EXPECT_EQ(keys[44], 0);  // pressed while not ours
}

// The real backend learns of a tap from the event queue: a key-down noted as it arrives is seen by
// the next read even though the key is up by then; a repeat of a held key adds nothing.
TEST_F(DirectInputTest, KeyDownEventsBetweenReadsAreSeenOnce) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
  OpenKeyboard();
  script_pass = 1;
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  auto push = [](Uint32 type, SDL_Scancode code, Uint8 repeat) {
    SDL_Event event{};
    event.type = type;
    event.key.keysym.scancode = code;
    event.key.repeat = repeat;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&event);
  };
  push(SDL_KEYDOWN, SDL_SCANCODE_SPACE, 0);
  push(SDL_KEYUP, SDL_SCANCODE_SPACE, 0);
  push(SDL_KEYDOWN, SDL_SCANCODE_RCTRL, 1);
  ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
  EXPECT_EQ(keys[DIK_SPACE], 0x80);
  EXPECT_EQ(keys[0x9D], 0);  // R Ctrl's repeat
  ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
  EXPECT_EQ(keys[DIK_SPACE], 0);
  keyboard->Release();
  keyboard = nullptr;
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

TEST_F(DirectInputTest, AReadOfTheWrongSizeFails) {
  OpenKeyboard();
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  EXPECT_EQ(keyboard->GetDeviceState(80, keys), DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIJoystick), DIERR_INVALIDPARAM);
}

TEST_F(DirectInputTest, LosingTheForegroundLosesTheKeyboard) {
  Load("3 focus lost\n4 key 30 down\n6 focus gained\n");
  OpenKeyboard();
  script_pass = 1;
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
  script_pass = 3;
  std::memset(keys, 0x55, sizeof(keys));
  EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_INPUTLOST);
  EXPECT_EQ(keys[0], 0x55);  // a failed read writes nothing
  EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
  script_pass = 5;
  EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
  script_pass = 6;
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
  EXPECT_EQ(keys[30], 0x80);  // the key went down while away and is still down
}

TEST_F(DirectInputTest, UnacquireStopsReads) {
  OpenKeyboard();
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  EXPECT_EQ(keyboard->Unacquire(), DI_OK);
  EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
  EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
  EXPECT_EQ(keyboard->Acquire(), DI_OK);
}

TEST_F(DirectInputTest, ANewScriptStartsFromNothingHeld) {
  Load("1 key 57 down\n");
  OpenKeyboard();
  script_pass = 1;
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
  EXPECT_EQ(keys[57], 0x80);
  Load("5 key 58 down\n");
  script_pass = 1;
  ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
  EXPECT_EQ(keys[57], 0);
}

struct Enumerated {
  int count;
  DIDEVICEINSTANCEA instance[16];
};

BOOL CountControllers(const DIDEVICEINSTANCEA* instance, void* context) {
  Enumerated* e = static_cast<Enumerated*>(context);
  e->instance[e->count++] = *instance;
  return e->count < 2 ? DIENUM_CONTINUE : DIENUM_STOP;
}

TEST_F(DirectInputTest, ControllersAreThePadsTheScriptNames) {
  Enumerated e{};
  ASSERT_EQ(di->EnumDevices(DI8DEVCLASS_GAMECTRL, CountControllers, &e, DIEDFL_ATTACHEDONLY), DI_OK);
  EXPECT_EQ(e.count, 0);
  Load("1 pad 2 button 0 down\n");
  e = Enumerated{};
  ASSERT_EQ(di->EnumDevices(DI8DEVCLASS_GAMECTRL, CountControllers, &e, DIEDFL_ATTACHEDONLY), DI_OK);
  EXPECT_EQ(e.count, 2);  // three attached; the callback stopped after two
  EXPECT_STREQ(e.instance[1].tszProductName, "Scripted controller 1");
  EXPECT_FALSE(e.instance[0].guidInstance == e.instance[1].guidInstance);
  IDirectInputDevice8A* pad = nullptr;
  ASSERT_EQ(di->CreateDevice(e.instance[1].guidInstance, &pad, nullptr), DI_OK);
  pad->Release();
  GUID missing = e.instance[1].guidInstance;
  missing.Data1 = 3;
  EXPECT_EQ(di->CreateDevice(missing, &pad, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(pad, nullptr);
}

BOOL TakeAll(const DIDEVICEINSTANCEA* instance, void* context) {
  Enumerated* e = static_cast<Enumerated*>(context);
  e->instance[e->count++] = *instance;
  return DIENUM_CONTINUE;
}

TEST_F(DirectInputTest, ControllerAxesFollowTheirRange) {
  Load("2 pad 0 x -1000\n2 pad 0 y 501\n2 pad 0 button 1 down\n3 pad 0 x 0\n3 pad 0 button 1 up\n");
  Enumerated e{};
  ASSERT_EQ(di->EnumDevices(DI8DEVCLASS_GAMECTRL, TakeAll, &e, DIEDFL_ATTACHEDONLY), DI_OK);
  ASSERT_EQ(e.count, 1);
  IDirectInputDevice8A* pad = nullptr;
  ASSERT_EQ(di->CreateDevice(e.instance[0].guidInstance, &pad, nullptr), DI_OK);
  ASSERT_EQ(pad->SetDataFormat(&c_dfDIJoystick), DI_OK);
  ASSERT_EQ(pad->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
  DIJOYSTATE state;
  script_pass = 1;
  ASSERT_EQ(pad->Acquire(), DI_OK);
  ASSERT_EQ(pad->Poll(), DI_OK);
  ASSERT_EQ(pad->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lX, 32768);  // centred in the default range 0..65535
  script_pass = 2;
  ASSERT_EQ(pad->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lX, 0);
  EXPECT_EQ(state.rgbButtons[1], 0x80);

  DIPROPRANGE range{};
  range.diph = {.dwSize = sizeof(range), .dwHeaderSize = sizeof(range.diph), .dwObj = DIJOFS_X, .dwHow = DIPH_BYOFFSET};
  range.lMin = -1000;
  range.lMax = 1000;
  ASSERT_EQ(pad->SetProperty(DIPROP_RANGE, &range.diph), DI_OK);
  ASSERT_EQ(pad->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lX, -1000);
  EXPECT_EQ(state.lY, 49184);  // Y still has the default range: 1501 / 2000 of 65535
  range.diph.dwObj = DIJOFS_Y;
  ASSERT_EQ(pad->SetProperty(DIPROP_RANGE, &range.diph), DI_OK);
  ASSERT_EQ(pad->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lY, 501);
  range.diph.dwObj = 8;  // the Z axis is not there
  EXPECT_EQ(pad->SetProperty(DIPROP_RANGE, &range.diph), DIERR_OBJECTNOTFOUND);

  script_pass = 3;
  ASSERT_EQ(pad->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lX, 0);
  EXPECT_EQ(state.lY, 501);
  EXPECT_EQ(state.rgbButtons[1], 0);
  pad->Release();
}

}  // namespace
