// The process entry: hands over to the game's WinMain. The command line is not passed on,
// since the program reads none.
#include "platform/win.h"

int main() { return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL); }
