#include "platform/shell.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/files.h"

namespace {

std::string Native(const char* path) {
  char out[4096];
  if (!ResolvePath(path, out, sizeof(out))) return path;
  return out;
}

void CopyText(char* out, const char* text) { std::snprintf(out, MAX_PATH, "%s", text ? text : ""); }

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Copies one file, keeping its permission bits so a program stays runnable.
bool CopyFile(const std::string& from, const std::string& to) {
  struct stat st;
  if (stat(from.c_str(), &st) != 0) return false;
  FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return false;
  std::string temp = to + ".part";
  FILE* out = std::fopen(temp.c_str(), "wb");
  if (!out) {
    std::fclose(in);
    return false;
  }
  char buffer[65536];
  bool ok = true;
  for (;;) {
    std::size_t n = std::fread(buffer, 1, sizeof(buffer), in);
    if (n == 0) break;
    if (std::fwrite(buffer, 1, n, out) != n) ok = false;
  }
  ok = ok && !std::ferror(in);
  std::fclose(in);
  ok = (std::fclose(out) == 0) && ok;
  ok = ok && chmod(temp.c_str(), st.st_mode & 07777) == 0 && std::rename(temp.c_str(), to.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

// A desktop entry's string value: backslashes and control characters escaped, and a leading
// blank kept (readers trim the blanks after "=").
std::string EntryString(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c == '\r') out += "\\r";
    else if (c == ' ' && out.empty()) out += "\\s";
    else out += c;
  }
  return out;
}

// The program as one quoted argument of an Exec line: the quoting escapes, "%" doubled (field
// codes), then the string escapes over all of it.
std::string EntryExec(const std::string& program) {
  std::string quoted = "\"";
  for (char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
    if (c == '%') quoted += '%';
  }
  return EntryString(quoted + "\"");
}

}  // namespace

int SHGetSpecialFolderPathA(void*, char* path, int csidl, int) {
  std::string base;
  // A relative XDG_DATA_HOME is not to be used.
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') {
    base = data;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.local/share";
  } else {
    return 0;
  }
  if (csidl == CSIDL_PROGRAMS)
    base += "/applications";
  else if (csidl != CSIDL_PROGRAM_FILES)
    return 0;
  // Windows always has these folders; a fresh account here may not have made them yet.
  for (std::size_t at = base.find('/', 1); at != std::string::npos; at = base.find('/', at + 1))
    mkdir(base.substr(0, at).c_str(), 0755);
  mkdir(base.c_str(), 0755);
  if (base.size() >= MAX_PATH) return 0;
  CopyText(path, base.c_str());
  return 1;
}

void ToNativePath(char* path) {
  for (char* p = path; *p; p++)
    if (*p == '\\') *p = '/';
}

int GetCurrentDirectoryA(int size, char* out) {
  if (!getcwd(out, static_cast<std::size_t>(size))) return 0;
  return static_cast<int>(std::strlen(out));
}

int SetCurrentDirectoryA(const char* path) { return chdir(Native(path).c_str()) == 0; }

int CreateDirectoryA(const char* path) { return mkdir(Native(path).c_str(), 0755) == 0; }

int SHFileOperationA(SHFILEOPSTRUCTA* op) {
  if (!op || op->func != FO_COPY || !op->from || !op->to) return 1;
  // Only the "folder\*.*" pattern is used: every regular file directly inside the folder.
  std::string from = op->from;
  std::size_t cut = from.find_last_of("\\/");
  if (cut == std::string::npos || from.substr(cut + 1) != "*.*") return 1;
  std::string source = Native(from.substr(0, cut).c_str()), target = Native(op->to);
  DIR* dir = opendir(source.c_str());
  if (!dir) return 1;
  if (!IsFolder(target)) mkdir(target.c_str(), 0755);
  int failed = 0;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name, path = source + "/" + name;
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (!CopyFile(path, target + "/" + name)) failed = 1;
  }
  closedir(dir);
  op->any_operations_aborted = failed;
  return failed;
}

void SHChangeNotify(int, const char*) {}

void ShellLinkSetPath(ShellLink* link, const char* path) { CopyText(link->path, path); }
void ShellLinkSetDescription(ShellLink* link, const char* text) { CopyText(link->description, text); }
void ShellLinkSetWorkingDirectory(ShellLink* link, const char* path) { CopyText(link->working_directory, path); }
void ShellLinkSetIconLocation(ShellLink* link, const char* path, int index) {
  CopyText(link->icon, path);
  link->icon_index = index;
}

int ShellLinkSave(const ShellLink* link, const char* file) {
  std::string name = Native(file);
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".lnk") == 0) name.replace(name.size() - 4, 4, ".desktop");
  // The program as it is on disk: without ".exe" when only that exists.
  std::string program = Native(link->path);
  if (access(program.c_str(), F_OK) != 0 && program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0)
    program.erase(program.size() - 4);
  FILE* f = std::fopen(name.c_str(), "w");
  if (!f) return 0;
  std::string description = EntryString(link->description);
  std::fprintf(f, "[Desktop Entry]\nType=Application\nName=%s\nComment=%s\nExec=%s\nPath=%s\nIcon=%s\nTerminal=false\n",
               description.c_str(), description.c_str(), EntryExec(program).c_str(),
               EntryString(Native(link->working_directory)).c_str(), EntryString(Native(link->icon)).c_str());
  return std::fclose(f) == 0;
}

void ReplaceProcess(const char* program) {
  std::string path = Native(program);
  if (access(path.c_str(), X_OK) != 0 && path.size() > 4 && path.compare(path.size() - 4, 4, ".exe") == 0)
    path.erase(path.size() - 4);
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  execv(path.c_str(), argv);
}
