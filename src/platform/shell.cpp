#include "platform/shell.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

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

// Copies one file into a fresh temporary file beside its destination, then renames it over the
// destination's name. Neither end follows a link: a link in the source folder is no file to
// copy, and one at the temporary name (O_EXCL) or the final name (rename) is never written through.
bool CopyFile(const std::string& from, const std::string& folder, const std::string& name) {
  // O_NONBLOCK: a file swapped for a pipe since it was listed must not hang the copy.
  int in = open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(in);
    return false;
  }
  // mkstemp makes its file with O_CREAT | O_EXCL, so its name is one nothing else holds, not even
  // a file this copy wrote a moment ago; short, so that a long name still has room.
  std::string temp = folder + "/.setup-XXXXXX";
  int out = mkstemp(temp.data());
  if (out < 0) {
    close(in);
    return false;
  }
  static char buffer[65536];
  bool ok = true;
  for (;;) {
    ssize_t n = read(in, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; ok && done < n;) {
      ssize_t w = write(out, buffer + done, std::size_t(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) ok = false;
      else done += w;
    }
    if (!ok) break;
  }
  close(in);
  // The mode as on the medium (a program stays runnable), writable by its owner so that the next
  // installation can replace it, and never set-user-id or set-group-id.
  ok = fchmod(out, (st.st_mode & 0777) | S_IWUSR) == 0 && ok;
  ok = close(out) == 0 && ok;
  ok = ok && std::rename(temp.c_str(), (folder + "/" + name).c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

// In a double-NUL list of names.
bool Listed(const char* list, const char* name) {
  for (const char* p = list; p && *p; p += std::strlen(p) + 1)
    if (std::strcmp(p, name) == 0) return true;
  return false;
}

// A path made absolute from the current folder, with its links, "." and ".." followed as far as
// it exists; the rest is added as written. "" when the current folder cannot be read.
std::string Canonical(const char* path) {
  std::string p = Native(path), out = "/";
  if (p.empty() || p[0] != '/') {
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof(cwd))) return "";
    p = std::string(cwd) + "/" + p;
  }
  for (std::size_t at = 0; at < p.size();) {
    std::size_t end = p.find('/', at);
    if (end == std::string::npos) end = p.size();
    std::string part = p.substr(at, end - at);
    at = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      out.erase(std::max<std::size_t>(out.find_last_of('/'), 1));
      continue;
    }
    std::string next = (out == "/" ? out : out + "/") + part;
    char real[PATH_MAX];
    out = realpath(next.c_str(), real) ? real : next;
  }
  return out;
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

int SHGetSpecialFolderPathA(void*, char* path, int csidl, int create) {
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
  if (base.size() >= MAX_PATH) return 0;
  // Windows always has these folders; a fresh account here may not have made them yet.
  if (create) {
    for (std::size_t at = base.find('/', 1); at != std::string::npos; at = base.find('/', at + 1))
      mkdir(base.substr(0, at).c_str(), 0755);
    mkdir(base.c_str(), 0755);
  }
  CopyText(path, base.c_str());
  return 1;
}

int PathIsRelativeA(const char* path) { return Native(path).c_str()[0] != '/'; }

int PathIsInsideFolder(const char* path, const char* folder) {
  std::string inner = Canonical(path), outer = Canonical(folder);
  if (inner.empty() || outer.empty()) return 0;
  if (outer == "/") return 1;
  return inner.compare(0, outer.size(), outer) == 0 && (inner.size() == outer.size() || inner[outer.size()] == '/');
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
  int failed = 0, matched = 0;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name, path = source + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    matched = 1;
    if (Listed(op->keep, name.c_str()) && lstat((target + "/" + name).c_str(), &st) == 0) continue;
    if (!CopyFile(path, target, name)) failed = 1;
  }
  closedir(dir);
  // As on Windows, a pattern that matches no file is a failed operation.
  if (!matched) failed = 1;
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
