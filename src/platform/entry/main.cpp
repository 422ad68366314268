// The process entry: reads the headless script, then hands over to the game's WinMain. The
// command line is not passed on, since the program reads none.
#include "platform/script.h"
#include "platform/win.h"

int main() {
  // A script that cannot be read would run the game on input nobody meant: stop before it starts.
  if (!ScriptLoadFromEnvironment()) return 2;
  return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
}
