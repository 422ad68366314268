// A helper of the windowed end-to-end run: waits until a window has shown a number of new frames,
// looking at its pixels every few milliseconds. After two, the game has run a pass (and polled its
// input) since the wait began.
//   window_frames <window id> <frames> <seconds> [<pid>]
// Exit code 0 when the frames came, 1 when the time ran out, 2 when the process <pid> ended, 3 for
// a usage error or no X display. A window that is not shown has no pixels: it shows no frame.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

// False once the process has ended, reaped or not.
bool Running(long pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
  FILE* file = std::fopen(path, "r");
  if (!file) return false;
  char stat[512] = "";
  std::size_t n = std::fread(stat, 1, sizeof stat - 1, file);
  std::fclose(file);
  stat[n] = 0;
  const char* name_end = std::strrchr(stat, ')');
  return name_end && name_end[1] == ' ' && name_end[2] != 'Z' && name_end[2] != 'X';
}

double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// A hash of the window's pixels; 0 when it has none now.
std::uint64_t Look(Display* display, Window window) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) return 0;
  XImage* image =
      XGetImage(display, window, 0, 0, unsigned(attributes.width), unsigned(attributes.height), AllPlanes, ZPixmap);
  if (!image) return 0;
  std::uint64_t hash = 14695981039346656037u;  // FNV-1a over the rows
  for (int y = 0; y < image->height; y++) {
    const unsigned char* row =
        reinterpret_cast<const unsigned char*>(image->data) + std::size_t(y) * image->bytes_per_line;
    for (int x = 0; x < image->width * image->bits_per_pixel / 8; x++) hash = (hash ^ row[x]) * 1099511628211u;
  }
  XDestroyImage(image);
  return hash | 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: window_frames <window id> <frames> <seconds> [<pid>]\n");
    return 3;
  }
  Window window = Window(std::strtoul(argv[1], nullptr, 0));
  long frames = std::atol(argv[2]);
  double deadline = Now() + std::atof(argv[3]);
  long pid = argc == 5 ? std::atol(argv[4]) : 0;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 3;
  XSetErrorHandler(IgnoreErrors);
  std::uint64_t last = Look(display, window);
  long seen = 0;
  while (seen < frames) {
    if (pid > 0 && !Running(pid)) return 2;
    if (Now() > deadline) return 1;
    timespec pause = {0, 5000000};
    nanosleep(&pause, nullptr);
    std::uint64_t now = Look(display, window);
    if (now != 0 && last != 0 && now != last) seen++;
    if (now != 0) last = now;
  }
  XCloseDisplay(display);
  return 0;
}
