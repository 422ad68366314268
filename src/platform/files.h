// Files as the Windows C runtime sees them: text mode with CR LF line ends and Ctrl-Z as the end,
// Windows paths ("..\res\x.ico") with names matched case-insensitively, and a safe rewrite.
//
// Text mode ("r", "w", "a", "r+"...): every "\n" written reaches the disk as CR LF, so a line the
// game ends with "\r\n" is stored as CR CR LF; reading turns each CR LF back into LF (a lone CR
// stays) and a 0x1A byte ends the file. Binary mode (a "b" in the mode) passes bytes unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// One open file; its layout belongs to files.cpp. At most FILE_OPEN_MAX are open at once.
struct File;
constexpr int FILE_OPEN_MAX = 16;
constexpr int FILE_EOF = -1;
constexpr int FILE_PATH_MAX = 1024;  // longest path, terminator included
// The most that is read of one file: no file the program reads is more than a few MB, and a
// larger one (or an endless device) is taken as unreadable rather than exhausting memory. Reads
// through FileOpen end there with FileError set.
constexpr long FILE_READ_MAX = 64L << 20;

enum FileSeekOrigin { FILE_SEEK_SET = 0, FILE_SEEK_CUR = 1, FILE_SEEK_END = 2 };

// Opens like fopen: "r", "w", "a" with an optional "+" and "b". Returns null when the file cannot
// be opened (missing, anything but a regular file, no room in the table, a bad mode).
File* FileOpen(const char* path, const char* mode);
// Opens a file the program rewrites as a whole ("w" or "wb"): the bytes go to a temporary file
// beside it, which FileClose renames over the old one only when every write succeeded, so that a
// crash or a full disk never leaves a truncated file.
File* FileOpenReplacing(const char* path, const char* mode);
// Closes; 0 on success, FILE_EOF when a write or the final rename failed (the old file then stays).
int FileClose(File* file);

// fgets: reads up to size - 1 characters, stopping after a "\n"; null at the end with nothing read.
char* FileGets(char* buffer, int size, File* file);
// fgetc: the next byte as 0..255, or FILE_EOF.
int FileGetc(File* file);
// fputs: writes text; a nonnegative number on success, FILE_EOF on failure.
int FilePuts(const char* text, File* file);
// fputc.
int FilePutc(int c, File* file);
// fprintf: the number of characters formatted (before line-end translation), negative on failure.
int FilePrintf(File* file, const char* format, ...) __attribute__((format(printf, 2, 3)));
// fread, counted in items of item_size bytes.
std::size_t FileRead(void* buffer, std::size_t item_size, std::size_t count, File* file);
// fseek / ftell, in bytes on disk. Seeking clears the end-of-file state.
int FileSeek(File* file, long offset, int origin);
long FileTell(File* file);
// feof / ferror.
int FileEof(File* file);
int FileError(File* file);

// Opens a file by its name on disk (open(2) flags) only when it is a regular file, and never waits
// to do so: a FIFO, a device, a socket or a folder in its place is refused as a missing file would
// be (errno EINVAL for those), instead of hanging on a FIFO without a writer or reading a device
// without end. Links are followed. The file descriptor (close-on-exec, blocking), or -1.
int OpenRegularFile(const char* native_path, int flags);
// OpenRegularFile as a stdio stream opened with stdio_mode, or null with errno telling why.
std::FILE* OpenRegularStream(const char* native_path, int flags, const char* stdio_mode);
// Reads the whole regular file at native_path (opened as OpenRegularFile opens it) into out. 0,
// with out empty, when it cannot be opened or read or holds more than max bytes.
int ReadRegularFile(const char* native_path, std::vector<std::uint8_t>* out, long max = FILE_READ_MAX);

// remove: 0 on success, -1 when the file does not exist or cannot be removed.
int FileRemove(const char* path);
// 1 when the path names an existing regular file.
int FileExists(const char* path);

// Maps a Windows path to the name on disk: "\" becomes "/", and a name that does not exist as
// written is looked up case-insensitively, folder by folder; names that match nothing are kept as
// written (a file about to be created). Returns 0 when the result does not fit in size bytes.
int ResolvePath(const char* path, char* out, std::size_t size);
