#include "world/game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "fake_engine.h"
#include "scenario.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/records.h"
#include "world/scenery.h"
#include "world/stage_script.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

constexpr int SAME = -99;  // the entry action leaves the value alone

TEST(GameState, EntryActionsPerState) {
  struct Case {
    int state;
    int cursor, in_game, lock, god;
    const char* message;  // posted message, or null
    const char* sound;    // sound played, or null
  } cases[] = {
      {STATE_BOOT, SAME, SAME, SAME, SAME, nullptr, nullptr},
      {STATE_MAIN_MENU, MODE_RANDOM, 0, 6, 0, nullptr, nullptr},
      {STATE_PAUSE_MENU, 0, SAME, SAME, SAME, nullptr, nullptr},
      {STATE_PAUSED, SAME, SAME, SAME, SAME, "Paused", nullptr},
      {STATE_MENU_HIDDEN, SAME, SAME, SAME, SAME, "Paused", nullptr},
      {STATE_PLAYING, SAME, 1, SAME, SAME, nullptr, nullptr},
      {STATE_OPTIONS, 0, SAME, SAME, SAME, nullptr, nullptr},
      {STATE_ABOUT, SAME, SAME, SAME, SAME, nullptr, nullptr},
      {STATE_CREDITS, SAME, SAME, SAME, SAME, nullptr, nullptr},
      {STATE_FINAL_RESULTS, SAME, SAME, 12, SAME, nullptr, nullptr},
      {STATE_HIGH_SCORES, SAME, SAME, SAME, SAME, nullptr, nullptr},
      {STATE_DEV_MODE, 0, SAME, SAME, SAME, nullptr, nullptr},
      {STATE_CURRENT_MAP, SAME, SAME, SAME, SAME, nullptr, nullptr},
      {STATE_FEATURE_UNLOCKED, SAME, SAME, SAME, SAME, nullptr, "snd_reward_01"},
      {STATE_HIGH_SCORE_ENTRY, SAME, SAME, 6, SAME, nullptr, nullptr},
      {STATE_SOUND_OPTIONS, 0, SAME, SAME, SAME, nullptr, nullptr},
      {STATE_DISPLAY_OPTIONS, 0, SAME, SAME, SAME, nullptr, nullptr},
      {STATE_CONTROLS_OPTIONS, SAME, SAME, SAME, SAME, nullptr, nullptr},
      {STATE_AWAIT_KEY, SAME, SAME, SAME, SAME, nullptr, nullptr},
  };
  static_assert(sizeof cases / sizeof cases[0] == STATE_COUNT);
  const int before_cursor = 7, before_in_game = 5, before_lock = 0, before_god = 1;
  for (const Case& c : cases) {
    ResetScenario();
    current_stage = 19;  // the title scene: no reset on the menus' entry
    game_mode = MODE_RANDOM;
    menu_cursor = before_cursor;
    in_game = before_in_game;
    input_lock = before_lock;
    god_mode = before_god;
    std::strcpy(last_name, "XYZ");
    name_pos = 3;

    SetGameState(c.state);

    SCOPED_TRACE(c.state);
    EXPECT_EQ(game_state, c.state);
    EXPECT_EQ(menu_cursor, c.cursor == SAME ? before_cursor : c.cursor);
    EXPECT_EQ(in_game, c.in_game == SAME ? before_in_game : c.in_game);
    EXPECT_EQ(input_lock, c.lock == SAME ? before_lock : c.lock);
    EXPECT_EQ(god_mode, c.god == SAME ? before_god : c.god);
    EXPECT_STREQ(message_text, c.message ? c.message : "");
    EXPECT_EQ(message_alpha, c.message ? 2.0f : 0.0f);
    EXPECT_EQ(CountCalls(CALL_PLAY_SOUND), c.sound ? 1 : 0);
    if (c.sound) {
      EXPECT_EQ(CountCalls(CALL_PLAY_SOUND, c.sound), 1);
    }
    // Every change of state silences the two looping beam sounds.
    EXPECT_EQ(CountCalls(CALL_STOP_SOUND, "snd_beam_gun_02"), 1);
    EXPECT_EQ(CountCalls(CALL_STOP_SOUND, "snd_beam_gun_03"), 1);
    if (c.state == STATE_HIGH_SCORE_ENTRY) {
      EXPECT_STREQ(name_entry, "XYZ");
      EXPECT_EQ(name_pos, 0);
    } else {
      EXPECT_EQ(name_pos, 3);
    }
    EXPECT_EQ(current_stage, 19);
  }
}

