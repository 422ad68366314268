// Headless scripts are written by hand: no input may crash the reader. Each refused script says
// why on standard error; the test runs it with -close_fd_mask=2, which keeps libFuzzer's reports.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static char text[1 << 16];
  if (size >= sizeof(text)) return 0;
  std::memcpy(text, data, size);
  text[size] = 0;
  if (ScriptLoadText(text, "fuzz")) {
    int first, end;
    ScriptEventRange(script_last_pass, &first, &end);
    ScriptTakeAnswer(1);
  }
  return 0;
}
