// The process entry: reads the headless script, then hands over to the game's WinMain. The
// command line is not passed on, since the program reads none.
#include <cstdio>

#include "platform/script.h"
#include "platform/win.h"

int main() {
  // A script that cannot be read would run the game on input nobody meant: stop before it starts.
  if (!ScriptLoadFromEnvironment()) return 2;
  int code = WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
  // What a scripted run's checks compare against: how far it went.
  if (IsHeadless()) std::fprintf(stderr, "headless run: %d passes, exit code %d\n", script_pass, code);
  return code;
}
