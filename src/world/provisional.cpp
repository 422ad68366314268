// Stand-ins for world functions whose module is not built yet, so the program links.
// Each is removed when its module lands.
#include "world/behaviours.h"
#include "world/stage_script.h"
#include "world/things.h"

// Thing motion and behaviours: nothing moves or acts yet.
void MoveThings() {}
void UpdateThings() {}

// Stage script: no stage ever ends.
int RunStageScript() { return 0; }
