#include "setup.h"

#include <cstdio>
#include <cstring>

const char* const STRING_ABOUT = "&About";
const char* const STRING_DESTINATION_RELATIVE = "Please enter the full path of the destination folder.";
const char* const STRING_DESTINATION_SOURCE = "The game cannot be installed into its own source folder.";
const char* const STRING_DESTINATION_NAME =
    "The destination folder's name holds characters that cannot be used. Please choose another folder.";

namespace {

// clang-format off
// id                kind                     text                                                   x    y    w    h  flags
const DialogControl setup_controls[] = {
  {IDOK,             CONTROL_DEFAULT_BUTTON,  "Install",                                              89,  93,  50,  14, 0},
  {IDCANCEL,         CONTROL_BUTTON,          "Cancel",                                              173,  93,  50,  14, 0},
  {EDIT_DESTINATION, CONTROL_EDIT,            "",                                                      7,  74, 216,  14, CONTROL_AUTO_HSCROLL},
  {-1,               CONTROL_STATIC,          "This will install Kestrune :PC to your hard drive. Once complete, you will not need the CD to play.",
                                                                                                       7,   7, 216,  22, 0},
  {-1,               CONTROL_STATIC,          "Destination:",                                          7,  63,  49,   8, 0},
  {EDIT_SOURCE,      CONTROL_EDIT,            "",                                                      7,  41, 216,  14, CONTROL_DISABLED},
  {-1,               CONTROL_STATIC,          "Source:",                                               7,  30,  49,   8, 0},
};
const DialogControl about_controls[] = {
  {ICON_SETUP,       CONTROL_ICON,            "",                                                     11,  17,  20,  20, 0},
  {-1,               CONTROL_STATIC,          "Kestrune: PC - Setup, Version 1.0",                    40,  10, 188,   8, CONTROL_NO_PREFIX},
  {IDOK,             CONTROL_DEFAULT_BUTTON,  "OK",                                                  178,  40,  50,  14, 0},
};
const DialogControl progress_controls[] = {
  {-1,               CONTROL_STATIC,          "Please wait while files are copied.",                   7,   7, 186,  12, CONTROL_CENTER},
};
// clang-format on

// 1 when text is UTF-8 (no overlong form, no surrogate, nothing past U+10FFFF) without a
// control character (C0, DEL or C1): what a desktop entry, and so the shortcut, can name.
bool PrintableUtf8(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p;) {
    unsigned c = *p, length, code;
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7F) return false;
      p++;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) length = 1, code = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) length = 2, code = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) length = 3, code = c & 0x07;
    else return false;
    for (unsigned i = 1; i <= length; i++) {
      if ((p[i] & 0xC0) != 0x80) return false;  // also at the terminator
      code = code << 6 | (p[i] & 0x3F);
    }
    if ((length == 2 && code < 0x800) || (length == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF) || code <= 0x9F)
      return false;
    p += length + 1;
  }
  return true;
}

constexpr int Count(const auto& table) { return static_cast<int>(sizeof(table) / sizeof(table[0])); }

// Formats into a MAX_PATH buffer; a path too long for it is refused rather than cut.
bool FormatPath(char* out, const char* format, const char* a, const char* b = nullptr) {
  int n = std::snprintf(out, MAX_PATH, format, a, b);
  return n >= 0 && n < MAX_PATH;
}

}  // namespace

const DialogTemplate setup_dialog_template = {
    .id = DIALOG_SETUP, .caption = "Kestrune: PC - Setup", .width = 230, .height = 114, .system_menu = 1,
    .app_window = 1, .font_face = "MS Sans Serif", .font_size = 8, .controls = setup_controls,
    .control_count = Count(setup_controls)};
const DialogTemplate about_dialog_template = {
    .id = DIALOG_ABOUT, .caption = "About", .width = 235, .height = 61, .system_menu = 1, .app_window = 0,
    .font_face = "MS Sans Serif", .font_size = 8, .controls = about_controls, .control_count = Count(about_controls)};
const DialogTemplate progress_dialog_template = {
    .id = DIALOG_PROGRESS, .caption = "Installing . . .", .width = 200, .height = 26, .system_menu = 0,
    .app_window = 0, .font_face = "MS Sans Serif", .font_size = 8, .controls = progress_controls,
    .control_count = Count(progress_controls)};

char source_path[MAX_PATH];
char destination_path[MAX_PATH];
int install_failed = 1;
int install_started = 0;
SetupApp setup_app;

// ---- Setup dialog -----------------------------------------------------------------------------

SetupDialog::SetupDialog() {
  if (!GetCurrentDirectoryA(MAX_PATH, source_path)) source_path[0] = 0;
  std::snprintf(source, sizeof(source), "%s", source_path);
  if (!SHGetSpecialFolderPathA(nullptr, destination_path, CSIDL_PROGRAM_FILES, 0))
    std::snprintf(destination_path, sizeof(destination_path), "%s", "C:\\Program Files");
  if (!FormatPath(destination, "%s\\Kestrune PC", destination_path)) destination[0] = 0;
  ToNativePath(destination);
}

