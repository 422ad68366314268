// The X11 side of the window layer, on an X server of the test's own (Xvfb on a free display, no
// window manager); skipped where there is no Xvfb.
#include "platform/x11.h"

// GoogleTest before Xlib, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
// clang-format on
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class X11Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    server = fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
      close(fds[0]);
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd wait_for = {fds[0], POLLIN, 0};
    char c;
    while (poll(&wait_for, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) GTEST_SKIP() << "no Xvfb here";
    name = ":" + number;
    setenv("DISPLAY", name.c_str(), 1);
    display = XOpenDisplay(name.c_str());
    ASSERT_NE(display, nullptr);
  }
  void TearDown() override {
    if (display) XCloseDisplay(display);
    if (server > 0) {
      kill(server, SIGTERM);
      waitpid(server, nullptr, 0);
    }
    unsetenv("DISPLAY");
  }

  pid_t server = -1;
  std::string name;
  Display* display = nullptr;
};

int passed_on;
int RecordPassedOn(Display*, XErrorEvent*) {
  passed_on++;
  return 0;
}

TEST_F(X11Desktop, ErrorsAboutVanishedWindowsAreSurvivedAndOthersPassOn) {
  XSetErrorHandler(RecordPassedOn);  // stands in for the handler before ours (Xlib's own ends the program)
  X11GuardErrors();
  Window gone = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(display, gone);
  XSync(display, False);
  static Window target;
  target = gone;
  struct Case {
    const char* label;
    void (*request)(Display*);
    int survived, passed;
  };
  const Case cases[] = {
      {"where a frame that is gone lies",
       [](Display* d) {
         int x, y;
         Window child;
         XTranslateCoordinates(d, target, DefaultRootWindow(d), 0, 0, &x, &y, &child);
       },
       1, 0},
      {"moving a window that is gone", [](Display* d) { XMoveWindow(d, target, 5, 5); }, 1, 0},
      {"the size of a drawable that is gone",
       [](Display* d) {
         Window root;
         int x, y;
         unsigned w, h, border, depth;
         XGetGeometry(d, target, &root, &x, &y, &w, &h, &border, &depth);
       },
       1, 0},
      {"an atom nobody made", [](Display* d) { XGetAtomName(d, 0x7FFFFFF); }, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    int survived = X11SurvivedErrors(), passed = passed_on;
    c.request(display);
    XSync(display, False);
    EXPECT_EQ(X11SurvivedErrors() - survived, c.survived);
    EXPECT_EQ(passed_on - passed, c.passed);
  }
}

// What the player does to the box, sent from another connection once the box is up.
struct BoxInput {
  Display* display;
  const char* caption;
  std::vector<XEvent> events;  // sent in order, the window filled in
  Window box;
  int waits;
  bool sent;
  bool ping_answered;
};
BoxInput* input;
constexpr int kWaitsBeforeAnswer = 5;

Window FindBox(Display* d, const char* caption) {
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return 0;
  for (unsigned i = 0; i < count && !found; i++) {
    char* title = nullptr;
    XWindowAttributes attributes;
    if (XFetchName(d, children[i], &title) && title && std::strcmp(title, caption) == 0 &&
        XGetWindowAttributes(d, children[i], &attributes) && attributes.map_state == IsViewable) {
      found = children[i];
    }
    if (title) XFree(title);
  }
  if (children) XFree(children);
  return found;
}

void AnswerTheBox() {
  input->waits++;
  if (!input->box) input->box = FindBox(input->display, input->caption);
  // The player takes a while: the box goes on calling back meanwhile.
  if (input->box && !input->sent && input->waits >= kWaitsBeforeAnswer) {
    input->sent = true;
    for (XEvent e : input->events) {
      if (e.type == ClientMessage) {
        e.xclient.window = input->box;
        e.xclient.data.l[2] = static_cast<long>(input->box);
      } else {
        e.xkey.window = input->box;
      }
      XSendEvent(input->display, input->box, False, e.type == ClientMessage ? NoEventMask : KeyPressMask, &e);
    }
    XFlush(input->display);
  }
  while (XPending(input->display)) {
    XEvent e;
    XNextEvent(input->display, &e);
    Atom ping = XInternAtom(input->display, "_NET_WM_PING", False);
    if (e.type == ClientMessage && e.xclient.window == DefaultRootWindow(input->display) &&
        static_cast<Atom>(e.xclient.data.l[0]) == ping && static_cast<Window>(e.xclient.data.l[2]) == input->box) {
      input->ping_answered = true;
    }
  }
}

TEST_F(X11Desktop, MessageBoxAnswersKeysAndTheWindowManager) {
  Display* d = display;
  Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
  auto key = [d](KeySym symbol) {
    XEvent e = {};
    e.xkey.type = KeyPress;
    e.xkey.display = d;
    e.xkey.root = DefaultRootWindow(d);
    e.xkey.same_screen = True;
    e.xkey.keycode = XKeysymToKeycode(d, symbol);
    return e;
  };
  auto protocol = [d, protocols](const char* name) {
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.message_type = protocols;
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, name, False));
    e.xclient.data.l[1] = CurrentTime;
    return e;
  };
  // Pings the box first: it answers the window manager on the root window.
  XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
  XEvent ping = protocol("_NET_WM_PING");
  const X11BoxButton yes_no[2] = {{6, "Yes"}, {7, "No"}};
  struct Case {
    const char* label;
    std::vector<XEvent> events;
    int want;
  };
  const Case cases[] = {
      {"Enter takes the focused button (No, the default)", {key(XK_Return)}, 7},
      {"Escape takes No", {key(XK_Escape)}, 7},
      {"Tab moves the focus to Yes", {key(XK_Tab), key(XK_space)}, 6},
      {"Escape takes No wherever the focus is", {key(XK_Tab), key(XK_Escape)}, 7},
      {"a button's first letter", {key(XK_y)}, 6},
      {"keys of no button change nothing", {key(XK_q), key(XK_F1), key(XK_n)}, 7},
      {"the window manager's close", {protocol("WM_DELETE_WINDOW")}, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    BoxInput in = {d, "Confirm Exit", {ping}, 0, 0, false, false};
    for (const XEvent& e : c.events) in.events.push_back(e);
    input = &in;
    int got = X11MessageBox("Confirm Exit", "Exit Kestrune: PC?", yes_no, 2, 1, 1, 0, AnswerTheBox);
    EXPECT_EQ(got, c.want);
    EXPECT_NE(in.box, 0u);
    // The box waited, calling back all the while; it went when answered.
    EXPECT_GE(in.waits, kWaitsBeforeAnswer);
    AnswerTheBox();
    EXPECT_TRUE(in.ping_answered);
    XSync(d, False);
    EXPECT_EQ(FindBox(d, "Confirm Exit"), 0u);
  }
  const X11BoxButton ok[1] = {{1, "OK"}};
  BoxInput in = {d, "Error", {key(XK_Return)}, 0, 0, false, false};
  input = &in;
  EXPECT_EQ(X11MessageBox("Error", "Video hardware not present or locked by another application", ok, 1, 0, 0, 0,
                          AnswerTheBox),
            1);
}

TEST(X11, NoBoxWithoutAnXDisplay) {
  const char* saved = std::getenv("DISPLAY");
  std::string keep = saved ? saved : "";
  unsetenv("DISPLAY");
  const X11BoxButton ok[1] = {{1, "OK"}};
  EXPECT_EQ(X11MessageBox("Error", "text", ok, 1, 0, 0, 0, nullptr), -1);
  if (saved) setenv("DISPLAY", keep.c_str(), 1);
}

}  // namespace
