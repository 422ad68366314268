// The screens on the recording device at 640 x 480 (line 48, eighths 80 and 60): which texts each
// draws, where, in which font, alignment and colour; the main menu's locks; the values of the
// option and Dev Mode rows; the high-score tables; the controls screen and the name entry.
#include "engine/screens.h"

#include <functional>
#include <limits>

#include "engine/console.h"
#include "engine/input.h"
#include "engine/main_loop.h"
#include "render_fixture.h"

namespace {

class ScreensTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (IsSkipped()) return;
    name_pos = -1;
  }
  // The texts a screen draws, each as "text|font|left-right|top|align|alpha".
  static std::vector<std::string> Drawn(void (*screen)()) {
    GfxClearCalls();
    screen();
    std::vector<std::string> out;
    for (const DrawnText& t : Texts()) out.push_back(Describe(t));
    return out;
  }
  static std::string Describe(const DrawnText& t) {
    DWORD h = t.format & (DT_CENTER | DT_RIGHT), v = t.format & (DT_VCENTER | DT_BOTTOM);
    std::string align = std::string(h == DT_CENTER ? "center" : h == DT_RIGHT ? "right" : "left") +
                        (v == DT_VCENTER ? "-middle" : v == DT_BOTTOM ? "-bottom" : "");
    if (!(t.format & DT_NOCLIP)) align += "-clipped";
    char out[160];
    std::snprintf(out, sizeof out, "%s|%s|%ld-%ld|%ld|%s|%d", t.text.c_str(), FontName(t.font), long(t.rect.left),
                  long(t.rect.right), long(t.rect.top), align.c_str(), AlphaOf(t.color));
    return out;
  }
  // The texts of a screen whose first text is its title, without the title.
  static std::vector<std::string> Body(void (*screen)()) {
    std::vector<std::string> all = Drawn(screen);
    EXPECT_FALSE(all.empty());
    if (!all.empty()) all.erase(all.begin());
    return all;
  }
  using Lines = std::vector<std::string>;
};

TEST_F(ScreensTest, TitlesAreRedTitleFontCentredAtTheTop) {
  struct Case {
    void (*screen)();
    const char* title;
  };
  const Case cases[] = {
      {DrawPauseMenu, "Pause Menu"},
      {DrawOptionsScreen, "Options"},
      {DrawAboutScreen, "About"},
      {DrawCreditsScreen, "Kestrune: PC"},
      {DrawFinalResultsScreen, "Final Results"},
      {DrawHighScoresScreen, "High Scores"},
      {DrawDevModeScreen, "Dev Mode"},
      {DrawCurrentMapScreen, "Current Map"},
      {DrawFeatureUnlockedScreen, "Feature Unlocked:"},
      {DrawHighScoreEntryScreen, "High Score!"},
      {DrawSoundOptionsScreen, "Sound Options"},
      {DrawDisplayOptionsScreen, "Display Options"},
      {DrawControlsScreen, "Controls Options"},
  };
  for (const Case& c : cases) {
    GfxClearCalls();
    c.screen();
    std::vector<DrawnText> texts = Texts();
    ASSERT_FALSE(texts.empty()) << c.title;
    EXPECT_EQ(Describe(texts[0]), std::string(c.title) + "|title|0-640|0|center|178");
    EXPECT_EQ(texts[0].color, 0xB2FF0000u) << c.title;
    EXPECT_EQ(texts[0].rect.bottom, 480) << c.title;
  }
}

TEST_F(ScreensTest, TheMainMenu) {
  menu_cursor = 2;
  EXPECT_EQ(Drawn(DrawMainMenu), (Lines{
                                     "Kestrune: PC|banner|0-640|0|center-clipped|178",
                                     "Cast Mode|menu|80-560|108|center|128",
                                     "Survival|menu|80-560|156|center|128",
                                     "Random Mode|menu|80-560|204|center|255",
                                     "Boss Battle|menu|80-560|252|center|128",
                                     "High Scores|menu|80-560|300|center|128",
                                     "Options|menu|80-560|348|center|128",
                                 }));
  EXPECT_EQ(TextOf("Kestrune: PC").color, 0xB2FF0000u);
  // With the hidden row selected, "Options" dims and "Dev Mode" stands from the left of its line.
  menu_cursor = 6;
  Lines lines = Drawn(DrawMainMenu);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[6], "Options|menu|80-560|348|center|128");
  EXPECT_EQ(lines[7], "Dev Mode|menu|80-560|348|left|255");
  menu_cursor = 5;
  EXPECT_EQ(Drawn(DrawMainMenu).size(), 7u);
}

