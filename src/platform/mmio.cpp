#include "platform/mmio.h"

#include <fcntl.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/files.h"

// One open file. info holds the I/O buffer in the form mmioGetInfo hands out: the buffer mirrors
// the file from lBufOffset on (bytes past what the file held are zero), pchNext is the position,
// and MMIO_DIRTY in info.dwFlags says the buffer holds bytes the disk does not have yet.
struct MmioFile {
  std::FILE* stream;
  bool writable;
  MMIOINFO info;
};

namespace {

// File offsets are LONGs: a position past the largest one cannot be reached (nor held).
constexpr long long kMaxOffset = std::numeric_limits<LONG>::max();

long long Position(const MmioFile* file) {
  return static_cast<long long>(file->info.lBufOffset) + (file->info.pchNext - file->info.pchBuffer);
}

// Bytes written through the buffer extend what it holds.
void NoteWritten(MmioFile* file) {
  if ((file->info.dwFlags & MMIO_DIRTY) && file->info.pchNext > file->info.pchEndRead) {
    file->info.pchEndRead = file->info.pchNext;
  }
}

bool Flush(MmioFile* file) {
  NoteWritten(file);
  if (!(file->info.dwFlags & MMIO_DIRTY)) return true;
  file->info.dwFlags &= ~MMIO_DIRTY;
  size_t length = static_cast<size_t>(file->info.pchEndRead - file->info.pchBuffer);
  if (std::fseek(file->stream, file->info.lBufOffset, SEEK_SET) != 0) return false;
  if (std::fwrite(file->info.pchBuffer, 1, length, file->stream) != length) return false;
  return std::fflush(file->stream) == 0;
}

// Writes the buffer out when dirty, then loads it with the file's bytes from position on.
MMRESULT Fill(MmioFile* file, long long position) {
  if (!Flush(file)) return MMIOERR_CANNOTWRITE;
  if (position < 0 || position > kMaxOffset) return MMIOERR_CANNOTSEEK;
  MMIOINFO& info = file->info;
  info.lBufOffset = static_cast<LONG>(position);
  info.pchNext = info.pchBuffer;
  info.pchEndRead = info.pchBuffer;
  info.pchEndWrite = file->writable ? info.pchBuffer + info.cchBuffer : info.pchBuffer;
  std::memset(info.pchBuffer, 0, static_cast<size_t>(info.cchBuffer));
  if (std::fseek(file->stream, static_cast<long>(position), SEEK_SET) != 0) return MMIOERR_CANNOTSEEK;
  size_t got = std::fread(info.pchBuffer, 1, static_cast<size_t>(info.cchBuffer), file->stream);
  if (std::ferror(file->stream)) {
    std::clearerr(file->stream);
    return MMIOERR_CANNOTREAD;
  }
  info.pchEndRead = info.pchBuffer + got;
  info.lDiskOffset = static_cast<LONG>(position + static_cast<long long>(got));
  return MMSYSERR_NOERROR;
}

// Moves to position, inside the buffer where it can. Positions past the end of the file are
// allowed, as with any seek; writing there leaves zeros in between.
bool SeekTo(MmioFile* file, long long position) {
  NoteWritten(file);
  MMIOINFO& info = file->info;
  long long reach = file->writable ? info.cchBuffer : info.pchEndRead - info.pchBuffer;
  if (position >= info.lBufOffset && position <= info.lBufOffset + reach) {
    info.pchNext = info.pchBuffer + (position - info.lBufOffset);
    return true;
  }
  return Fill(file, position) == MMSYSERR_NOERROR;
}

long long Length(MmioFile* file) {
  NoteWritten(file);
  long long length = 0;
  if (std::fseek(file->stream, 0, SEEK_END) == 0) length = std::ftell(file->stream);
  if (file->info.dwFlags & MMIO_DIRTY) {
    long long buffered = file->info.lBufOffset + (file->info.pchEndRead - file->info.pchBuffer);
    if (buffered > length) length = buffered;
  }
  return length;
}

DWORD ReadLittle32(const unsigned char* bytes) {
  return static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 | static_cast<DWORD>(bytes[2]) << 16 |
         static_cast<DWORD>(bytes[3]) << 24;
}

void WriteLittle32(unsigned char* bytes, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

bool ReadExactly(HMMIO file, unsigned char* dst, LONG count) {
  return mmioRead(file, reinterpret_cast<HPSTR>(dst), count) == count;
}

bool WriteExactly(HMMIO file, const unsigned char* src, LONG count) {
  return mmioWrite(file, reinterpret_cast<const char*>(src), count) == count;
}

}  // namespace

HMMIO mmioOpenA(const char* path, MMIOINFO* info, DWORD flags) {
  if (info) info->wErrorRet = MMSYSERR_NOERROR;
  auto fail = [info](MMRESULT code) -> HMMIO {
    if (info) info->wErrorRet = code;
    return nullptr;
  };
  if (!path) return fail(MMSYSERR_INVALPARAM);
  // The disk's name for it, found as Windows would find it: "\\" separators, any letter case.
  char name[4096];
  if (!ResolvePath(path, name, sizeof(name))) return fail(MMIOERR_PATHNOTFOUND);
  DWORD access = flags & (MMIO_WRITE | MMIO_READWRITE);
  const char* mode = (flags & MMIO_CREATE) ? "w+b" : access == MMIO_READ ? "rb" : "r+b";
  int open_flags = (flags & MMIO_CREATE) ? O_RDWR | O_CREAT | O_TRUNC : access == MMIO_READ ? O_RDONLY : O_RDWR;
  LONG size = (flags & MMIO_ALLOCBUF) && info && info->cchBuffer > 0 ? info->cchBuffer : MMIO_DEFAULTBUFFER;

  // Only a regular file opens: anything else in its place (a FIFO, a device) cannot be opened.
  std::FILE* stream = OpenRegularStream(name, open_flags, mode);
  if (!stream) {
    int error = errno;
    return fail(error == ENOENT ? MMIOERR_FILENOTFOUND
                : error == ENOTDIR ? MMIOERR_PATHNOTFOUND
                : error == EACCES  ? MMIOERR_ACCESSDENIED
                                   : MMIOERR_CANNOTOPEN);
  }
  auto* file = static_cast<MmioFile*>(std::calloc(1, sizeof(MmioFile)));
  char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(size)));
  if (!file || !buffer) {
    std::free(file);
    std::free(buffer);
    std::fclose(stream);
    return fail(MMIOERR_OUTOFMEMORY);
  }
  file->stream = stream;
  file->writable = (flags & MMIO_CREATE) || access != MMIO_READ;
  file->info.cchBuffer = size;
  file->info.pchBuffer = buffer;
  file->info.pchNext = buffer;
  file->info.pchEndRead = buffer;
  file->info.hmmio = file;
  // A file that cannot be read does not open.
  if (Fill(file, 0) != MMSYSERR_NOERROR) {
    std::fclose(stream);
    std::free(buffer);
    std::free(file);
    return fail(MMIOERR_CANNOTOPEN);
  }
  return file;
}

