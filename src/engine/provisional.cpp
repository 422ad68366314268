// Stand-ins for engine operations whose module is not built yet, so the program links.
// Each is removed when its module lands.
#include "engine/map.h"
#include "engine/screens.h"
#include "engine/title.h"

// Map panel, title scene and screens (renderer modules): nothing drawn yet.
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