void SetupDialog::DoDataExchange(Dialog* dialog, bool save) {
  if (save) {
    GetDlgItemTextA(dialog, EDIT_DESTINATION, destination, MAX_PATH);
    GetDlgItemTextA(dialog, EDIT_SOURCE, source, MAX_PATH);
  } else {
    SetDlgItemTextA(dialog, EDIT_DESTINATION, destination);
    SetDlgItemTextA(dialog, EDIT_SOURCE, source);
  }
}

void SetupDialog::OnInitDialog(Dialog* dialog) {
  DoDataExchange(dialog, false);
  if (setup_dialog_template.system_menu && STRING_ABOUT[0]) AppendSystemMenuItem(dialog, IDM_ABOUTBOX, STRING_ABOUT);
  SetDialogIcon(dialog, "system-software-install");
}

void SetupDialog::OnSysCommand(Dialog*, int id) {
  if ((id & 0xFFFF) >= 16 && (id & 0xFFFF) <= 31) AboutDialog().DoModal();
}

const char* DestinationFault(const char* source, const char* destination) {
  // The shortcut names the destination: a name no launcher can read would make one that starts
  // nothing.
  if (!PrintableUtf8(destination)) return STRING_DESTINATION_NAME;
  // A relative destination would be taken from the current folder, which is the medium.
  if (destination[0] && PathIsRelativeA(destination)) return STRING_DESTINATION_RELATIVE;
  if (!source[0] || !destination[0]) return nullptr;  // the installation reports these itself
  // The installation must not write into the medium it copies from: neither the destination nor
  // its bin or res may be the medium itself or lie in the medium's bin or res.
  char places[3][MAX_PATH], bin[MAX_PATH], res[MAX_PATH];
  if (!FormatPath(places[0], "%s", destination) || !FormatPath(places[1], "%s\\bin", destination) ||
      !FormatPath(places[2], "%s\\res", destination) || !FormatPath(bin, "%s\\bin", source) ||
      !FormatPath(res, "%s\\res", source))
    return nullptr;  // too long: the installation fails on it
  for (const char* place : places)
    if ((PathIsInsideFolder(place, source) && PathIsInsideFolder(source, place)) || PathIsInsideFolder(place, bin) ||
        PathIsInsideFolder(place, res))
      return STRING_DESTINATION_SOURCE;
  return nullptr;
}

int SetupDialog::TakeFolders(Dialog* dialog) {
  GetDlgItemTextA(dialog, EDIT_SOURCE, source_path, MAX_PATH);
  GetDlgItemTextA(dialog, EDIT_DESTINATION, destination_path, MAX_PATH);
  // As a dialog's data validation would: the box says why, and the dialog stays open on the
  // destination to be typed again.
  if (const char* fault = DestinationFault(source_path, destination_path)) {
    UiMessageBox(fault, setup_dialog_template.caption, MB_OK | MB_ICONEXCLAMATION);
    GotoDlgCtrl(dialog, EDIT_DESTINATION);
    return 0;
  }
  return 1;
}

void SetupDialog::OnOK(Dialog* dialog) {
  if (!TakeFolders(dialog)) return;
  ProgressDialog().DoModal();
  EnableDialog(dialog, 0);
  EndDialog(dialog, IDOK);
}

int SetupDialog::DoModal() {
  DialogHandlers handlers{};
  handlers.context = this;
  handlers.init = [](Dialog* d, void* self) { static_cast<SetupDialog*>(self)->OnInitDialog(d); };
  handlers.command = [](Dialog* d, void* self, int id) {
    if (id == IDOK)
      static_cast<SetupDialog*>(self)->OnOK(d);
    else if (id == IDCANCEL)
      EndDialog(d, IDCANCEL);
  };
  handlers.system_command = [](Dialog* d, void* self, int id) { static_cast<SetupDialog*>(self)->OnSysCommand(d, id); };
  return ::DoModal(setup_dialog_template, handlers);
}

int AboutDialog::DoModal() { return ::DoModal(about_dialog_template, DialogHandlers{}); }

// ---- Progress dialog and the installation ------------------------------------------------------

// The installation starts when the dialog first paints its background.
constexpr unsigned WM_CTLCOLORDLG = 0x136;

void ProgressDialog::OnChildNotify(Dialog* dialog, unsigned message) {
  if (message == WM_CTLCOLORDLG && !install_started) {
    install_started = 1;
    RunInstall(dialog);
  }
}

int ProgressDialog::DoModal() {
  DialogHandlers handlers{};
  handlers.context = this;
  handlers.shown = [](Dialog* d, void* self) { static_cast<ProgressDialog*>(self)->OnChildNotify(d, WM_CTLCOLORDLG); };
  return ::DoModal(progress_dialog_template, handlers);
}

