// The setup program's headless runs are driven by a script of dialog actions and answers, written
// by hand: no script may crash its reader, the scripted dialogs, or the check of a typed destination.
// Install stops after that check, so that no path the fuzzer types is ever written to.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/script.h"
#include "setup/setup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static int headless = setenv("KESTRUNE_HEADLESS", "1", 1);
  (void)headless;
  static char text[1 << 16];
  if (size >= sizeof(text)) return 0;
  std::memcpy(text, data, size);
  text[size] = 0;
  if (!ScriptLoadText(text, "fuzz")) return 0;
  SetupDialog setup;
  DialogHandlers handlers{};
  handlers.context = &setup;
  handlers.init = [](Dialog* d, void* self) { static_cast<SetupDialog*>(self)->OnInitDialog(d); };
  handlers.command = [](Dialog* d, void* self, int id) {
    if (id == IDOK && static_cast<SetupDialog*>(self)->TakeFolders(d))
      EndDialog(d, IDOK);
    else if (id == IDCANCEL)
      EndDialog(d, IDCANCEL);
  };
  handlers.system_command = [](Dialog* d, void* self, int id) { static_cast<SetupDialog*>(self)->OnSysCommand(d, id); };
  DoModal(setup_dialog_template, handlers);
  return 0;
}