TEST(GameState, ABeamSoundWithoutBufferIsNotStopped) {
  ResetScenario();
  snd_beam_gun_03.loaded = false;
  SetGameState(STATE_PLAYING);
  snd_beam_gun_03.loaded = true;
  EXPECT_EQ(CountCalls(CALL_STOP_SOUND), 1);
  EXPECT_EQ(CountCalls(CALL_STOP_SOUND, "snd_beam_gun_02"), 1);
}

TEST(GameState, MenusEnteredFromAGameResetTheWorldToTheTitleScene) {
  for (int state : {STATE_MAIN_MENU, STATE_HIGH_SCORES}) {
    ResetScenario();
    StartGame(MODE_SURVIVAL);
    score = 300;
    PlaceThing(20, THING_FIGHTER, 100.0f, 40.0f);
    SetGameState(state);
    SCOPED_TRACE(state);
    EXPECT_EQ(current_stage, 19);
    EXPECT_EQ(score, 0);
    EXPECT_EQ(thing_count, 0);
    EXPECT_EQ(thing_type[20], 0);
    EXPECT_EQ(player_thing, -2);
    EXPECT_EQ(PlayerSlot(), -1);
    // Only the main menu says no game waits; the table is shown on the way to it.
    EXPECT_EQ(in_game, state == STATE_MAIN_MENU ? 0 : 1);
  }
}

TEST(GameState, MainMenuOverTheTitleSceneKeepsItRunning) {
  ResetScenario();
  ResetGame();
  ResetStage();
  stage_tick = 640;
  PlaceThing(30, THING_PLAYER, 10.0f, 50.0f);  // the title scene's own ship
  SetGameState(STATE_MAIN_MENU);
  EXPECT_EQ(stage_tick, 640);
  EXPECT_EQ(thing_type[30], THING_PLAYER);
}

TEST(GameState, MainMenuAfterAGameSelectsTheModeAndLocksInput) {
  ResetScenario();
  StartGame(MODE_BOSS_BATTLE);
  god_mode = 1;
  SetGameState(STATE_MAIN_MENU);
  EXPECT_EQ(menu_cursor, MODE_BOSS_BATTLE);
  EXPECT_EQ(input_lock, 6);
  EXPECT_EQ(god_mode, 0);
}

TEST(ResetGame, EmptiesTheWorldAndForgetsTheShip) {
  ResetScenario();
  StartGame(MODE_CAST);
  PlaceProjectile(100, PROJ_ROUND, 3, 50.0f, 50.0f);
  static_type[4] = STATIC_ROCK_1;
  static_count = 1;
  score = 999;
  stage_tick = 77;
  world_shift = 10;
  world_shift_target = 0;
  phase_2 = 1;
  phase_4 = 3;
  clock_frames = 5;
  play_seconds = 12;
  play_minutes = 3;
  last_hit_x = last_hit_y = 9.0f;
  thing_last = 12;
  projectile_last = 40;
  key_light_target = {0.1f, 0.2f, 0.3f};
  ceiling_x1 = 400.0f;

  ResetGame();

  EXPECT_EQ(thing_count, 0);
  EXPECT_EQ(projectile_count, 0);
  EXPECT_EQ(static_count, 0);
  for (int stage : random_order) EXPECT_EQ(stage, -1);
  EXPECT_EQ(current_stage, 19);
  EXPECT_EQ(score, 0);
  EXPECT_EQ(stage_tick, 0);
  EXPECT_EQ(thing_last, 59);
  EXPECT_EQ(projectile_last, 299);
  EXPECT_EQ(world_shift, 50);
  EXPECT_EQ(world_shift_target, 50);
  EXPECT_EQ(forward_drop_count, 35);
  EXPECT_EQ(missile_drop_count, 10);
  EXPECT_EQ(phase_2, 0);
  EXPECT_EQ(phase_4, 3);  // only the 2-frame phase restarts
  EXPECT_EQ(clock_frames + play_seconds + play_minutes, 0);
  EXPECT_EQ(last_hit_x, 0.0f);
  EXPECT_EQ(last_hit_y, 0.0f);
  EXPECT_EQ(player_thing, -2);
  // Neither the fades nor the stage environment.
  EXPECT_EQ(key_light_target.g, 0.2f);
  EXPECT_EQ(ceiling_x1, 400.0f);
}

