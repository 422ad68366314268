// The default "prefs.cfg": the configuration module itself writes its defaults to the file it is
// given, so that what ships beside the game is byte for byte what the game would write.
#include <cstdio>

#include "engine/config.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_prefs <prefs.cfg to write>\n");
    return 2;
  }
  InitConfigTags();
  if (!SaveConfig(argv[1])) {
    std::fprintf(stderr, "make_prefs: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
