// The setup program: one dialog with the source and destination folders; Install copies the
// medium's bin and res folders, makes the Start-menu shortcut and offers to start the game.
#pragma once

#include "platform/shell.h"
#include "platform/ui/ui.h"

// Resource ids.
constexpr int DIALOG_ABOUT = 100;
constexpr int STRING_ABOUT_ID = 101;
constexpr int DIALOG_SETUP = 102;
constexpr int ICON_SETUP = 128;
constexpr int DIALOG_PROGRESS = 129;
constexpr int EDIT_DESTINATION = 1000;
constexpr int EDIT_SOURCE = 1001;
constexpr int IDM_ABOUTBOX = 16;  // the system-menu command of "&About"

extern const char* const STRING_ABOUT;
extern const char* const STRING_DESTINATION_RELATIVE;
extern const char* const STRING_DESTINATION_SOURCE;
extern const char* const STRING_DESTINATION_NAME;
extern const DialogTemplate setup_dialog_template;
extern const DialogTemplate about_dialog_template;
extern const DialogTemplate progress_dialog_template;

// Per process.
extern char source_path[MAX_PATH];
extern char destination_path[MAX_PATH];
extern int install_failed;   // 1 until an installation starts, 1 again when a copy fails
extern int install_started;  // the installation runs at most once

struct SetupDialog {
  char destination[MAX_PATH];
  char source[MAX_PATH];

  SetupDialog();
  int DoModal();
  void DoDataExchange(Dialog* dialog, bool save);
  void OnInitDialog(Dialog* dialog);
  void OnOK(Dialog* dialog);
  // Install's first step: the boxes into source_path and destination_path; 0 (after telling the
  // user) when the destination cannot be installed into.
  int TakeFolders(Dialog* dialog);
  void OnSysCommand(Dialog* dialog, int id);
};

struct AboutDialog {
  int DoModal();
};

struct ProgressDialog {
  int DoModal();
  void OnChildNotify(Dialog* dialog, unsigned message);
  void RunInstall(Dialog* dialog);
};

struct SetupApp {
  int InitInstance();
};
extern SetupApp setup_app;

// Why Install cannot copy from source into destination (a message for the user), or null: a
// destination whose name is not UTF-8 or holds control characters, a relative one, or one that
// would write into the medium.
const char* DestinationFault(const char* source, const char* destination);

// Saves a shortcut named "%s\%s.lnk" from folder and name.
void CreateShortcut(const char* target, const char* icon, const char* folder, const char* name);