TEST_F(ScreensTest, TheMainMenuTurnsALockBesideEachLockedMode) {
  const int unlocked[SCORED_MODES] = {1, 0, 0, 1};
  std::memcpy(mode_unlocked, unlocked, sizeof mode_unlocked);
  spin_angle = 90;
  GfxClearCalls();
  DrawMainMenu();
  std::vector<DrawnMesh> locks = MeshesOf("lock_01.x");
  ASSERT_EQ(locks.size(), 2u);
  EXPECT_EQ(MeshList(locks), "lock_01.x@67.5,48.4,-90 lock_01.x@67.5,49.5,-90");
  EXPECT_NEAR(locks[0].world.m[0][2], -1, 1e-5);  // yaw 90
  const int all_open[SCORED_MODES] = {1, 1, 1, 1};
  std::memcpy(mode_unlocked, all_open, sizeof mode_unlocked);
  GfxClearCalls();
  DrawMainMenu();
  EXPECT_TRUE(MeshesOf("lock_01.x").empty());
}

TEST_F(ScreensTest, MenusAndInformationScreens) {
  struct Case {
    const char* what;
    std::function<void()> set_up;
    void (*screen)();
    Lines body;
  };
  const Case cases[] = {
      {"pause menu on its hidden row", [] { menu_cursor = 4; }, DrawPauseMenu,
       {"Current Map|menu|80-560|108|center|128", "Hide Menu|menu|80-560|156|center|128",
        "Options|menu|80-560|204|center|128", "Quit To Main|menu|80-560|252|center|128",
        "Dev Mode|menu|80-560|204|left|255"}},
      {"options across the whole client area", [] { menu_cursor = 0; }, DrawOptionsScreen,
       {"Sound|menu|0-640|108|center|255", "Display|menu|0-640|156|center|128", "Controls|menu|0-640|204|center|128",
        "About|menu|0-640|252|center|128", "Credits|menu|0-640|300|center|128"}},
      {"about", [] {}, DrawAboutScreen,
       {"Kestrune: PC|text|128-512|60|left|255", "Version - 0.93|text|128-512|108|left|255",
        "Native build for Linux on SDL2 and OpenGL|text|128-512|156|left|255"}},
      {"final results", [] { menu_cursor = 1; }, DrawFinalResultsScreen, {}},
      {"current map", [] {}, DrawCurrentMapScreen, {}},
      {"feature unlocked: Survival", [] { menu_cursor = 1; }, DrawFeatureUnlockedScreen,
       {"Survival|banner|0-640|0|center-middle|178"}},
      {"feature unlocked: the Dev Mode hint", [] { menu_cursor = 4; }, DrawFeatureUnlockedScreen,
       {"Dev Mode|banner|0-640|0|center-middle|178", "Highlight Options|text|0-640|288|center|178",
        "Press Left|text|0-640|336|center|178"}},
      {"feature unlocked: no such feature", [] { menu_cursor = 7; }, DrawFeatureUnlockedScreen, {}},
      {"sound options: the default volumes", [] { menu_cursor = 1; }, DrawSoundOptionsScreen,
       {"Effects Volume|menu|176-464|108|left|128", "70\x1F|menu|176-464|108|right|128",
        "Music Volume|menu|176-464|156|left|255", "60\x1F|menu|176-464|156|right|255"}},
      {"sound options: silent and full",
       [] {
         menu_cursor = 0;
         volume_effects = -10000;
         volume_music = 0;
       },
       DrawSoundOptionsScreen,
       {"Effects Volume|menu|176-464|108|left|255", "0\x1F|menu|176-464|108|right|255",
        "Music Volume|menu|176-464|156|left|128", "100\x1F|menu|176-464|156|right|128"}},
      {"sound options: values no int holds, from a hand-made prefs.cfg",
       [] {
         menu_cursor = 0;
         volume_effects = 3e9f;
         volume_music = std::numeric_limits<float>::quiet_NaN();
       },
       DrawSoundOptionsScreen,
       {"Effects Volume|menu|176-464|108|left|255", "-21474736\x1F|menu|176-464|108|right|255",
        "Music Volume|menu|176-464|156|left|128", "-21474736\x1F|menu|176-464|156|right|128"}},
      {"display options, windowed", [] { menu_cursor = 0; }, DrawDisplayOptionsScreen,
       {"Fullscreen|menu|176-464|108|left|255", "OFF|menu|176-464|108|right|255",
        "Resolution:|menu|176-464|156|left|128", "640x480x32|menu|176-464|156|right|128",
        "Vsync|menu|176-464|204|left|128", "ON|menu|176-464|204|right|128",
        "Anti Aliasing|menu|176-464|252|left|128", "OFF|menu|176-464|252|right|128"}},
      {"display options, full screen 800x600x16, no vsync, 4X",
       [] {
         menu_cursor = 3;
         windowed = 0;
         display_width = 800;
         display_height = 600;
         display_format = 23;
         vsync = 0;
         antialias = 4;
       },
       DrawDisplayOptionsScreen,
       {"Fullscreen|menu|176-464|108|left|128", "ON|menu|176-464|108|right|128",
        "Resolution:|menu|176-464|156|left|128", "800x600x16|menu|176-464|156|right|128",
        "Vsync|menu|176-464|204|left|128", "OFF|menu|176-464|204|right|128",
        "Anti Aliasing|menu|176-464|252|left|255", "4X|menu|176-464|252|right|255"}},
  };
  for (const Case& c : cases) {
    c.set_up();
    EXPECT_EQ(Body(c.screen), c.body) << c.what;
  }
}

