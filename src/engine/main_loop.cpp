#include "platform/win.h"

int WinMain(HINSTANCE, HINSTANCE, char*, int) { return 0; }
