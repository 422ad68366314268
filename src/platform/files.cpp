#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct File {
  std::FILE* stream;               // null while the slot is free
  int text;                        // 1: CR LF and Ctrl-Z rules apply
  int ctrl_z;                      // a text read met 0x1A: the file ends here
  int failed;                      // a write failed, or a read passed FILE_READ_MAX
  long read_bytes;                 // bytes read so far, on disk
  int replacing;                   // written to temp_path, renamed over path on close
  char path[FILE_PATH_MAX];        // the resolved name (replacing files only)
  char temp_path[FILE_PATH_MAX];
};

static File open_files[FILE_OPEN_MAX];
static unsigned temp_counter;

static int StatMode(const char* path, mode_t* mode) {
  struct stat st;
  if (stat(path, &st) != 0) return 0;
  *mode = st.st_mode;
  return 1;
}

static int PathExists(const char* path) {
  mode_t mode;
  return StatMode(path, &mode);
}

// Appends text to out at *len; 0 when it does not fit.
static int Append(char* out, std::size_t size, std::size_t* len, const char* text, std::size_t n) {
  if (*len + n + 1 > size) return 0;
  std::memcpy(out + *len, text, n);
  *len += n;
  out[*len] = 0;
  return 1;
}

// Finds the entry of folder whose name equals name ignoring case; the lowest such name in byte
// order wins, so that the result does not depend on the order the folder lists its entries.
static int FindCaseless(const char* folder, const char* name, std::size_t name_len, char* found,
                        std::size_t found_size) {
  DIR* dir = opendir(folder[0] ? folder : ".");
  if (!dir) return 0;
  int ok = 0;
  while (dirent* entry = readdir(dir)) {
    if (std::strlen(entry->d_name) != name_len || strncasecmp(entry->d_name, name, name_len) != 0) continue;
    if (std::strlen(entry->d_name) + 1 > found_size) continue;
    if (!ok || std::strcmp(entry->d_name, found) < 0) {
      std::strcpy(found, entry->d_name);
      ok = 1;
    }
  }
  closedir(dir);
  return ok;
}

int ResolvePath(const char* path, char* out, std::size_t size) {
  if (!path || size == 0) return 0;
  std::size_t n = std::strlen(path);
  if (n + 1 > size) return 0;
  for (std::size_t i = 0; i <= n; i++) out[i] = path[i] == '\\' ? '/' : path[i];
  if (PathExists(out) || n == 0) return 1;

  // Rebuild the path a component at a time, taking the name on disk where only the case differs.
  char written[FILE_PATH_MAX];
  if (n + 1 > sizeof(written)) return 0;
  std::memcpy(written, out, n + 1);
  std::size_t len = 0;
  out[0] = 0;
  const char* p = written;
  if (*p == '/') {
    Append(out, size, &len, "/", 1);
    while (*p == '/') p++;
  }
  int lookup = 1;  // stops once a folder is missing: nothing below it can exist
  while (*p) {
    const char* end = std::strchr(p, '/');
    std::size_t part = end ? std::size_t(end - p) : std::strlen(p);
    char name[FILE_PATH_MAX];
    std::memcpy(name, p, part);
    name[part] = 0;
    std::size_t before = len;
    if (!Append(out, size, &len, name, part)) return 0;
    if (lookup && !(part <= 2 && (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)) &&
        !PathExists(out)) {
      char folder[FILE_PATH_MAX];
      std::memcpy(folder, out, before);
      folder[before] = 0;
      char found[256];
      len = before;
      out[len] = 0;
      if (FindCaseless(folder, name, part, found, sizeof(found))) {
        if (!Append(out, size, &len, found, std::strlen(found))) return 0;
      } else {
        if (!Append(out, size, &len, name, part)) return 0;
        lookup = 0;
      }
    }
    if (!end) break;
    if (!Append(out, size, &len, "/", 1)) return 0;
    p = end;
    while (*p == '/') p++;
  }
  return 1;
}

