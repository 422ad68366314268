// The screens the frame renderer draws over their backgrounds: the menus, the option screens,
// the information screens, the high-score tables and the screens over the map panel. Each draws
// its texts (and the main menu its lock models) and names its actions to DrawButtonHints.
#pragma once

void DrawMainMenu();
void DrawPauseMenu();
void DrawOptionsScreen();
void DrawAboutScreen();
void DrawCreditsScreen();
void DrawFinalResultsScreen();
// Shows the table that menu_cursor names; a cursor outside the four tables is set to 0 first.
void DrawHighScoresScreen();
void DrawDevModeScreen();
void DrawCurrentMapScreen();
void DrawFeatureUnlockedScreen();
void DrawHighScoreEntryScreen();
void DrawSoundOptionsScreen();
void DrawDisplayOptionsScreen();
// The one controls screen, also while it waits for a key.
void DrawControlsScreen();