TEST(ResetStage, ClearsTheStageEnvironmentButNotTheCurrentColours) {
  ResetScenario();
  stage_tick = 500;
  ceiling_x0 = 10.0f;
  ceiling_x1 = 20.0f;
  floor_x0 = 30.0f;
  floor_x1 = 40.0f;
  world_shift = 0;
  world_shift_target = 0;
  script_handle = script_var_2 = script_var_3 = script_var_4 = script_var_5 = script_var_6 = 9;
  ark_radius = title_lift_angle = title_camera_a = title_camera_b = 5.0f;
  title_ring_spin = title_ring_spin_rate = title_sling_x = title_outer_ring_spin = 5.0f;
  sky_color = sky_color_target = {0.5f, 0.5f, 0.5f};
  fog_end = 300.0f;
  fog_end_target = 300.0f;
  generator_type[3] = generator_type[14] = STATIC_TREE;
  generator_count = 2;
  static_type[8] = STATIC_TREE;
  static_count = 1;

  ResetStage();

  EXPECT_EQ(stage_tick, 0);
  for (float end : {ceiling_x0, ceiling_x1, floor_x0, floor_x1}) EXPECT_EQ(end, -140.0f);
  EXPECT_EQ(world_shift_target, 50);
  EXPECT_EQ(world_shift, 0);
  for (int reg : {script_handle, script_var_2, script_var_3, script_var_4, script_var_5, script_var_6})
    EXPECT_EQ(reg, 0);
  for (float v : {ark_radius, title_lift_angle, title_camera_a, title_camera_b, title_ring_spin,
                  title_ring_spin_rate, title_sling_x, title_outer_ring_spin})
    EXPECT_EQ(v, 0.0f);
  EXPECT_EQ(key_light_target.r, 0.8f);
  EXPECT_EQ(key_light_target.b, 0.8f);
  EXPECT_EQ(fill_light_target.g, 0.0f);
  EXPECT_EQ(sky_color_target.r, 0.0f);
  EXPECT_EQ(horizon_color_target.b, 0.0f);
  EXPECT_EQ(stars_color_target.g, 1.0f);
  EXPECT_EQ(fog_end_target, 120.0f);
  EXPECT_EQ(generator_count, 0);
  EXPECT_EQ(generator_type[3] + generator_type[14], 0);
  EXPECT_EQ(static_count, 1);  // statics go with the ground, not with the stage
  EXPECT_EQ(sky_color.r, 0.5f);
  EXPECT_EQ(fog_end, 300.0f);
}

TEST(SetMissileAmmo, FullSupplyPerKind) {
  struct Case {
    int kind, ammo, kind_after;
  } cases[] = {
      {PROJ_BOMB, 20, PROJ_BOMB}, {PROJ_HAWK, 15, PROJ_HAWK}, {PROJ_DRUM, 10, PROJ_DRUM},
      {PROJ_CROW, 5, PROJ_CROW},  {0, 0, PROJ_BOMB},          {14, 0, PROJ_BOMB},
      {-3, 0, PROJ_BOMB},
  };
  for (const Case& c : cases) {
    missile_kind = c.kind;
    missile_ammo = 99;
    SetMissileAmmo();
    EXPECT_EQ(missile_ammo, c.ammo) << c.kind;
    EXPECT_EQ(missile_kind, c.kind_after) << c.kind;
  }
}