TEST_F(ScreensTest, TheCreditsPairRolesAndNamesAroundTheMiddle) {
  GfxClearCalls();
  DrawCreditsScreen();
  std::vector<DrawnText> texts = Texts();
  ASSERT_EQ(texts.size(), 13u);
  const char* roles[] = {"Design", "Programming", "Stage Scripting", "Graphics", "Photography", "Sound"};
  for (int i = 0; i < 6; i++) {
    const DrawnText& role = texts[1 + 2 * i];
    const DrawnText& name = texts[2 + 2 * i];
    EXPECT_EQ(role.text, roles[i]);
    EXPECT_EQ(name.text, "Quorne");
    EXPECT_EQ(role.box.right, 300) << roles[i];  // ends 20 left of the middle
    EXPECT_EQ(name.box.left, 340) << roles[i];   // starts 20 right of it
    EXPECT_EQ(role.rect.top, 108 + 48 * i);
    EXPECT_EQ(name.rect.top, 108 + 48 * i);
    EXPECT_EQ(role.font, FONT_TEXT);
    EXPECT_EQ(role.color, 0xFFFFFFFFu);
    EXPECT_EQ(name.color, 0xFFFFFFFFu);
  }
}

TEST_F(ScreensTest, HighScoreTables) {
  high_score_minor[MODE_CAST][0] = 52000;
  std::memcpy(high_score_name[MODE_CAST][0], "KES", 4);
  high_score_major[MODE_SURVIVAL][1] = 12;
  high_score_minor[MODE_SURVIVAL][1] = 900;
  std::memcpy(high_score_name[MODE_SURVIVAL][1], "ABC", 4);
  high_score_major[MODE_BOSS_BATTLE][0] = 2;
  high_score_minor[MODE_BOSS_BATTLE][0] = 5;
  high_score_major[MODE_BOSS_BATTLE][1] = 2;
  high_score_minor[MODE_BOSS_BATTLE][1] = 15;

  // Opening with the cursor past the tables shows the first, and the cursor stays there.
  menu_cursor = 4;
  Lines cast = Body(DrawHighScoresScreen);
  EXPECT_EQ(menu_cursor, 0);
  ASSERT_EQ(cast.size(), 14u);
  EXPECT_EQ(cast[0], "Cast Mode|number|96-544|60|center|178");
  EXPECT_EQ(cast[1], "Rank|text|96-544|108|left|178");
  EXPECT_EQ(cast[2], "Score|text|96-544|108|right|178");
  EXPECT_EQ(cast[3], "1|number|96-544|156|left|178");
  EXPECT_EQ(cast[4], "   KES|number|96-544|156|left|178");
  EXPECT_EQ(cast[5], "52000|number|96-544|156|right|178");
  // An empty row: its place and its dashes, no score.
  EXPECT_EQ(cast[6], "2|number|96-544|204|left|178");
  EXPECT_EQ(cast[7], "   ---|number|96-544|204|left|178");
  EXPECT_EQ(cast[13], "   ---|number|96-544|348|left|178");

  menu_cursor = 1;
  Lines survival = Body(DrawHighScoresScreen);
  EXPECT_EQ(survival[0], "Survival|number|96-544|60|center|178");
  EXPECT_EQ(survival[2], "Passed|text|96-544|108|center|178");
  EXPECT_EQ(survival[3], "Score|text|96-544|108|right|178");
  EXPECT_EQ(survival[7], "   ABC|number|96-544|204|left|178");
  EXPECT_EQ(survival[8], "900|number|96-544|204|right|178");
  EXPECT_EQ(survival[9], "12|number|96-544|204|center|178");

  menu_cursor = 3;
  Lines boss = Body(DrawHighScoresScreen);
  EXPECT_EQ(boss[2], "Time|text|96-544|108|right|178");
  EXPECT_EQ(boss[5], "2:05|number|96-544|156|right|178");
  EXPECT_EQ(boss[8], "2:15|number|96-544|204|right|178");
  EXPECT_EQ(boss.size(), 3u + 2 * 5 + 2);

  menu_cursor = -3;  // a cursor before the first table is back at it too
  EXPECT_EQ(Body(DrawHighScoresScreen)[0], "Cast Mode|number|96-544|60|center|178");
  EXPECT_EQ(menu_cursor, 0);
}

