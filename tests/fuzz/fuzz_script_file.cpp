// Any file named by KESTRUNE_SCRIPT is either loaded or refused with its reason: its length, a
// zero byte or a bad line, never a read past what the file holds. Run with -close_fd_mask=2 like
// fuzz_script.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz_folder.h"
#include "platform/script.h"

namespace {
void RemoveFiles() { std::remove("script.txt"); }
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  MakeFuzzFolder("script_file", RemoveFiles, argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzFolderInput in_folder;
  WriteFuzzFile("script.txt", data, size);
  if (ScriptLoadFile("script.txt")) {
    if (script_event_count < 0 || script_event_count > SCRIPT_EVENT_MAX) std::abort();
    for (int i = 1; i < script_event_count; i++)
      if (script_events[i].pass < script_events[i - 1].pass) std::abort();
    int first, end;
    ScriptEventRange(script_last_pass, &first, &end);
    if (first < 0 || end < first || end > script_event_count) std::abort();
  } else if (script_event_count != 0 || script_error[0] == 0) {
    std::abort();  // a refused script leaves nothing behind and says why
  }
  return 0;
}