TEST(StartGame, EachModeStartsItsStageShipAndMessage) {
  struct Case {
    int mode, stage, lives;
    const char* message;
  } cases[] = {
      {MODE_CAST, 5, 5, "Cast Mode"},
      {MODE_SURVIVAL, 0, 1, "Survival"},
      {MODE_BOSS_BATTLE, 17, 8, "Boss Battle"},
  };
  for (const Case& c : cases) {
    ResetScenario();
    score = 1234;
    forward_level = 3;
    missile_kind = PROJ_CROW;
    StartGame(c.mode);
    SCOPED_TRACE(c.message);
    EXPECT_EQ(game_mode, c.mode);
    EXPECT_EQ(game_state, STATE_PLAYING);
    EXPECT_EQ(in_game, 1);
    EXPECT_EQ(current_stage, c.stage);
    EXPECT_EQ(score, 0);
    EXPECT_EQ(player_thing, 58);  // the first thing after the reset
    ASSERT_EQ(PlayerSlot(), 58);
    EXPECT_EQ(thing_type[58], THING_PLAYER);
    EXPECT_EQ(thing_anchor_x[58], 10.0f);
    EXPECT_EQ(thing_anchor_y[58], 50.0f);
    EXPECT_EQ(thing_hp[58], c.lives);
    EXPECT_EQ(forward_level, 1);
    EXPECT_EQ(missile_kind, PROJ_BOMB);  // the Bomb without missiles
    EXPECT_EQ(missile_ammo, 0);
    EXPECT_STREQ(message_text, c.message);
    EXPECT_EQ(message_alpha, 2.0f);
    EXPECT_EQ(key_light_color.g, 0.8f);
    EXPECT_EQ(fill_light_color.r, 0.0f);
    ASSERT_EQ(CountCalls(CALL_LIGHT), 2);
    EXPECT_EQ(engine_calls.back().i, LIGHT_FILL);
    EXPECT_EQ(fog_end_target, 120.0f);
  }
}

TEST(StartGame, RandomModeFromStateOneStartsAtStageSeven) {
  ResetScenario();
  StartGame(MODE_RANDOM);
  EXPECT_EQ(current_stage, 7);
  EXPECT_EQ(random_order[0], 7);
  EXPECT_EQ(random_index, 0);
  EXPECT_EQ(thing_hp[PlayerSlot()], 8);
  EXPECT_STREQ(message_text, "Random Mode");
  EXPECT_GE(missile_kind, PROJ_BOMB);
  EXPECT_LE(missile_kind, PROJ_CROW);
  const int supply[] = {20, 15, 10, 5};
  EXPECT_EQ(missile_ammo, supply[missile_kind - PROJ_BOMB]);
}

TEST(StartGame, RandomOrderIsAlwaysAPermutation) {
  for (unsigned seed : {1u, 2u, 77u, 123456u, 0xFFFFFFFFu}) {
    ResetScenario();
    SeedRandom(seed);
    StartGame(MODE_RANDOM);
    int sorted[17];
    std::copy(random_order, random_order + 17, sorted);
    std::sort(sorted, sorted + 17);
    for (int i = 0; i < 17; i++) EXPECT_EQ(sorted[i], i) << seed;
    EXPECT_EQ(current_stage, random_order[0]);
  }
}

TEST(StartGame, RandomModeDrawsTheMissileKindAfterTheOrder) {
  ResetScenario();
  StartGame(MODE_RANDOM);
  const int kind = missile_kind;
  // The same draws by hand: the order first, then the kind.
  SeedRandom(1);
  int order[17];
  for (int i = 0; i < 17; i++) {
    int v;
    do v = Rand() % 17;
    while (std::find(order, order + i, v) != order + i);
    order[i] = v;
  }
  EXPECT_TRUE(std::equal(order, order + 17, random_order));
  EXPECT_EQ(kind, PROJ_BOMB + Rand() % 4);
}

