// Modal dialogs laid out from templates in dialog units, and message boxes, for the setup
// program: GTK 3 on a desktop, a scripted driver in headless runs (KESTRUNE_HEADLESS).
#pragma once

#include "platform/win.h"  // MB_ flags and ID results

enum DialogControlKind { CONTROL_BUTTON, CONTROL_DEFAULT_BUTTON, CONTROL_EDIT, CONTROL_STATIC, CONTROL_ICON };

enum DialogControlFlags {
  CONTROL_DISABLED = 1,
  CONTROL_AUTO_HSCROLL = 2,  // an edit box that scrolls sideways
  CONTROL_NO_PREFIX = 4,     // "&" in a static text is shown, not a mnemonic
  CONTROL_CENTER = 8,
};

struct DialogControl {
  int id;  // -1 for a static that is never addressed
  int kind;
  const char* text;
  int x, y, width, height;  // dialog units
  int flags;
};

struct DialogTemplate {
  int id;
  const char* caption;
  int width, height;  // dialog units
  int system_menu;    // has a system menu (close box)
  int app_window;     // shows in the task bar
  const char* font_face;
  int font_size;
  const DialogControl* controls;
  int control_count;
};

constexpr int IDCANCEL = 2;

struct Dialog;

// What a dialog does; any entry may be null. `command` runs for a pressed button; without it,
// IDOK and IDCANCEL end the dialog with their id. Closing the window is IDCANCEL.
struct DialogHandlers {
  void* context;
  void (*init)(Dialog* dialog, void* context);     // the controls exist and hold their texts
  void (*shown)(Dialog* dialog, void* context);    // the dialog has been drawn once
  void (*command)(Dialog* dialog, void* context, int id);
  void (*system_command)(Dialog* dialog, void* context, int id);  // an appended system-menu item
};

// Runs a dialog until EndDialog; returns the result it was given.
int DoModal(const DialogTemplate& dialog_template, const DialogHandlers& handlers);
void EndDialog(Dialog* dialog, int result);
void SetDlgItemTextA(Dialog* dialog, int id, const char* text);
// Copies at most max - 1 characters of a control's text; the count copied.
int GetDlgItemTextA(Dialog* dialog, int id, char* out, int max);
void EnableDialog(Dialog* dialog, int enable);
// Moves the focus to a control, selecting an edit box's text. A dialog opens with the focus on
// its first enabled button or edit box in template (tab) order.
void GotoDlgCtrl(Dialog* dialog, int id);
// A separator and an item at the end of the window's system menu.
void AppendSystemMenuItem(Dialog* dialog, int command, const char* text);
// The icon shown in the title bar and task bar, from an .ico, .png or a theme icon name.
void SetDialogIcon(Dialog* dialog, const char* icon);

// A message box with the MB_ flags of MessageBoxExA, answering IDOK, IDYES or IDNO.
int UiMessageBox(const char* text, const char* caption, unsigned type);
