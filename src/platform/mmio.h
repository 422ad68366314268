// Buffered RIFF chunk files in the manner of the Windows multimedia file functions: open, descend
// into a chunk, ascend out of it (patching the size of a chunk being written), create a chunk,
// read, write, seek, and direct access to the file's I/O buffer. Plain stdio underneath.
#pragma once

#include <cstdint>

#include "platform/wintypes.h"

typedef std::uint16_t WORD;
typedef UINT MMRESULT;
typedef DWORD FOURCC;
typedef char* HPSTR;

struct MmioFile;
typedef MmioFile* HMMIO;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
  return static_cast<FOURCC>(static_cast<unsigned char>(a)) |
         static_cast<FOURCC>(static_cast<unsigned char>(b)) << 8 |
         static_cast<FOURCC>(static_cast<unsigned char>(c)) << 16 |
         static_cast<FOURCC>(static_cast<unsigned char>(d)) << 24;
}
constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');

// Results.
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMIOERR_BASE = 256;
constexpr MMRESULT MMIOERR_FILENOTFOUND = MMIOERR_BASE + 1;
constexpr MMRESULT MMIOERR_OUTOFMEMORY = MMIOERR_BASE + 2;
constexpr MMRESULT MMIOERR_CANNOTOPEN = MMIOERR_BASE + 3;
constexpr MMRESULT MMIOERR_CANNOTCLOSE = MMIOERR_BASE + 4;
constexpr MMRESULT MMIOERR_CANNOTREAD = MMIOERR_BASE + 5;
constexpr MMRESULT MMIOERR_CANNOTWRITE = MMIOERR_BASE + 6;
constexpr MMRESULT MMIOERR_CANNOTSEEK = MMIOERR_BASE + 7;
constexpr MMRESULT MMIOERR_CANNOTEXPAND = MMIOERR_BASE + 8;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = MMIOERR_BASE + 9;
constexpr MMRESULT MMIOERR_UNBUFFERED = MMIOERR_BASE + 10;
constexpr MMRESULT MMIOERR_PATHNOTFOUND = MMIOERR_BASE + 11;
constexpr MMRESULT MMIOERR_ACCESSDENIED = MMIOERR_BASE + 12;

// mmioOpenA flags.
constexpr DWORD MMIO_READ = 0x0000;
constexpr DWORD MMIO_WRITE = 0x0001;
constexpr DWORD MMIO_READWRITE = 0x0002;
constexpr DWORD MMIO_CREATE = 0x1000;
constexpr DWORD MMIO_ALLOCBUF = 0x10000;
constexpr LONG MMIO_DEFAULTBUFFER = 8192;
// mmioDescend / mmioCreateChunk flags.
constexpr UINT MMIO_FINDCHUNK = 0x0010;
constexpr UINT MMIO_FINDRIFF = 0x0020;
constexpr UINT MMIO_FINDLIST = 0x0040;
constexpr UINT MMIO_CREATERIFF = 0x0020;
constexpr UINT MMIO_CREATELIST = 0x0040;
// Set in MMIOINFO::dwFlags by whoever wrote into the I/O buffer; set in MMCKINFO::dwFlags on a
// chunk being created, whose size the ascent patches.
constexpr DWORD MMIO_DIRTY = 0x10000000;

// The file's I/O buffer as handed out by mmioGetInfo. pchNext is the file's position; the bytes up
// to pchEndRead are valid to read, those up to pchEndWrite free to write (files opened to write).
struct MMIOINFO {
  DWORD dwFlags;
  UINT wErrorRet;   // mmioOpenA's failure code
  LONG cchBuffer;   // size of the I/O buffer (in: wanted size with MMIO_ALLOCBUF, 0 for the default)
  HPSTR pchBuffer;
  HPSTR pchNext;
  HPSTR pchEndRead;
  HPSTR pchEndWrite;
  LONG lBufOffset;  // file offset of pchBuffer[0]
  LONG lDiskOffset;
  HMMIO hmmio;
};

// One chunk: its contents begin at dwDataOffset (for "RIFF" and "LIST", with the form type).
struct MMCKINFO {
  FOURCC ckid;
  DWORD cksize;
  FOURCC fccType;
  DWORD dwDataOffset;
  DWORD dwFlags;
};

// The multimedia wave format record (packed, 18 bytes, then cbSize extra bytes).
constexpr WORD WAVE_FORMAT_PCM = 1;
#pragma pack(push, 1)
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

// A PCM format with its block align and byte rate worked out.
WAVEFORMATEX PcmWaveFormat(WORD channels, DWORD rate, WORD bits);

// Opens path ('\' separators accepted) with MMIO_READ, MMIO_WRITE or MMIO_READWRITE, optionally
// with MMIO_CREATE (truncates). Every file is buffered; info (optional) gives the buffer size and
// receives the failure code in wErrorRet. Returns null on failure.
HMMIO mmioOpenA(const char* path, MMIOINFO* info, DWORD flags);
// Flushes and closes; MMIOERR_CANNOTWRITE when buffered data could not be written.
MMRESULT mmioClose(HMMIO file, UINT flags);
// Bytes read (0 at the end of the file), or -1.
LONG mmioRead(HMMIO file, HPSTR dst, LONG count);
// Bytes written, or -1.
LONG mmioWrite(HMMIO file, const char* src, LONG count);
// origin SEEK_SET, SEEK_CUR or SEEK_END; the new position, or -1.
LONG mmioSeek(HMMIO file, LONG offset, int origin);
// Descends into the next chunk, or with MMIO_FINDCHUNK / MMIO_FINDRIFF / MMIO_FINDLIST into the
// next one whose ckid (or form type) matches chunk's, searching no further than parent's end.
MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags);
// Moves past the chunk's end and pad byte; a chunk created for writing first gets its true size
// written into its header and a zero pad byte when that size is odd.
MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, UINT flags);
// Writes a chunk header (ckid, cksize, and the form type for MMIO_CREATERIFF / MMIO_CREATELIST)
// at the current position and marks the chunk for patching at its ascent.
MMRESULT mmioCreateChunk(HMMIO file, MMCKINFO* chunk, UINT flags);
// Direct access to the I/O buffer: take it, give it back (with MMIO_DIRTY set when written into),
// and advance it (MMIO_READ refills it from the current position, MMIO_WRITE writes it out first).
MMRESULT mmioGetInfo(HMMIO file, MMIOINFO* info, UINT flags);
MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, UINT flags);
MMRESULT mmioAdvance(HMMIO file, MMIOINFO* info, UINT flags);
