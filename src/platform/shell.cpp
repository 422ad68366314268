#include "platform/shell.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "platform/files.h"

namespace {

std::string Native(const char* path) {
  char out[4096];
  if (!ResolvePath(path, out, sizeof(out))) return path;
  return out;
}

void CopyText(char* out, const char* text) { std::snprintf(out, MAX_PATH, "%s", text ? text : ""); }

// The temporary files the setup writes beside the files it installs: ".setup-" and six letters or
// digits, as mkstemp would name them.
constexpr char kTempPrefix[] = ".setup-";
constexpr std::size_t kTempPrefixLength = sizeof(kTempPrefix) - 1, kTempLetters = 6;
constexpr char kTempAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IsTempName(const char* name) {
  if (std::strncmp(name, kTempPrefix, kTempPrefixLength) != 0 || std::strlen(name) != kTempPrefixLength + kTempLetters)
    return false;
  for (const char* p = name + kTempPrefixLength; *p; p++)
    if (!std::strchr(kTempAlphabet, *p)) return false;
  return true;
}

// Removes the temporary files that installations killed before their rename left in a folder.
void RemoveStaleTemporaries(int folder) {
  int listed = dup(folder);
  DIR* dir = listed >= 0 ? fdopendir(listed) : nullptr;
  if (!dir) {
    if (listed >= 0) close(listed);
    return;
  }
  while (dirent* entry = readdir(dir)) {
    struct stat st;
    if (IsTempName(entry->d_name) && fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(st.st_mode))
      unlinkat(folder, entry->d_name, 0);
  }
  closedir(dir);
}

// Opens the folder at path for installing files into (made first when make is set and it is
// missing). Its last component must be a folder itself, not a link to one: a bin, res or menu
// folder planted as a link would have the files written wherever it points. The folder stays
// held by its descriptor while files go in, so that nothing put in its place meanwhile receives
// them. Each installation locks the folders it writes in; one that gets the lock removes the
// temporary files of earlier installations that were killed (none of them can be at work
// there). The descriptor, or -1.
int OpenTargetFolder(std::string path, bool make) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  std::size_t cut = path.find_last_of('/');
  std::string parent = cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  if (name.empty() || name == "." || name == "..") return -1;
  int above = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (above < 0) return -1;
  if (make) mkdirat(above, name.c_str(), 0755);
  int folder = openat(above, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  close(above);
  if (folder < 0) return -1;
  if (flock(folder, LOCK_EX | LOCK_NB) == 0) RemoveStaleTemporaries(folder);
  return folder;
}

// Writes name in folder through a fresh temporary file that write fills, renamed over the name
// once complete; a failure leaves neither. The temporary file is made with O_EXCL, so it is one
// nothing else holds, and the rename replaces a link at the name rather than writing through it.
bool WriteInFolder(int folder, const std::string& name, mode_t mode, const std::function<bool(int)>& write) {
  char temp[kTempPrefixLength + kTempLetters + 1];
  int out = -1;
  for (int attempt = 0; attempt < 100 && out < 0; attempt++) {
    unsigned char random[kTempLetters];
    if (getrandom(random, sizeof(random), 0) != ssize_t(sizeof(random))) return false;
    std::memcpy(temp, kTempPrefix, kTempPrefixLength);
    for (std::size_t i = 0; i < kTempLetters; i++) temp[kTempPrefixLength + i] = kTempAlphabet[random[i] % 62];
    temp[sizeof(temp) - 1] = 0;
    out = openat(folder, temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0 && errno != EEXIST) return false;
  }
  if (out < 0) return false;
  bool ok = write(out);
  ok = fchmod(out, mode) == 0 && ok;
  ok = close(out) == 0 && ok;
  ok = ok && renameat(folder, temp, folder, name.c_str()) == 0;
  if (!ok) unlinkat(folder, temp, 0);
  return ok;
}

// Writes all of n bytes; false on a failure (a full disk).
bool WriteAll(int out, const char* data, std::size_t n) {
  for (std::size_t done = 0; done < n;) {
    ssize_t w = ::write(out, data + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += std::size_t(w);
  }
  return true;
}

// Copies one file into folder under its name. A link in the source folder is no file to copy.
bool CopyFile(const std::string& from, int folder, const std::string& name) {
  int in = OpenRegularFile(from.c_str(), O_RDONLY | O_NOFOLLOW);
  if (in < 0) return false;
  struct stat st;
  if (fstat(in, &st) != 0) {
    close(in);
    return false;
  }
  // The mode as on the medium (a program stays runnable), writable by its owner so that the next
  // installation can replace it, and never set-user-id or set-group-id.
  bool ok = WriteInFolder(folder, name, (st.st_mode & 0777) | S_IWUSR, [in](int out) {
    static char buffer[65536];
    for (;;) {
      ssize_t n = read(in, buffer, sizeof(buffer));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return n == 0;
      if (!WriteAll(out, buffer, std::size_t(n))) return false;
    }
  });
  close(in);
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
  int folder = OpenTargetFolder(target, true);
  if (folder < 0) {
    closedir(dir);
    return 1;
  }
  int failed = 0, matched = 0;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name, path = source + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    matched = 1;
    if (Listed(op->keep, name.c_str()) && fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) continue;
    if (!CopyFile(path, folder, name)) failed = 1;
  }
  closedir(dir);
  close(folder);
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
  std::string description = EntryString(link->description);
  std::string entry = "[Desktop Entry]\nType=Application\nName=" + description + "\nComment=" + description +
                      "\nExec=" + EntryExec(program) + "\nPath=" + EntryString(Native(link->working_directory)) +
                      "\nIcon=" + EntryString(Native(link->icon)) + "\nTerminal=false\n";
  // Written as every installed file is: in the menu folder itself (not through a link to one),
  // complete or not at all.
  std::size_t cut = name.find_last_of('/');
  int folder = OpenTargetFolder(cut == std::string::npos ? "." : name.substr(0, cut), false);
  if (folder < 0) return 0;
  bool ok = WriteInFolder(folder, name.substr(cut + 1), 0644,
                          [&entry](int out) { return WriteAll(out, entry.data(), entry.size()); });
  close(folder);
  return ok;
}

void ReplaceProcess(const char* program) {
  std::string path = Native(program);
  if (access(path.c_str(), X_OK) != 0 && path.size() > 4 && path.compare(path.size() - 4, 4, ".exe") == 0)
    path.erase(path.size() - 4);
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  execv(path.c_str(), argv);
}
