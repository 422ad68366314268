#include "platform/x11.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

// ---- Errors -------------------------------------------------------------------------------------

static XErrorHandler previous_handler;
static int survived_errors;

static int SurviveVanishedWindows(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow || error->error_code == BadDrawable) {
    char text[96] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X error survived: %s (request %d.%d, resource 0x%lx)\n", text, error->request_code,
                 error->minor_code, error->resourceid);
    survived_errors++;
    return 0;
  }
  return previous_handler ? previous_handler(display, error) : 0;
}

void X11GuardErrors() {
  static bool installed;
  if (installed) return;
  installed = true;
  previous_handler = XSetErrorHandler(SurviveVanishedWindows);
}

int X11SurvivedErrors() { return survived_errors; }

// ---- Message boxes ------------------------------------------------------------------------------

namespace {

constexpr int BOX_BUTTONS_MAX = 4;
constexpr int BOX_LINES_MAX = 16;
constexpr int MARGIN = 16;
constexpr int BUTTON_GAP = 10;
constexpr int BUTTON_MIN_WIDTH = 80;
constexpr int WAIT_MS = 10;  // how often `wait` runs while nothing happens in the box

struct Rect {
  int x, y, w, h;
  bool Holds(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

struct Box {
  Display* display;
  Window window;
  GC gc;
  XFontStruct* font;
  unsigned long background, face, border, ink;
  const char* lines[BOX_LINES_MAX];
  int line_length[BOX_LINES_MAX];
  int line_count;
  int line_height, ascent;
  const X11BoxButton* buttons;
  int count;
  Rect button_rect[BOX_BUTTONS_MAX];
  int focus;
  int pressed;  // the button the mouse went down on, -1 none
  Atom protocols, delete_window, ping;
};

int TextWidth(const Box& box, const char* text, int length) {
  return box.font ? XTextWidth(box.font, text, length) : 6 * length;
}

unsigned long Colour(Display* display, int red, int green, int blue, unsigned long fallback) {
  XColor colour = {};
  colour.red = static_cast<unsigned short>(red * 257);
  colour.green = static_cast<unsigned short>(green * 257);
  colour.blue = static_cast<unsigned short>(blue * 257);
  colour.flags = DoRed | DoGreen | DoBlue;
  if (!XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &colour)) return fallback;
  return colour.pixel;
}

// The text's lines (split at line feeds) and the buttons' places; the box's size.
void Layout(Box* box, const char* text, int* width, int* height) {
  box->line_count = 0;
  for (const char* p = text; box->line_count < BOX_LINES_MAX;) {
    const char* end = std::strchr(p, '\n');
    int length = end ? static_cast<int>(end - p) : static_cast<int>(std::strlen(p));
    box->lines[box->line_count] = p;
    box->line_length[box->line_count++] = length;
    if (!end) break;
    p = end + 1;
  }
  box->ascent = box->font ? box->font->ascent : 11;
  box->line_height = box->ascent + (box->font ? box->font->descent : 2) + 2;
  int text_width = 0;
  for (int i = 0; i < box->line_count; i++)
    text_width = std::max(text_width, TextWidth(*box, box->lines[i], box->line_length[i]));
  int button_height = box->line_height + 12;
  int buttons_width = 0;
  int button_width[BOX_BUTTONS_MAX];
  for (int i = 0; i < box->count; i++) {
    const char* label = box->buttons[i].label;
    button_width[i] = std::max(BUTTON_MIN_WIDTH, TextWidth(*box, label, static_cast<int>(std::strlen(label))) + 24);
    buttons_width += button_width[i] + (i > 0 ? BUTTON_GAP : 0);
  }
  *width = std::max({text_width, buttons_width, 200}) + 2 * MARGIN;
  int buttons_top = MARGIN + box->line_count * box->line_height + MARGIN;
  *height = buttons_top + button_height + MARGIN;
  int x = (*width - buttons_width) / 2;
  for (int i = 0; i < box->count; i++) {
    box->button_rect[i] = {x, buttons_top, button_width[i], button_height};
    x += button_width[i] + BUTTON_GAP;
  }
}

void Draw(const Box& box) {
  Display* d = box.display;
  XSetForeground(d, box.gc, box.background);
  XFillRectangle(d, box.window, box.gc, 0, 0, 4096, 4096);
  XSetForeground(d, box.gc, box.ink);
  for (int i = 0; i < box.line_count; i++) {
    XDrawString(d, box.window, box.gc, MARGIN, MARGIN + i * box.line_height + box.ascent, box.lines[i],
                box.line_length[i]);
  }
  for (int i = 0; i < box.count; i++) {
    const Rect& r = box.button_rect[i];
    XSetForeground(d, box.gc, box.pressed == i ? box.border : box.face);
    XFillRectangle(d, box.window, box.gc, r.x, r.y, unsigned(r.w), unsigned(r.h));
    XSetForeground(d, box.gc, box.focus == i ? box.ink : box.border);
    XSetLineAttributes(d, box.gc, box.focus == i ? 2 : 1, LineSolid, CapButt, JoinMiter);
    XDrawRectangle(d, box.window, box.gc, r.x, r.y, unsigned(r.w - 1), unsigned(r.h - 1));
    XSetForeground(d, box.gc, box.ink);
    const char* label = box.buttons[i].label;
    int length = static_cast<int>(std::strlen(label));
    XDrawString(d, box.window, box.gc, r.x + (r.w - TextWidth(box, label, length)) / 2,
                r.y + (r.h - box.line_height) / 2 + box.ascent + 1, label, length);
  }
  XSetLineAttributes(d, box.gc, 1, LineSolid, CapButt, JoinMiter);
  XFlush(d);
}

int ButtonAt(const Box& box, int x, int y) {
  for (int i = 0; i < box.count; i++)
    if (box.button_rect[i].Holds(x, y)) return i;
  return -1;
}

// One event; the index of the button it chose, or -1.
int Handle(Box* box, XEvent* event, int escape) {
  switch (event->type) {
    case Expose:
      if (event->xexpose.count == 0) Draw(*box);
      return -1;
    case MappingNotify:
      XRefreshKeyboardMapping(&event->xmapping);
      return -1;
    case KeyPress: {
      KeySym key = XLookupKeysym(&event->xkey, 0);
      if (key == XK_Return || key == XK_KP_Enter || key == XK_space) return box->focus;
      if (key == XK_Escape) return escape;
      if (key == XK_Tab || key == XK_Right || key == XK_Down)
        box->focus = (box->focus + 1) % box->count;
      else if (key == XK_ISO_Left_Tab || key == XK_Left || key == XK_Up)
        box->focus = (box->focus + box->count - 1) % box->count;
      else if (key < 0x80 && std::isalpha(static_cast<int>(key))) {
        for (int i = 0; i < box->count; i++)
          if (std::tolower(box->buttons[i].label[0]) == std::tolower(static_cast<int>(key))) return i;
      }
      Draw(*box);
      return -1;
    }
    case ButtonPress:
      if (event->xbutton.button == Button1) {
        box->pressed = ButtonAt(*box, event->xbutton.x, event->xbutton.y);
        if (box->pressed >= 0) box->focus = box->pressed;
        Draw(*box);
      }
      return -1;
    case ButtonRelease: {
      if (event->xbutton.button != Button1) return -1;
      int chosen = ButtonAt(*box, event->xbutton.x, event->xbutton.y);
      int was = box->pressed;
      box->pressed = -1;
      Draw(*box);
      return chosen >= 0 && chosen == was ? chosen : -1;
    }
    case ClientMessage:
      if (event->xclient.message_type != box->protocols || event->xclient.format != 32) return -1;
      if (static_cast<Atom>(event->xclient.data.l[0]) == box->delete_window) return escape;
      if (static_cast<Atom>(event->xclient.data.l[0]) == box->ping) {
        // The window manager asks whether we still answer.
        Window root = DefaultRootWindow(box->display);
        event->xclient.window = root;
        XSendEvent(box->display, root, False, SubstructureNotifyMask | SubstructureRedirectMask, event);
        XFlush(box->display);
      }
      return -1;
    default:
      return -1;
  }
}

// What the window manager is told of the box: its caption, that it is a dialog of fixed size (modal
// to the window it is over), the protocols it answers, and the process it belongs to.
void Describe(Box* box, const char* caption, int x, int y, int width, int height, Window over) {
  Display* d = box->display;
  Window w = box->window;
  if (over) {
    XSetTransientForHint(d, w, over);
    Atom modal = XInternAtom(d, "_NET_WM_STATE_MODAL", False);
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&modal), 1);
  }
  XStoreName(d, w, caption);
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(caption), static_cast<int>(std::strlen(caption)));
  Atom dialog = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(d, w, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&dialog), 1);
  long pid = static_cast<long>(getpid());
  XChangeProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&pid), 1);
  Atom protocols[2] = {box->delete_window, box->ping};
  XSetWMProtocols(d, w, protocols, 2);
  XSizeHints* size = XAllocSizeHints();
  if (size) {
    size->flags = USPosition | PPosition | PMinSize | PMaxSize;
    size->x = x, size->y = y;
    size->min_width = size->max_width = width;
    size->min_height = size->max_height = height;
    XSetWMNormalHints(d, w, size);
    XFree(size);
  }
  XWMHints* hints = XAllocWMHints();
  if (hints) {
    hints->flags = InputHint | StateHint;
    hints->input = True;
    hints->initial_state = NormalState;
    XSetWMHints(d, w, hints);
    XFree(hints);
  }
  char name[] = "kestrune-box", klass[] = "Kestrune";
  XClassHint class_hint = {name, klass};
  XSetClassHint(d, w, &class_hint);
}