// Splits an fopen mode into the stdio mode (always binary: the translation is ours), the text
// flag and the open(2) flags it stands for.
static int ParseMode(const char* mode, char* stdio_mode, int* text, int* flags) {
  if (!mode || (mode[0] != 'r' && mode[0] != 'w' && mode[0] != 'a')) return 0;
  int plus = 0, binary = 0;
  for (const char* m = mode + 1; *m; m++) {
    if (*m == '+') plus = 1;
    else if (*m == 'b') binary = 1;
    else if (*m != 't') return 0;
  }
  std::size_t k = 0;
  stdio_mode[k++] = mode[0];
  if (plus) stdio_mode[k++] = '+';
  stdio_mode[k++] = 'b';
  stdio_mode[k] = 0;
  *text = !binary;
  *flags = (plus ? O_RDWR : mode[0] == 'r' ? O_RDONLY : O_WRONLY) |
           (mode[0] == 'w' ? O_CREAT | O_TRUNC : mode[0] == 'a' ? O_CREAT | O_APPEND : 0);
  return 1;
}

static File* FreeSlot() {
  for (File& f : open_files)
    if (!f.stream) return &f;
  return nullptr;
}

int OpenRegularFile(const char* native_path, int flags) {
  // Something other than a file is refused before it is opened, so that opening it cannot start
  // anything (a device); the check after the open covers a name swapped in between.
  struct stat st;
  if (stat(native_path, &st) == 0 && !S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return -1;
  }
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer, for good.
  int fd = open(native_path, flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    errno = EINVAL;
    return -1;
  }
  // A regular file never blocks anyway; the flag goes so that its reads and writes are plain.
  int status = fcntl(fd, F_GETFL);
  if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::FILE* OpenRegularStream(const char* native_path, int flags, const char* stdio_mode) {
  int fd = OpenRegularFile(native_path, flags);
  std::FILE* stream = fd >= 0 ? fdopen(fd, stdio_mode) : nullptr;
  if (!stream && fd >= 0) {
    int error = errno;
    close(fd);
    errno = error;
  }
  return stream;
}

int ReadRegularFile(const char* native_path, std::vector<std::uint8_t>* out, long max) {
  out->clear();
  int fd = OpenRegularFile(native_path, O_RDONLY);
  if (fd < 0) return 0;
  // Read to the end rather than to the size fstat gives: a file may grow while it is read.
  std::uint8_t chunk[65536];
  int ok = 1;
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof(chunk));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    if (out->size() + std::size_t(n) > std::size_t(max)) {
      ok = 0;
      break;
    }
    out->insert(out->end(), chunk, chunk + n);
  }
  close(fd);
  if (!ok) std::vector<std::uint8_t>().swap(*out);
  return ok;
}

File* FileOpen(const char* path, const char* mode) {
  char stdio_mode[4];
  int text, flags;
  char resolved[FILE_PATH_MAX];
  File* file = FreeSlot();
  if (!file || !ParseMode(mode, stdio_mode, &text, &flags) || !ResolvePath(path, resolved, sizeof(resolved)))
    return nullptr;
  std::FILE* stream = OpenRegularStream(resolved, flags, stdio_mode);
  if (!stream) return nullptr;
  *file = File{};
  file->stream = stream;
  file->text = text;
  return file;
}

// Reads a decimal number of 1 to 10 digits at *p, moving past it.
static int ReadNumber(const char** p, unsigned long long* value) {
  int digits = 0;
  *value = 0;
  for (; **p >= '0' && **p <= '9' && digits <= 10; (*p)++, digits++) *value = *value * 10 + unsigned(**p - '0');
  return digits >= 1 && digits <= 10;
}

