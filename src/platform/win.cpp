#include "platform/win.h"

HINSTANCE GetModuleHandleA(const char*) {
  static int module;
  return &module;
}
