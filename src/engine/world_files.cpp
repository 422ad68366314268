// The world's text files on the platform's file layer, in the runtime's text mode. Rewritten
// files go through the platform's replacing open, which writes beside the old file and renames
// over it only when everything was written.
#include "platform/files.h"
#include "world/engine_services.h"

struct TextFile {
  File* file;  // null while the entry is free
  int writing;
};

namespace {

TextFile text_files[FILE_OPEN_MAX];

TextFile* Wrap(File* file, int writing) {
  if (!file) return nullptr;
  for (TextFile& entry : text_files) {
    if (!entry.file) {
      entry = {file, writing};
      return &entry;
    }
  }
  FileClose(file);  // cannot happen: the platform opens no more files than there are entries
  return nullptr;
}

int Release(TextFile* file) {
  int result = FileClose(file->file);
  file->file = nullptr;
  return result;
}

}  // namespace

TextFile* OpenTextFile(const char* name) { return Wrap(FileOpen(name, "r"), 0); }

TextFile* CreateTextFile(const char* name) { return Wrap(FileOpenReplacing(name, "w"), 1); }

char* ReadTextLine(TextFile* file, char* buffer, int size) {
  if (!file || !file->file || file->writing) return nullptr;
  return FileGets(buffer, size, file->file);
}

int WriteText(TextFile* file, const char* text) {
  if (!file || !file->file || !file->writing) return 0;
  return FilePuts(text, file->file) == FILE_EOF ? 0 : 1;
}

void CloseTextFile(TextFile* file) {
  if (file && file->file) Release(file);
}

int CommitTextFile(TextFile* file) {
  if (!file || !file->file) return 0;
  return Release(file) == 0 ? 1 : 0;
}
