// The setup program's entry.
#include "platform/script.h"
#include "setup/setup.h"

int main() {
  // A headless run whose script cannot be read ends as the game's does, before any dialog.
  if (!ScriptLoadFromEnvironment()) return 2;
  setup_app.InitInstance();
  return 0;
}