TEST(StartGame, DevModeAndUnknownModesStartNothing) {
  for (int mode : {static_cast<int>(MODE_DEV), -1, 9}) {
    ResetScenario();
    StartGame(mode);
    EXPECT_EQ(game_state, STATE_BOOT) << mode;
    EXPECT_EQ(player_thing, -2) << mode;
    EXPECT_TRUE(engine_calls.empty()) << mode;
  }
}

TEST(StartDevStage, KeepsTheDevSettingsAndNamesTheStage) {
  ResetScenario();
  game_mode = MODE_DEV;
  forward_level = 3;
  missile_kind = PROJ_CROW;
  StartDevStage(4);
  EXPECT_EQ(game_state, STATE_PLAYING);
  EXPECT_EQ(game_mode, MODE_DEV);
  EXPECT_EQ(current_stage, 4);
  EXPECT_EQ(forward_level, 3);
  EXPECT_EQ(missile_kind, PROJ_CROW);
  EXPECT_EQ(missile_ammo, 5);
  ASSERT_EQ(PlayerSlot(), 58);
  EXPECT_EQ(thing_hp[58], 5);  // the ship's own lives
  EXPECT_STREQ(message_text, "Stage 4");
  EXPECT_EQ(CountCalls(CALL_LIGHT), 2);

  StartDevStage(19);  // out of the Dev Mode range: nothing
  EXPECT_EQ(current_stage, 4);
  StartDevStage(-1);
  EXPECT_EQ(current_stage, 4);
}

TEST(PlayerSlot, OnlyASlotHoldingTheShipOrItsExplosion) {
  ResetScenario();
  EXPECT_EQ(PlayerSlot(), -1);  // -2 at start
  EXPECT_FALSE(PlayerAlive());
  for (int bad : {-1, 60, 1000}) {
    player_thing = bad;
    EXPECT_EQ(PlayerSlot(), -1) << bad;
  }
  player_thing = 12;
  EXPECT_EQ(PlayerSlot(), -1);  // a free slot
  PlaceThing(12, THING_FIGHTER, 0.0f, 0.0f);
  EXPECT_EQ(PlayerSlot(), -1);  // taken by another thing since
  thing_type[12] = THING_PLAYER;
  thing_hp[12] = 1;
  EXPECT_EQ(PlayerSlot(), 12);
  EXPECT_TRUE(PlayerAlive());
  thing_type[12] = THING_EXPLOSION;
  thing_hp[12] = 0;
  EXPECT_EQ(PlayerSlot(), 12);
  EXPECT_FALSE(PlayerAlive());
}

TEST(UpdateWorld, PhaseCountersWrapAtTheirPeriods) {
  ResetScenario();
  const int frames = 130;
  for (int i = 0; i < frames; i++) UpdateWorld();
  EXPECT_EQ(phase_2, frames % 2);
  EXPECT_EQ(phase_4, frames % 4);
  EXPECT_EQ(phase_8, frames % 8);
  EXPECT_EQ(phase_16, frames % 16);
  EXPECT_EQ(phase_32, frames % 32);
  EXPECT_EQ(phase_64, frames % 64);
  EXPECT_EQ(phase_59, frames % 59);
}

TEST(UpdateWorld, PlayClockCountsASecondPerMeasuredFps) {
  ResetScenario();
  fps = 20;
  for (int i = 0; i < 19; i++) UpdateWorld();
  EXPECT_EQ(play_seconds, 0);
  UpdateWorld();
  EXPECT_EQ(play_seconds, 1);
  EXPECT_EQ(clock_frames, 0);
  for (int i = 0; i < 59 * 20; i++) UpdateWorld();
  EXPECT_EQ(play_seconds, 0);
  EXPECT_EQ(play_minutes, 1);
}

TEST(UpdateWorld, PlayClockWithoutAMeasureCountsTwentyFrames) {
  for (int measured : {0, -3}) {
    ResetScenario();
    fps = measured;
    for (int i = 0; i < 40; i++) UpdateWorld();
    EXPECT_EQ(play_seconds, 2) << measured;
    EXPECT_EQ(play_minutes, 0) << measured;
  }
}