// Removes what earlier saves of path left when a kill or a crash came between writing the
// temporary file and renaming it: entries named as FileOpenReplacing names them
// ("<name>.<pid>-<n>.tmp") whose process is gone, or is this one with no file open under that
// name. Nothing else is touched.
static void RemoveStaleTemporaries(const char* path) {
  const char* slash = std::strrchr(path, '/');
  const char* base = slash ? slash + 1 : path;
  std::size_t base_len = std::strlen(base);
  char folder[FILE_PATH_MAX];
  std::size_t folder_len = slash ? std::size_t(slash - path) + 1 : 0;  // with its "/"
  std::memcpy(folder, path, folder_len);
  folder[folder_len] = 0;
  DIR* dir = opendir(folder_len ? folder : ".");
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    const char* p = entry->d_name;
    if (std::strncmp(p, base, base_len) != 0 || p[base_len] != '.') continue;
    p += base_len + 1;
    unsigned long long pid, n;
    if (!ReadNumber(&p, &pid) || *p++ != '-' || !ReadNumber(&p, &n) || std::strcmp(p, ".tmp") != 0) continue;
    if (pid == 0 || pid > 0x7FFFFFFF) continue;
    char temp[FILE_PATH_MAX];
    int len = std::snprintf(temp, sizeof(temp), "%s%s", folder, entry->d_name);
    if (len < 0 || std::size_t(len) >= sizeof(temp)) continue;
    if (pid_t(pid) == getpid()) {
      bool open_now = false;
      for (const File& f : open_files) open_now |= f.stream && f.replacing && std::strcmp(f.temp_path, temp) == 0;
      if (open_now) continue;
    } else if (kill(pid_t(pid), 0) == 0 || errno != ESRCH) {
      continue;  // another program's save may be under way
    }
    struct stat st;
    if (lstat(temp, &st) == 0 && !S_ISDIR(st.st_mode)) unlink(temp);
  }
  closedir(dir);
}

File* FileOpenReplacing(const char* path, const char* mode) {
  char stdio_mode[4];
  int text, flags;
  File* file = FreeSlot();
  if (!file || !ParseMode(mode, stdio_mode, &text, &flags) || mode[0] != 'w' || std::strchr(mode, '+')) return nullptr;
  File opened{};
  if (!ResolvePath(path, opened.path, sizeof(opened.path))) return nullptr;
  mode_t st_mode;
  if (StatMode(opened.path, &st_mode) && S_ISDIR(st_mode)) return nullptr;
  RemoveStaleTemporaries(opened.path);
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; attempt++) {
    int n = std::snprintf(opened.temp_path, sizeof(opened.temp_path), "%s.%d-%u.tmp", opened.path, int(getpid()),
                          temp_counter++);
    if (n < 0 || std::size_t(n) >= sizeof(opened.temp_path)) return nullptr;
    fd = open(opened.temp_path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return nullptr;
  }
  if (fd < 0) return nullptr;
  opened.stream = fdopen(fd, "wb");
  if (!opened.stream) {
    close(fd);
    unlink(opened.temp_path);
    return nullptr;
  }
  opened.text = text;
  opened.replacing = 1;
  *file = opened;
  return file;
}

int FileClose(File* file) {
  if (!file || !file->stream) return FILE_EOF;
  int failed = file->failed || std::ferror(file->stream);
  if (file->replacing) {
    if (std::fflush(file->stream) != 0 || fsync(fileno(file->stream)) != 0) failed = 1;
    if (std::fclose(file->stream) != 0) failed = 1;
    if (failed || std::rename(file->temp_path, file->path) != 0) {
      unlink(file->temp_path);
      failed = 1;
    }
  } else if (std::fclose(file->stream) != 0) {
    failed = 1;
  }
  *file = File{};
  return failed ? FILE_EOF : 0;
}

// The next byte on disk, or FILE_EOF at the end; a file going on past FILE_READ_MAX bytes ends
// there as at a read error.
static int NextByte(File* file) {
  int c = std::getc(file->stream);
  if (c == FILE_EOF) return c;
  if (file->read_bytes >= FILE_READ_MAX) {
    std::ungetc(c, file->stream);
    file->failed = 1;
    return FILE_EOF;
  }
  file->read_bytes++;
  return c;
}

int FileGetc(File* file) {
  if (!file || !file->stream || file->ctrl_z) return FILE_EOF;
  int c = NextByte(file);
  if (!file->text || c == FILE_EOF) return c;
  if (c == 0x1A) {
    file->ctrl_z = 1;
    return FILE_EOF;
  }
  if (c == '\r') {
    int next = NextByte(file);
    if (next == '\n') return '\n';
    if (next != FILE_EOF) {
      std::ungetc(next, file->stream);
      file->read_bytes--;
    }
  }
  return c;
}

char* FileGets(char* buffer, int size, File* file) {
  if (!buffer || size <= 0 || !file || !file->stream) return nullptr;
  int n = 0;
  while (n < size - 1) {
    int c = FileGetc(file);
    if (c == FILE_EOF) break;
    buffer[n++] = char(c);
    if (c == '\n') break;
  }
  buffer[n] = 0;
  return n > 0 ? buffer : nullptr;
}

