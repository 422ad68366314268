// Stand-ins for engine operations whose module is not built yet, so the program links.
// Each is removed when its module lands.
#include "engine/hud.h"
#include "engine/map.h"
#include "engine/screens.h"
#include "engine/title.h"

// HUD, map panel, title scene and screens (renderer modules): nothing drawn yet.
void DrawHud() {}
void DrawMapPanel() {}
void DrawTitleScene() {}
void DrawMainMenu() {}
void DrawPauseMenu() {}
void DrawOptionsScreen() {}
void DrawAboutScreen() {}
void DrawCreditsScreen() {}
void DrawFinalResultsScreen() {}
void DrawHighScoresScreen() {}
void DrawDevModeScreen() {}
void DrawCurrentMapScreen() {}
void DrawFeatureUnlockedScreen() {}
void DrawHighScoreEntryScreen() {}
void DrawSoundOptionsScreen() {}
void DrawDisplayOptionsScreen() {}
void DrawControlsScreen() {}