TEST(UpdateWorld, WorldShiftMovesTheFreeWorldButNotTheShipOrItsShots) {
  for (int direction : {1, -1}) {
    ResetScenario();
    world_shift = 50;
    world_shift_target = 50 + 2 * direction;
    player_thing = PlaceThing(40, THING_PLAYER, 10.0f, 50.0f);
    const int enemy = PlaceThing(30, THING_FIGHTER, 100.0f, 20.0f);
    const int core = PlaceThing(29, THING_CORE_15, 100.0f, 20.0f);
    const int part = PlaceThing(28, THING_PART_BOX, 4.0f, 20.0f);
    thing_parent[part] = core;
    const int pickup = PlaceThing(27, THING_POW_FORWARD, 60.0f, 20.0f);
    const int bug = PlaceThing(26, THING_GLOW_BUG, 60.0f, 20.0f);
    const int free_slot = 25;
    thing_anchor_y[free_slot] = 20.0f;
    const int own_shot = PlaceProjectile(200, PROJ_SHOT_1, player_thing, 50.0f, 50.0f);
    const int enemy_shot = PlaceProjectile(199, PROJ_ROUND, enemy, 50.0f, 50.0f);
    const int debris = PlaceProjectile(198, PROJ_DEBRIS, -1, 50.0f, 50.0f);
    projectile_y[197] = 50.0f;  // a free projectile slot
    generator_type[14] = STATIC_TREE;
    generator_y[14] = 95.0f;
    generator_y[13] = 95.0f;  // a free generator slot

    for (int i = 0; i < 3; i++) UpdateWorld();  // the third frame finds the target reached

    SCOPED_TRACE(direction);
    const float d = 2.0f * direction;
    EXPECT_EQ(world_shift, 50 + 2 * direction);
    EXPECT_EQ(thing_anchor_y[player_thing], 50.0f);
    EXPECT_EQ(thing_anchor_y[enemy], 20.0f + d);
    EXPECT_EQ(thing_anchor_y[core], 20.0f + d);
    EXPECT_EQ(thing_anchor_y[part], 20.0f);
    EXPECT_EQ(thing_anchor_y[pickup], 20.0f);
    EXPECT_EQ(thing_anchor_y[bug], 20.0f + d);
    EXPECT_EQ(thing_anchor_y[free_slot], 20.0f);
    EXPECT_EQ(projectile_y[own_shot], 50.0f);
    EXPECT_EQ(projectile_y[enemy_shot], 50.0f + d);
    EXPECT_EQ(projectile_y[debris], 50.0f + d);
    EXPECT_EQ(projectile_y[197], 50.0f);
    EXPECT_EQ(generator_y[14], 95.0f + d);
    EXPECT_EQ(generator_y[13], 95.0f);
  }
}

TEST(UpdateWorld, AFadeComesToRestAndThenSetsNothing) {
  ResetScenario();
  key_light_color = {0.8f, 0.8f, 0.8f};
  key_light_target = {0.0f, 0.0f, 0.0f};
  int frames = 0;
  int calls_before = -1;
  while (frames < 1000 && CountCalls(CALL_LIGHT) != calls_before) {
    calls_before = CountCalls(CALL_LIGHT);
    UpdateWorld();
    frames++;
  }
  EXPECT_LT(frames, 1000);
  EXPECT_NEAR(CountCalls(CALL_LIGHT), 400, 2);  // 0.8 at 0.002 a frame
  EXPECT_LE(key_light_color.r, 0.0f);
  EXPECT_GT(key_light_color.r, -0.002f);
  for (const EngineCall& c : engine_calls)
    if (c.kind == CALL_LIGHT) {
      EXPECT_EQ(c.i, LIGHT_KEY);
    }
  EXPECT_EQ(CountCalls(CALL_FOG_COLOR), 0);
}