MMRESULT mmioClose(HMMIO file, UINT) {
  if (!file) return MMSYSERR_INVALHANDLE;
  MMRESULT result = Flush(file) ? MMSYSERR_NOERROR : MMIOERR_CANNOTWRITE;
  if (std::fclose(file->stream) != 0 && result == MMSYSERR_NOERROR) {
    result = file->writable ? MMIOERR_CANNOTWRITE : MMIOERR_CANNOTCLOSE;
  }
  std::free(file->info.pchBuffer);
  std::free(file);
  return result;
}

LONG mmioRead(HMMIO file, HPSTR dst, LONG count) {
  if (!file || count < 0 || (count > 0 && !dst)) return -1;
  NoteWritten(file);
  LONG done = 0;
  while (done < count) {
    LONG available = static_cast<LONG>(file->info.pchEndRead - file->info.pchNext);
    if (available == 0) {
      if (Fill(file, Position(file)) != MMSYSERR_NOERROR) return -1;
      available = static_cast<LONG>(file->info.pchEndRead - file->info.pchNext);
      if (available == 0) break;
    }
    LONG step = count - done < available ? count - done : available;
    std::memcpy(dst + done, file->info.pchNext, static_cast<size_t>(step));
    file->info.pchNext += step;
    done += step;
  }
  return done;
}