static int WriteBytes(const char* data, std::size_t n, File* file) {
  if (n && std::fwrite(data, 1, n, file->stream) != n) {
    file->failed = 1;
    return 0;
  }
  return 1;
}

// Writes text-mode bytes: each "\n" goes out as CR LF.
static int WriteText(const char* data, std::size_t n, File* file) {
  if (!file->text) return WriteBytes(data, n, file);
  std::size_t start = 0;
  for (std::size_t i = 0; i < n; i++) {
    if (data[i] != '\n') continue;
    if (!WriteBytes(data + start, i - start, file) || !WriteBytes("\r\n", 2, file)) return 0;
    start = i + 1;
  }
  return WriteBytes(data + start, n - start, file);
}

int FilePutc(int c, File* file) {
  if (!file || !file->stream) return FILE_EOF;
  char ch = char(c);
  return WriteText(&ch, 1, file) ? (c & 0xFF) : FILE_EOF;
}

int FilePuts(const char* text, File* file) {
  if (!text || !file || !file->stream) return FILE_EOF;
  return WriteText(text, std::strlen(text), file) ? 0 : FILE_EOF;
}

int FilePrintf(File* file, const char* format, ...) {
  if (!file || !file->stream || !format) return -1;
  char local[1024];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(local, sizeof(local), format, args);
  va_end(args);
  if (n < 0) return -1;
  char* text = local;
  if (std::size_t(n) >= sizeof(local)) {
    // A long line is rare (the game's are short); it alone pays for a buffer of its own.
    text = static_cast<char*>(std::malloc(std::size_t(n) + 1));
    if (!text) return -1;
    va_start(args, format);
    std::vsnprintf(text, std::size_t(n) + 1, format, args);
    va_end(args);
  }
  int ok = WriteText(text, std::size_t(n), file);
  if (text != local) std::free(text);
  return ok ? n : -1;
}

std::size_t FileRead(void* buffer, std::size_t item_size, std::size_t count, File* file) {
  if (!buffer || !file || !file->stream || item_size == 0) return 0;
  if (!file->text) {
    std::size_t room = std::size_t(FILE_READ_MAX - file->read_bytes) / item_size;
    std::size_t got = std::fread(buffer, item_size, count < room ? count : room, file->stream);
    file->read_bytes += long(got * item_size);
    // Only whole items within the bound are read; a file going on past it fails.
    if (got == room && count > room) {
      int c = std::getc(file->stream);
      if (c != FILE_EOF) {
        std::ungetc(c, file->stream);
        file->failed = 1;
      }
    }
    return got;
  }
  unsigned char* out = static_cast<unsigned char*>(buffer);
  std::size_t total = item_size * count, n = 0;
  for (; n < total; n++) {
    int c = FileGetc(file);
    if (c == FILE_EOF) break;
    out[n] = static_cast<unsigned char>(c);
  }
  return n / item_size;
}

int FileSeek(File* file, long offset, int origin) {
  if (!file || !file->stream) return -1;
  int whence = origin == FILE_SEEK_CUR ? SEEK_CUR : origin == FILE_SEEK_END ? SEEK_END : SEEK_SET;
  if (std::fseek(file->stream, offset, whence) != 0) return -1;
  file->ctrl_z = 0;
  return 0;
}

long FileTell(File* file) { return file && file->stream ? std::ftell(file->stream) : -1; }

int FileEof(File* file) { return !file || !file->stream || file->ctrl_z || std::feof(file->stream); }

int FileError(File* file) { return !file || !file->stream || file->failed || std::ferror(file->stream); }

int FileRemove(const char* path) {
  char resolved[FILE_PATH_MAX];
  mode_t mode;
  if (!ResolvePath(path, resolved, sizeof(resolved)) || !StatMode(resolved, &mode) || S_ISDIR(mode)) return -1;
  return unlink(resolved) == 0 ? 0 : -1;
}

int FileExists(const char* path) {
  char resolved[FILE_PATH_MAX];
  mode_t mode;
  return ResolvePath(path, resolved, sizeof(resolved)) && StatMode(resolved, &mode) && S_ISREG(mode);
}