TEST(UpdateWorld, FadesStepAtTheirOwnRates) {
  ResetScenario();
  fill_light_target = {1.0f, 1.0f, 1.0f};
  sky_color_target = {1.0f, 0.0f, 0.0f};
  horizon_color_target = {1.0f, 0.0f, 0.0f};
  stars_color_target = {0.0f, 0.0f, 1.0f};
  UpdateWorld();
  EXPECT_FLOAT_EQ(fill_light_color.r, 0.002f);
  EXPECT_FLOAT_EQ(sky_color.r, 0.003f);
  EXPECT_EQ(sky_color.g, 0.0f);
  EXPECT_FLOAT_EQ(horizon_color.r, 0.01f);
  EXPECT_FLOAT_EQ(stars_color.b, 0.05f);
  EXPECT_EQ(CountCalls(CALL_LIGHT), 1);
  EXPECT_EQ(engine_calls[0].i, LIGHT_FILL);
  ASSERT_EQ(CountCalls(CALL_FOG_COLOR), 1);

  for (int i = 0; i < 99; i++) UpdateWorld();  // sky red 0.3: 76.5 in device units
  EXPECT_EQ(static_cast<unsigned>(engine_calls.back().i) & 0xFFFFFF00u, 0xFF4C0000u);
}

TEST(PackDeviceColor, TruncatesAndHoldsChannelsInRange) {
  EXPECT_EQ(PackDeviceColor(1.0f, 0.5f, 0.0f), 0xFFFF7F00u);
  EXPECT_EQ(PackDeviceColor(0.2f, 0.4f, 0.6f), 0xFF336699u);
  // A fade may end a little beyond 0 or 1; the channel must not wrap to the other end.
  EXPECT_EQ(PackDeviceColor(1.002f, -0.001f, 2.0f), 0xFFFF00FFu);
  EXPECT_EQ(PackDeviceColor(-5.0f, 1.5f, 0.999f), 0xFF00FFFEu);
}

TEST(UpdateWorld, FogEndMovesAtItsThreeSpeeds) {
  struct Case {
    float from, target;
    int shift_target;
    int frames;     // frames on which the fog moves
    float rest;     // where it stops
  } cases[] = {
      {200.0f, 120.0f, 50, 80, 120.0f},   // falling 1.0 a frame
      {200.0f, 120.0f, 0, 160, 120.0f},   // falling 0.5 while the stage asks for no shift
      {120.0f, 200.0f, 50, 158, 199.0f},  // rising 0.5, stopping within 1.0 below
  };
  for (const Case& c : cases) {
    ResetScenario();
    fog_end = c.from;
    fog_end_target = c.target;
    world_shift = world_shift_target = c.shift_target;
    for (int i = 0; i < c.frames + 20; i++) UpdateWorld();
    EXPECT_EQ(CountCalls(CALL_FOG_END), c.frames) << c.from << " " << c.shift_target;
    EXPECT_EQ(fog_end, c.rest);
    EXPECT_EQ(engine_calls.back().f[0], c.rest);
  }
}

TEST(UpdateWorld, StageTickCountsFramesOfAStageThatGoesOn) {
  ResetScenario();
  StartGame(MODE_CAST);
  for (int i = 0; i < 25; i++) UpdateWorld();
  EXPECT_EQ(stage_tick, 25);
}

TEST(UpdateWorld, TheLastTickOfAStageIsNotCounted) {
  // Random Mode's last stage: no stage follows, so nothing resets the tick either.
  ResetScenario();
  StartGame(MODE_RANDOM);
  random_index = 16;
  current_stage = 0;
  stage_tick = 600;
  script_handle = -1;  // stage 0's carrier is gone: the script reports its last tick
  UpdateWorld();
  ASSERT_EQ(game_state, STATE_FINAL_RESULTS);
  EXPECT_EQ(stage_tick, 600);
}

TEST(Scenario, ACastGameRunsFrameByFrame) {
  ResetScenario();
  StartGame(MODE_CAST);
  EXPECT_EQ(RunWhilePlaying(100, Actions{.fire = 1}), 100);
  EXPECT_EQ(stage_tick, 100);
  EXPECT_EQ(play_seconds, 5);
  EXPECT_EQ(action_fire, 1);
  EXPECT_EQ(PlayerSlot(), 58);
  RunIdleFrame();
  EXPECT_EQ(stage_tick, 101);
  EXPECT_EQ(action_fire, 0);
}

}  // namespace