TEST_F(ScreensTest, TheRowJustEnteredBlinksRedAndWhite) {
  game_mode = MODE_RANDOM;
  menu_cursor = MODE_RANDOM;
  name_pos = 2;
  high_score_minor[MODE_RANDOM][2] = 100;
  for (float b : {1.0f, 0.0f}) {
    blink = b;
    GfxClearCalls();
    DrawHighScoresScreen();
    for (const DrawnText& t : Texts()) {
      if (t.rect.top == 60 + 4 * 48) {  // row 2
        EXPECT_EQ(t.color, b ? 0xB2FFFFFFu : 0xB2FF0000u) << t.text;
      } else if (t.font == FONT_NUMBER) {
        EXPECT_EQ(t.color, 0xB2FFFFFFu) << t.text;
      }
    }
  }
  // Another table than the game's: no row blinks.
  menu_cursor = MODE_CAST;
  blink = 0;
  GfxClearCalls();
  DrawHighScoresScreen();
  for (const DrawnText& t : Texts()) {
    if (t.font == FONT_NUMBER) {
      EXPECT_EQ(t.color, 0xB2FFFFFFu) << t.text;
    }
  }
}

TEST_F(ScreensTest, DevModeRowsHalfALineApart) {
  menu_cursor = 6;
  show_counts = 1;
  fill_mode = 2;
  frame_period_ms = 25;
  forward_level = 3;
  missile_kind = PROJ_CROW;
  dev_start_stage = 12;
  camera_view = VIEW_CLASSIC;
  Lines rows = Body(DrawDevModeScreen);
  EXPECT_EQ(rows, (Lines{
                      "Counts|text|176-464|60|left|128",
                      "1|text|176-464|60|right|128",
                      "FPS|text|176-464|84|left|128",
                      "0|text|176-464|84|right|128",
                      "Fill Mode|text|176-464|108|left|128",
                      "Wireframe|text|176-464|108|right|128",
                      "Input|text|176-464|132|left|128",
                      "0|text|176-464|132|right|128",
                      "Location|text|176-464|156|left|128",
                      "0|text|176-464|156|right|128",
                      "Ground/Ceiling|text|176-464|180|left|128",
                      "0|text|176-464|180|right|128",
                      "Speed|text|176-464|204|left|255",
                      "25ms|text|176-464|204|right|255",
                      "God Mode|text|176-464|228|left|128",
                      "0|text|176-464|228|right|128",
                      "Forward|text|176-464|252|left|128",
                      "L3|text|176-464|252|right|128",
                      "Missle|text|176-464|276|left|128",
                      "Crow|text|176-464|276|right|128",
                      "Camera|text|176-464|300|left|128",
                      "Fixed: Classic|text|176-464|300|right|128",
                      "Stage|text|176-464|324|left|128",
                      "12|text|176-464|324|right|128",
                  }));
}

