// The front-end states: the handler the main loop runs for each game state (menus and navigation
// in frontend.cpp; the screens after a game and the option screens in frontend_screens.cpp), and
// the Dev Mode settings. A handler tests its conditions in order on the flags and the cursor as
// they stand at that moment and always runs to its end, also after it changed the state or quit.
#pragma once

#include "engine/sound.h"
#include "world/game.h"

typedef void (*StateHandler)();

// By game state; a null entry runs nothing.
extern const StateHandler state_handlers[STATE_COUNT];

// ---- Dev Mode settings (per process; fill_mode is the display's, camera_view the world's) ------
extern int show_counts;          // overlay of the object counts
extern int show_fps;             // overlay of fps
extern int show_input;           // overlay of the four direction flags
extern int show_location;        // overlay of the stage and its tick
extern int show_ground_ceiling;  // marks of the barrier ends in the world render
extern int dev_start_stage;      // the stage the "Stage" row starts, 0..18

constexpr int DEV_MODE_ROWS = 12;
constexpr int DEV_LAST_STAGE = 18;
constexpr int CAMERA_VIEW_FIRST = VIEW_TRACK_PLAYER;  // -3; 0..59 ride on that thing slot
constexpr int CAMERA_VIEW_LAST = 59;

// ---- The words the handlers share ---------------------------------------------------------------
// Fire or missile.
int Selected();
// Back, fire or missile.
int AnyKey();
// A menu sound: the slot's own frequency, no place.
void PlayMenuSound(SoundSlot* snd);
// The cursor one row up over rows 0..last: from row 0 (or a hidden row below it) to the last.
int WrapUp(int cursor, int last);
// One row down over rows 0..last: from the last row (or a hidden row past it) to row 0.
int WrapDown(int cursor, int last);

// ---- Menus and navigation (frontend.cpp) --------------------------------------------------------
void HandleBoot();
void HandleMainMenu();
void HandlePauseMenu();
void HandlePaused();
void HandleMenuHidden();
void HandlePlaying();
void HandleOptions();
void HandleAbout();
void HandleCredits();
void HandleHighScores();
void HandleDevMode();
void HandleCurrentMap();

// ---- After a game, and the option screens (frontend_screens.cpp) -------------------------------
void HandleFinalResults();
void HandleFeatureUnlocked();
void HandleHighScoreEntry();
void HandleSoundOptions();
void HandleDisplayOptions();
void HandleControlsOptions();
void HandleAwaitKey();
