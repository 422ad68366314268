// The shell services the setup program uses: special folders, folders, copying the files of a
// folder, a Start-menu shortcut and replacing the process. Paths may use "\" as on Windows.
#pragma once

#include <cstddef>

constexpr int CSIDL_PROGRAMS = 0x0002;        // the applications menu folder
constexpr int CSIDL_PROGRAM_FILES = 0x0026;   // where programs are installed
constexpr int MAX_PATH = 260;

// Fills path (MAX_PATH bytes) with a special folder: Program Files is the user's data folder
// ($XDG_DATA_HOME or ~/.local/share), Programs its "applications" folder. A fresh account may not
// have it yet: create makes it (with its parents), otherwise it is only named. 1 on success.
int SHGetSpecialFolderPathA(void* owner, char* path, int csidl, int create);

// 1 when a path does not start at the root.
int PathIsRelativeA(const char* path);
// 1 when path names folder, or something inside it, once links, "." and ".." are followed as
// the system would; the part of path that does not exist yet is placed where it would be made.
int PathIsInsideFolder(const char* path, const char* folder);

// Writes a path's "\" separators as "/", for showing it to the user.
void ToNativePath(char* path);

int GetCurrentDirectoryA(int size, char* out);  // length written, 0 on failure
int SetCurrentDirectoryA(const char* path);     // 1 on success
int CreateDirectoryA(const char* path);         // 1 on success (0 also when it exists)

// SHFileOperationA with FO_COPY: copies the regular files matched by from ("folder\*.*"; files
// only: no subfolders, and links are never followed) into the folder to, overwriting, making the
// folder when missing. Each file is written to a fresh temporary file in the destination folder,
// then renamed over its name; it keeps its mode less set-user/group-id, and its owner may write it.
constexpr unsigned FO_COPY = 2;
constexpr unsigned FOF_NOCONFIRMATION = 0x10;
constexpr unsigned FOF_FILESONLY = 0x80;
constexpr unsigned FOF_NOCONFIRMMKDIR = 0x200;
constexpr unsigned FOF_NOERRORUI = 0x400;
struct SHFILEOPSTRUCTA {
  void* owner;
  unsigned func;
  const char* from;  // double-NUL-terminated list
  const char* to;    // double-NUL-terminated list
  unsigned flags;
  int any_operations_aborted;
  const char* keep;  // our own: double-NUL list of names left alone where the destination has them
};
// 0 when every file was copied, nonzero otherwise (also when the pattern matched no file).
int SHFileOperationA(SHFILEOPSTRUCTA* op);

constexpr int SHCNE_UPDATEDIR = 0x1000;
void SHChangeNotify(int event, const char* path);

// A shortcut, as a shell link is to Windows: saved as a desktop entry. Save with a name ending in
// ".lnk" writes the entry beside it with the ending ".desktop", which desktops look for.
struct ShellLink {
  char path[MAX_PATH];
  char description[MAX_PATH];
  char working_directory[MAX_PATH];
  char icon[MAX_PATH];
  int icon_index;
};
void ShellLinkSetPath(ShellLink* link, const char* path);
void ShellLinkSetDescription(ShellLink* link, const char* text);
void ShellLinkSetWorkingDirectory(ShellLink* link, const char* path);
void ShellLinkSetIconLocation(ShellLink* link, const char* path, int index);
int ShellLinkSave(const ShellLink* link, const char* file);  // 1 on success

// Replaces the process with a program started without arguments; "X.exe" runs "X" when only
// that exists. Returns only on failure.
void ReplaceProcess(const char* program);
