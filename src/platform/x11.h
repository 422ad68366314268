// The X11 side of the window layer, beside SDL: an error handler that keeps the program alive when
// a window vanishes under the window manager, and message boxes of our own, so that the game window
// keeps answering the window manager while a box waits.
#pragma once

struct SDL_Window;

// Puts an X error handler in front of the one in place (once per process). BadWindow and
// BadDrawable, errors about a window that is gone (a frame the window manager destroyed while a
// request about it was on its way), are written to standard error and survived; every other error
// goes on to the handler before it (Xlib's own ends the program).
void X11GuardErrors();
// How many errors the handler has survived.
int X11SurvivedErrors();

struct X11BoxButton {
  int id;             // what X11MessageBox returns when it is chosen
  const char* label;  // its first letter chooses it from the keyboard too
};

// Shows a modal box on the X display that DISPLAY names, in a connection of its own, and waits for
// a button: Enter or Space presses the focused one (`focus` at first), Escape and the box's close
// request choose `escape`, Tab and the arrows move the focus. A box over a shown window (`over`, an
// X window id; 0 for none) stays above it and takes the focus when it is clicked, as a modal box
// of that window. `wait`, when not null, is called every few milliseconds while the box is up.
// Returns the chosen button's id, or -1 when no box can be shown (no X display).
int X11MessageBox(const char* caption, const char* text, const X11BoxButton* buttons, int count, int focus, int escape,
                  unsigned long over, void (*wait)());

// The X window id of an SDL window on SDL's X11 driver; 0 on another driver.
unsigned long X11WindowOf(SDL_Window* window);