TEST_F(ScreensTest, DevModeValuesByName) {
  PlayerShip(3);
  thing_type[9] = THING_EXPLOSION;
  struct Case {
    int fill, kind, camera;
    const char* fill_text;
    const char* kind_text;
    const char* camera_text;
  };
  const Case cases[] = {
      {1, PROJ_BOMB, VIEW_TRACK_PLAYER, "Point", "Bomb", "Fixed: Track Player"},
      {3, PROJ_HAWK, VIEW_HUD, "Solid", "Hawk", "HUD"},
      {3, PROJ_DRUM, 5, "Solid", "Drum", "(Player) Thing: 5"},
      {3, PROJ_DRUM, 9, "Solid", "Drum", "(2) Thing: 9"},
      // Values without a name show no value.
      {0, 0, VIEW_MAP, nullptr, nullptr, nullptr},
      {3, PROJ_BOMB, MAX_THINGS, "Solid", "Bomb", nullptr},
  };
  for (const Case& c : cases) {
    fill_mode = c.fill;
    missile_kind = c.kind;
    camera_view = c.camera;
    GfxClearCalls();
    DrawDevModeScreen();
    auto value_at = [&](int top) -> std::string {
      for (const DrawnText& t : Texts())
        if (t.rect.top == top && (t.format & DT_RIGHT)) return t.text;
      return "(none)";
    };
    EXPECT_EQ(value_at(108), c.fill_text ? c.fill_text : "(none)") << c.camera;
    EXPECT_EQ(value_at(276), c.kind_text ? c.kind_text : "(none)") << c.camera;
    EXPECT_EQ(value_at(300), c.camera_text ? c.camera_text : "(none)") << c.camera;
  }
}

TEST_F(ScreensTest, TheControlsScreen) {
  for (int i = 0; i < KEY_BINDING_COUNT; i++) key_bindings[i] = 0;
  key_bindings[ACTION_FIRE] = 57;
  key_bindings[ACTION_COUNT + ACTION_FIRE] = 29;
  GetKeyName(-1, 57);
  std::string space = text_buffer;
  GetKeyName(-1, 29);
  std::string ctrl = text_buffer;
  GetKeyName(-1, 0);
  std::string none = text_buffer;

  game_state = STATE_CONTROLS_OPTIONS;
  menu_cursor = 8;  // the second key of "Accept/Fire"
  blink = 0;
  Lines lines = Body(DrawControlsScreen);
  ASSERT_EQ(lines.size(), 21u);
  EXPECT_EQ(lines[0], "Back|menu|0-320|108|center|255");
  EXPECT_EQ(lines[1], "Accept/Fire|menu|0-320|156|center|255");
  EXPECT_EQ(lines[2], "Missle|menu|0-320|204|center|255");
  EXPECT_EQ(lines[6], "Right|menu|0-320|396|center|255");
  EXPECT_EQ(lines[7], none + "|menu|0-640|108|center|128");
  EXPECT_EQ(lines[8], space + "|menu|0-640|156|center|128");
  EXPECT_EQ(lines[15], ctrl + "|menu|320-640|156|center|255");
  EXPECT_EQ(lines[20], none + "|menu|320-640|396|center|128");
  EXPECT_EQ(TextOf(ctrl).color, 0xFFFFFFFFu);  // white while no key is awaited

  // Waiting for the key: the selected entry blinks, the others stay white.
  game_state = STATE_AWAIT_KEY;
  for (float b : {1.0f, 0.0f}) {
    blink = b;
    GfxClearCalls();
    DrawControlsScreen();
    EXPECT_EQ(TextOf(ctrl).color, b ? 0xFFFFFFFFu : 0xFFFF0000u);
    EXPECT_EQ(TextOf(space).color, 0x80FFFFFFu);
  }
}

TEST_F(ScreensTest, TheNameEntry) {
  std::memcpy(name_entry, "KQZ", 4);
  menu_cursor = 2;  // the third row of the table
  name_pos = 1;
  text_rect = client_rect;  // only the left edge of the number's rectangle is set
  EXPECT_EQ(Body(DrawHighScoreEntryScreen), (Lines{
                                                "3|number|0-640|252|left|178",
                                                "K|number|272-368|252|left|128",
                                                "_|number|272-368|252|center|255",
                                                "Q|number|272-368|252|center|255",
                                                "Z|number|272-368|252|right|128",
                                            }));
  // Past the last letter: all three dim and no mark.
  name_pos = 3;
  text_rect = client_rect;
  Lines lines = Body(DrawHighScoreEntryScreen);
  EXPECT_EQ(lines, (Lines{
                       "3|number|0-640|252|left|178",
                       "K|number|272-368|252|left|128",
                       "Q|number|272-368|252|center|128",
                       "Z|number|272-368|252|right|128",
                   }));
}

}  // namespace