LONG mmioWrite(HMMIO file, const char* src, LONG count) {
  if (!file || !file->writable || count < 0 || (count > 0 && !src)) return -1;
  LONG done = 0;
  while (done < count) {
    LONG space = static_cast<LONG>(file->info.pchEndWrite - file->info.pchNext);
    if (space == 0) {
      if (Fill(file, Position(file)) != MMSYSERR_NOERROR) return -1;
      space = static_cast<LONG>(file->info.pchEndWrite - file->info.pchNext);
    }
    LONG step = count - done < space ? count - done : space;
    std::memcpy(file->info.pchNext, src + done, static_cast<size_t>(step));
    file->info.pchNext += step;
    file->info.dwFlags |= MMIO_DIRTY;
    NoteWritten(file);
    done += step;
  }
  return done;
}

LONG mmioSeek(HMMIO file, LONG offset, int origin) {
  if (!file) return -1;
  long long base = origin == SEEK_SET   ? 0
                   : origin == SEEK_CUR ? Position(file)
                   : origin == SEEK_END ? Length(file)
                                        : -1;
  if (base < 0) return -1;
  long long target = base + offset;
  if (target < 0 || target > kMaxOffset || !SeekTo(file, target)) return -1;
  return static_cast<LONG>(target);
}

MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags) {
  if (!file || !chunk) return MMSYSERR_INVALPARAM;
  const FOURCC wanted_id = chunk->ckid;
  const FOURCC wanted_type = chunk->fccType;
  const long long end = parent ? static_cast<long long>(parent->dwDataOffset) + parent->cksize : LLONG_MAX;
  for (;;) {
    long long start = Position(file);
    if (start + 8 > end) return MMIOERR_CHUNKNOTFOUND;
    unsigned char header[8];
    if (!ReadExactly(file, header, 8)) return MMIOERR_CHUNKNOTFOUND;
    FOURCC id = ReadLittle32(header);
    DWORD size = ReadLittle32(header + 4);
    FOURCC type = 0;
    if (id == FOURCC_RIFF || id == FOURCC_LIST) {
      unsigned char form[4];
      if (!ReadExactly(file, form, 4)) return MMIOERR_CHUNKNOTFOUND;
      type = ReadLittle32(form);
    }
    bool match = (flags & MMIO_FINDCHUNK)  ? id == wanted_id
                 : (flags & MMIO_FINDRIFF) ? id == FOURCC_RIFF && type == wanted_type
                 : (flags & MMIO_FINDLIST) ? id == FOURCC_LIST && type == wanted_type
                                           : true;
    if (match) {
      chunk->ckid = id;
      chunk->cksize = size;
      chunk->fccType = type;
      chunk->dwDataOffset = static_cast<DWORD>(start + 8);
      chunk->dwFlags = 0;
      return MMSYSERR_NOERROR;
    }
    // Chunks are padded to an even length.
    long long next = start + 8 + size + (size & 1);
    if (next > kMaxOffset) return MMIOERR_CHUNKNOTFOUND;
    if (!SeekTo(file, next)) return MMIOERR_CANNOTSEEK;
  }
}

MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, UINT) {
  if (!file || !chunk) return MMSYSERR_INVALPARAM;
  NoteWritten(file);
  if (chunk->dwFlags & MMIO_DIRTY) {
    long long here = Position(file);
    long long size = here - chunk->dwDataOffset;
    if (size < 0 || size > UINT32_MAX) return MMIOERR_CANNOTSEEK;
    if (size != chunk->cksize) {
      unsigned char bytes[4];
      WriteLittle32(bytes, static_cast<DWORD>(size));
      if (!SeekTo(file, static_cast<long long>(chunk->dwDataOffset) - 4)) return MMIOERR_CANNOTSEEK;
      if (!WriteExactly(file, bytes, 4)) return MMIOERR_CANNOTWRITE;
      if (!SeekTo(file, here)) return MMIOERR_CANNOTSEEK;
      chunk->cksize = static_cast<DWORD>(size);
    }
    if (size & 1) {
      const unsigned char pad = 0;
      if (!WriteExactly(file, &pad, 1)) return MMIOERR_CANNOTWRITE;
    }
    chunk->dwFlags &= ~MMIO_DIRTY;
    return MMSYSERR_NOERROR;
  }
  long long end = static_cast<long long>(chunk->dwDataOffset) + chunk->cksize + (chunk->cksize & 1);
  if (end > kMaxOffset || !SeekTo(file, end)) return MMIOERR_CANNOTSEEK;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioCreateChunk(HMMIO file, MMCKINFO* chunk, UINT flags) {
  if (!file || !chunk) return MMSYSERR_INVALPARAM;
  if (!file->writable) return MMIOERR_CANNOTWRITE;
  if (flags & MMIO_CREATERIFF) chunk->ckid = FOURCC_RIFF;
  if (flags & MMIO_CREATELIST) chunk->ckid = FOURCC_LIST;
  bool typed = flags & (MMIO_CREATERIFF | MMIO_CREATELIST);
  unsigned char header[12];
  WriteLittle32(header, chunk->ckid);
  WriteLittle32(header + 4, chunk->cksize);
  WriteLittle32(header + 8, chunk->fccType);
  long long start = Position(file);
  if (start + 8 > UINT32_MAX) return MMIOERR_CANNOTEXPAND;
  if (!WriteExactly(file, header, typed ? 12 : 8)) return MMIOERR_CANNOTWRITE;
  chunk->dwDataOffset = static_cast<DWORD>(start + 8);
  chunk->dwFlags = MMIO_DIRTY;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioGetInfo(HMMIO file, MMIOINFO* info, UINT) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!info) return MMSYSERR_INVALPARAM;
  NoteWritten(file);
  *info = file->info;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, UINT) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!info || info->pchBuffer != file->info.pchBuffer) return MMSYSERR_INVALPARAM;
  HPSTR limit = file->writable ? file->info.pchEndWrite : file->info.pchEndRead;
  if (info->pchNext < file->info.pchBuffer || info->pchNext > limit) return MMSYSERR_INVALPARAM;
  file->info.pchNext = info->pchNext;
  if (file->writable && (info->dwFlags & MMIO_DIRTY)) file->info.dwFlags |= MMIO_DIRTY;
  NoteWritten(file);
  return MMSYSERR_NOERROR;
}

MMRESULT mmioAdvance(HMMIO file, MMIOINFO* info, UINT flags) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (info) {
    MMRESULT given = mmioSetInfo(file, info, 0);
    if (given != MMSYSERR_NOERROR) return given;
  }
  if ((flags & MMIO_WRITE) && !file->writable) return MMIOERR_CANNOTWRITE;
  MMRESULT filled = Fill(file, Position(file));
  if (info) *info = file->info;
  return filled;
}

WAVEFORMATEX PcmWaveFormat(WORD channels, DWORD rate, WORD bits) {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = channels;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = bits;
  format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  format.nAvgBytesPerSec = rate * format.nBlockAlign;
  return format;
}
