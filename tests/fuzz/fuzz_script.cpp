// Headless scripts are written by hand: no input may crash the reader.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static char text[1 << 16];
  if (size >= sizeof(text)) return 0;
  std::memcpy(text, data, size);
  text[size] = 0;
  static int quiet = (std::freopen("/dev/null", "w", stderr), 1);
  (void)quiet;
  if (ScriptLoadText(text, "fuzz")) {
    int first, end;
    ScriptEventRange(script_last_pass, &first, &end);
    ScriptTakeAnswer(1);
  }
  return 0;
}