// Asks the window manager to give the box the focus, as a box the player must answer.
void Activate(const Box& box) {
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = box.window;
  event.xclient.message_type = XInternAtom(box.display, "_NET_ACTIVE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // from an application
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(box.display, DefaultRootWindow(box.display), False, SubstructureNotifyMask | SubstructureRedirectMask,
             &event);
  XFlush(box.display);
}

}  // namespace

int X11MessageBox(const char* caption, const char* text, const X11BoxButton* buttons, int count, int focus, int escape,
                  unsigned long over, void (*wait)()) {
  if (count < 1 || count > BOX_BUTTONS_MAX) return -1;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return -1;
  Box box = {};
  box.display = d;
  box.buttons = buttons;
  box.count = count;
  box.focus = std::clamp(focus, 0, count - 1);
  box.pressed = -1;
  escape = std::clamp(escape, 0, count - 1);
  box.font = XLoadQueryFont(d, "-*-helvetica-medium-r-normal--12-*-*-*-*-*-iso8859-1");
  if (!box.font) box.font = XLoadQueryFont(d, "fixed");
  int screen = DefaultScreen(d);
  box.ink = BlackPixel(d, screen);
  box.background = Colour(d, 0xE4, 0xE4, 0xE4, WhitePixel(d, screen));
  box.face = Colour(d, 0xF4, 0xF4, 0xF4, WhitePixel(d, screen));
  box.border = Colour(d, 0x70, 0x70, 0x70, BlackPixel(d, screen));
  box.protocols = XInternAtom(d, "WM_PROTOCOLS", False);
  box.delete_window = XInternAtom(d, "WM_DELETE_WINDOW", False);
  box.ping = XInternAtom(d, "_NET_WM_PING", False);

  int width, height;
  Layout(&box, text, &width, &height);
  int x = (DisplayWidth(d, screen) - width) / 2, y = (DisplayHeight(d, screen) - height) / 2;
  box.window = XCreateSimpleWindow(d, RootWindow(d, screen), x, y, unsigned(width), unsigned(height), 0, box.ink,
                                   box.background);
  Describe(&box, caption, x, y, width, height, over);
  XSelectInput(d, box.window, ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask);
  box.gc = XCreateGC(d, box.window, 0, nullptr);
  if (box.font) XSetFont(d, box.gc, box.font->fid);
  XMapRaised(d, box.window);
  XFlush(d);

  int chosen = -1;
  while (chosen < 0) {
    while (chosen < 0 && XPending(d) > 0) {
      XEvent event;
      XNextEvent(d, &event);
      if (event.type == MapNotify && event.xmap.window == box.window) Activate(box);
      chosen = Handle(&box, &event, escape);
    }
    if (chosen >= 0) break;
    if (wait) wait();
    pollfd fd = {ConnectionNumber(d), POLLIN, 0};
    poll(&fd, 1, WAIT_MS);
  }
  XDestroyWindow(d, box.window);
  XFreeGC(d, box.gc);
  if (box.font) XFreeFont(d, box.font);
  XCloseDisplay(d);
  return buttons[chosen].id;
}

unsigned long X11WindowOf(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return info.info.x11.window;
}