namespace {

// One FO_COPY of the files directly inside "%s\<folder>" of the source into the destination's;
// keep lists the files that the player of an earlier installation may have changed.
bool CopyFolder(const char* folder, const char* keep = nullptr) {
  char from[MAX_PATH + 1] = {}, to[MAX_PATH + 1] = {};  // both lists end with a double NUL
  char pattern[MAX_PATH];
  std::snprintf(pattern, sizeof(pattern), "%%s\\%s\\*.*", folder);
  if (!FormatPath(from, pattern, source_path)) return false;
  std::snprintf(pattern, sizeof(pattern), "%%s\\%s", folder);
  if (!FormatPath(to, pattern, destination_path)) return false;
  SHFILEOPSTRUCTA op{};
  op.func = FO_COPY;
  op.from = from;
  op.to = to;
  op.flags = FOF_NOCONFIRMATION | FOF_FILESONLY | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
  op.keep = keep;
  if (SHFileOperationA(&op) != 0) return false;
  SHChangeNotify(SHCNE_UPDATEDIR, to);
  return true;
}

}  // namespace

void ProgressDialog::RunInstall(Dialog* dialog) {
  install_failed = 0;
  // An empty folder (a current folder that could not be read, a cleared destination) would put
  // "\bin" and "\res" at the root of the file system, and a destination too long for its bin
  // and res (one cut short by the edit box's limit) is not the one typed: the installation fails
  // instead, before it makes any folder.
  char path[MAX_PATH], res[MAX_PATH];
  bool folders = source_path[0] && destination_path[0] && FormatPath(path, "%s\\bin", destination_path) &&
                 FormatPath(res, "%s\\res", destination_path);
  if (folders) {
    // The default destination lies in Program Files, which a fresh account may not have yet.
    char program_files[MAX_PATH];
    SHGetSpecialFolderPathA(nullptr, program_files, CSIDL_PROGRAM_FILES, 1);
    CreateDirectoryA(destination_path);
    CreateDirectoryA(path);
    CreateDirectoryA(res);
  }

  // The player's settings from an earlier installation stay; the medium's are only the defaults.
  if (!folders || !CopyFolder("bin", "prefs.cfg\0") || !CopyFolder("res")) {
    install_failed = 1;
    UiMessageBox("There was a problem while installing the game.", "Installation Failed", MB_OK);
    EndDialog(dialog, IDOK);
    return;
  }

  char target[MAX_PATH], icon[MAX_PATH];
  bool named = FormatPath(target, "%s\\bin\\Kestrune PC.exe", destination_path) &&
               FormatPath(icon, "%s\\res\\parent.ico", destination_path);
  // Without a Programs folder there is no Start menu to put the shortcut in (rather than a
  // "\Kestrune" folder at the root).
  char programs[MAX_PATH], menu_folder[MAX_PATH];
  if (named && SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAMS, 1) &&
      FormatPath(menu_folder, "%s\\Kestrune", programs)) {
    CreateDirectoryA(menu_folder);
    CreateShortcut(target, icon, menu_folder, "Kestrune");
  } else {
    std::fprintf(stderr, "setup: no Start menu folder to save the shortcut in\n");
  }

  if (UiMessageBox("Installation is complete. Run the game now?", "Installation Complete", MB_YESNO) == IDYES &&
      named && FormatPath(path, "%s\\bin", destination_path) && SetCurrentDirectoryA(path))
    ReplaceProcess(target);  // returns only when the game cannot be started
  EndDialog(dialog, IDOK);
}

void CreateShortcut(const char* target, const char* icon, const char* folder, const char* name) {
  ShellLink link{};
  ShellLinkSetPath(&link, target);
  ShellLinkSetDescription(&link, name);
  // The working folder is the target's own folder.
  char working[MAX_PATH];
  std::snprintf(working, sizeof(working), "%s", target);
  if (char* cut = std::strrchr(working, '\\')) *cut = 0;
  ShellLinkSetWorkingDirectory(&link, working);
  ShellLinkSetIconLocation(&link, icon, 0);
  char file[MAX_PATH];
  // The installation is complete without the shortcut, but the user should hear of it.
  if (!FormatPath(file, "%s\\%s.lnk", folder, name) || !ShellLinkSave(&link, file)) {
    char shown[MAX_PATH];
    std::snprintf(shown, sizeof(shown), "%s", folder);
    ToNativePath(shown);
    std::fprintf(stderr, "setup: the shortcut %s could not be saved in %s\n", name, shown);
  }
}

// ---- Application -----------------------------------------------------------------------------------

int SetupApp::InitInstance() {
  SetupDialog dialog;
  dialog.DoModal();
  return 0;  // the program ends when the dialog closes
}
