#include "wave/wave.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr FOURCC FOURCC_WAVE = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC FOURCC_FMT = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC FOURCC_FACT = mmioFOURCC('f', 'a', 'c', 't');
constexpr FOURCC FOURCC_DATA = mmioFOURCC('d', 'a', 't', 'a');
constexpr FOURCC FOURCC_DISP = mmioFOURCC('D', 'I', 'S', 'P');
constexpr FOURCC FOURCC_PLST = mmioFOURCC('p', 'l', 's', 't');

// The PCM part of the format: tag, channels, rate, bytes per second, block align, bits.
constexpr LONG PCM_FORMAT_BYTES = 16;
constexpr LONG FORMAT_RECORD_BYTES = static_cast<LONG>(sizeof(WAVEFORMATEX));

// Bytes from the position to the end of the file, or -1. Sizes read from a file are held against
// this before anything is allocated for them.
long long RemainingBytes(HMMIO file) {
  LONG here = mmioSeek(file, 0, SEEK_CUR);
  LONG end = mmioSeek(file, 0, SEEK_END);
  if (here < 0 || end < 0 || mmioSeek(file, here, SEEK_SET) != here) return -1;
  return static_cast<long long>(end) - here;
}

bool ReadBytes(HMMIO file, void* dst, LONG count) {
  return mmioRead(file, static_cast<HPSTR>(dst), count) == count;
}

bool WriteBytes(HMMIO file, const void* src, LONG count) {
  return mmioWrite(file, static_cast<const char*>(src), count) == count;
}

void PutLittle32(unsigned char* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

// Descends into the RIFF chunk and reads the "fmt " chunk into a new record.
int ReadFormat(HMMIO file, MMCKINFO* riff, WAVEFORMATEX** format) {
  MMRESULT result = mmioDescend(file, riff, nullptr, 0);
  if (result != MMSYSERR_NOERROR) return static_cast<int>(result);
  // A RIFF chunk too short to hold its own form type is no wave file either.
  if (riff->ckid != FOURCC_RIFF || riff->fccType != FOURCC_WAVE || riff->cksize < 4) return WAVE_ERROR_NOT_WAVE;

  MMCKINFO fmt = {};
  fmt.ckid = FOURCC_FMT;
  result = mmioDescend(file, &fmt, riff, MMIO_FINDCHUNK);
  if (result != MMSYSERR_NOERROR) return static_cast<int>(result);
  if (fmt.cksize < static_cast<DWORD>(PCM_FORMAT_BYTES)) return WAVE_ERROR_NOT_WAVE;

  unsigned char pcm[PCM_FORMAT_BYTES];
  if (!ReadBytes(file, pcm, PCM_FORMAT_BYTES)) return WAVE_ERROR_CANNOT_READ;
  WORD tag = static_cast<WORD>(pcm[0] | pcm[1] << 8);

  // The extra size belongs to the chunk: a 16-byte chunk of another format has none, and one
  // that claims more bytes than its chunk holds is broken.
  WORD extra = 0;
  if (tag != WAVE_FORMAT_PCM && fmt.cksize >= static_cast<DWORD>(FORMAT_RECORD_BYTES)) {
    unsigned char size[2];
    if (!ReadBytes(file, size, 2)) return WAVE_ERROR_CANNOT_READ;
    extra = static_cast<WORD>(size[0] | size[1] << 8);
    if (extra > fmt.cksize - FORMAT_RECORD_BYTES || extra > RemainingBytes(file)) return WAVE_ERROR_NOT_WAVE;
  }

  auto* record = static_cast<WAVEFORMATEX*>(std::malloc(sizeof(WAVEFORMATEX) + extra));
  if (!record) return WAVE_ERROR_MEMORY;
  *format = record;
  std::memcpy(record, pcm, PCM_FORMAT_BYTES);
  record->cbSize = extra;
  if (extra != 0 && !ReadBytes(file, reinterpret_cast<unsigned char*>(record) + sizeof(WAVEFORMATEX), extra)) {
    return WAVE_ERROR_NOT_WAVE;
  }
  return static_cast<int>(mmioAscend(file, &fmt, 0));
}

// RIFF "WAVE", "fmt " with the format, and "fact" with a placeholder sample count.
int WriteHeader(HMMIO file, const WAVEFORMATEX* format, MMCKINFO* fmt, MMCKINFO* riff) {
  if (!format) return static_cast<int>(MMSYSERR_INVALPARAM);
  riff->fccType = FOURCC_WAVE;
  riff->cksize = 0;
  MMRESULT result = mmioCreateChunk(file, riff, MMIO_CREATERIFF);
  if (result != MMSYSERR_NOERROR) return static_cast<int>(result);

  fmt->ckid = FOURCC_FMT;
  fmt->cksize = PCM_FORMAT_BYTES;
  result = mmioCreateChunk(file, fmt, 0);
  if (result != MMSYSERR_NOERROR) return static_cast<int>(result);
  LONG bytes = format->wFormatTag == WAVE_FORMAT_PCM ? PCM_FORMAT_BYTES : FORMAT_RECORD_BYTES + format->cbSize;
  if (!WriteBytes(file, format, bytes)) return WAVE_ERROR_CANNOT_WRITE;
  if (mmioAscend(file, fmt, 0) != MMSYSERR_NOERROR) return WAVE_ERROR_CANNOT_WRITE;

  MMCKINFO fact = {};
  fact.ckid = FOURCC_FACT;
  fact.cksize = 4;
  result = mmioCreateChunk(file, &fact, 0);
  if (result != MMSYSERR_NOERROR) return static_cast<int>(result);
  const unsigned char unknown[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  if (!WriteBytes(file, unknown, 4)) return WAVE_ERROR_CANNOT_WRITE;
  if (mmioAscend(file, &fact, 0) != MMSYSERR_NOERROR) return WAVE_ERROR_CANNOT_WRITE;
  return 0;
}

// Overwrites the placeholder in "fact" with the sample count, when the file has one.
int PatchSampleCount(HMMIO file, MMCKINFO* riff, std::uint32_t samples) {
  if (mmioSeek(file, 0, SEEK_SET) != 0) return static_cast<int>(MMIOERR_CANNOTSEEK);
  MMRESULT result = mmioDescend(file, riff, nullptr, 0);
  if (result != MMSYSERR_NOERROR) return static_cast<int>(result);
  int patched = 0;
  MMCKINFO fact = {};
  fact.ckid = FOURCC_FACT;
  if (mmioDescend(file, &fact, riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR) {
    unsigned char count[4];
    PutLittle32(count, samples);
    patched = WriteBytes(file, count, 4) ? static_cast<int>(mmioAscend(file, &fact, 0)) : WAVE_ERROR_CANNOT_WRITE;
  }
  result = mmioAscend(file, riff, 0);
  return patched != 0 ? patched : static_cast<int>(result);
}

}  // namespace

int WaveOpenRead(const char* path, HMMIO* file, WAVEFORMATEX** format, MMCKINFO* riff) {
  *format = nullptr;
  *file = nullptr;
  HMMIO opened = mmioOpenA(path, nullptr, MMIO_READ | MMIO_ALLOCBUF);
  if (!opened) return WAVE_ERROR_CANNOT_OPEN;
  WAVEFORMATEX* record = nullptr;
  int result = ReadFormat(opened, riff, &record);
  if (result != 0) {
    std::free(record);
    mmioClose(opened, 0);
    return result;
  }
  *file = opened;
  *format = record;
  return 0;
}

int WaveStartRead(HMMIO* file, MMCKINFO* data, MMCKINFO* riff) {
  if (!file || !*file) return static_cast<int>(MMSYSERR_INVALHANDLE);
  // The data may stand before or after the format: search from just behind the form type.
  if (mmioSeek(*file, static_cast<LONG>(riff->dwDataOffset + 4), SEEK_SET) == -1) return WAVE_ERROR_CANNOT_READ;
  data->ckid = FOURCC_DATA;
  return static_cast<int>(mmioDescend(*file, data, riff, MMIO_FINDCHUNK));
}

int WaveRead(HMMIO file, std::uint32_t count, std::uint8_t* dst, MMCKINFO* data, std::uint32_t* count_read) {
  *count_read = 0;
  if (count > 0 && !dst) return static_cast<int>(MMSYSERR_INVALPARAM);
  MMIOINFO info;
  MMRESULT taken = mmioGetInfo(file, &info, 0);
  if (taken != MMSYSERR_NOERROR) return static_cast<int>(taken);
  std::uint32_t wanted = count < data->cksize ? count : data->cksize;

  int result = 0;
  std::uint32_t done = 0;
  while (done < wanted) {
    if (info.pchNext == info.pchEndRead) {
      MMRESULT advanced = mmioAdvance(file, &info, MMIO_READ);
      if (advanced != MMSYSERR_NOERROR) {
        result = static_cast<int>(advanced);
        break;
      }
      if (info.pchNext == info.pchEndRead) {
        result = WAVE_ERROR_CORRUPT;
        break;
      }
    }
    std::uint32_t available = static_cast<std::uint32_t>(info.pchEndRead - info.pchNext);
    std::uint32_t step = wanted - done < available ? wanted - done : available;
    std::memcpy(dst + done, info.pchNext, step);
    info.pchNext += step;
    done += step;
  }
  data->cksize -= done;
  MMRESULT given = mmioSetInfo(file, &info, 0);
  if (result == 0 && given != MMSYSERR_NOERROR) result = static_cast<int>(given);
  *count_read = done;
  return result;
}

int WaveCloseRead(HMMIO* file, WAVEFORMATEX** format) {
  std::free(*format);
  *format = nullptr;
  if (*file) mmioClose(*file, 0);
  *file = nullptr;
  return 0;
}

int WaveCreate(const char* path, HMMIO* file, const WAVEFORMATEX* format, MMCKINFO* fmt, MMCKINFO* riff) {
  *file = nullptr;
  HMMIO created = mmioOpenA(path, nullptr, MMIO_ALLOCBUF | MMIO_READWRITE | MMIO_CREATE);
  if (!created) return WAVE_ERROR_CANNOT_WRITE;
  int result = WriteHeader(created, format, fmt, riff);
  if (result != 0) {
    mmioClose(created, 0);
    return result;
  }
  *file = created;
  return 0;
}

int WaveStartWrite(HMMIO* file, MMCKINFO* data, MMIOINFO* info) {
  if (!file || !*file) return static_cast<int>(MMSYSERR_INVALHANDLE);
  data->ckid = FOURCC_DATA;
  data->cksize = 0;
  MMRESULT result = mmioCreateChunk(*file, data, 0);
  if (result != MMSYSERR_NOERROR) return static_cast<int>(result);
  return static_cast<int>(mmioGetInfo(*file, info, 0));
}

int WaveWrite(HMMIO file, std::uint32_t count, const std::uint8_t* src, std::uint32_t* count_written,
              MMIOINFO* info) {
  *count_written = 0;
  if (count > 0 && !src) return static_cast<int>(MMSYSERR_INVALPARAM);
  while (*count_written < count) {
    if (info->pchNext == info->pchEndWrite) {
      info->dwFlags |= MMIO_DIRTY;
      MMRESULT advanced = mmioAdvance(file, info, MMIO_WRITE);
      if (advanced != MMSYSERR_NOERROR) return static_cast<int>(advanced);
    }
    std::uint32_t space = static_cast<std::uint32_t>(info->pchEndWrite - info->pchNext);
    std::uint32_t step = count - *count_written < space ? count - *count_written : space;
    std::memcpy(info->pchNext, src + *count_written, step);
    info->pchNext += step;
    *count_written += step;
  }
  return 0;
}

int WaveCloseWrite(HMMIO* file, MMCKINFO* data, MMCKINFO* riff, MMIOINFO* info, std::uint32_t samples) {
  if (!file || !*file) return 0;
  HMMIO open = *file;
  info->dwFlags |= MMIO_DIRTY;
  MMRESULT result = mmioSetInfo(open, info, 0);
  if (result == MMSYSERR_NOERROR) result = mmioAscend(open, data, 0);
  if (result == MMSYSERR_NOERROR) result = mmioAscend(open, riff, 0);
  int final = static_cast<int>(result);
  if (final == 0) final = PatchSampleCount(open, riff, samples);
  // Buffered bytes that never reach the disk are a failed write, not a saved file.
  MMRESULT closed = mmioClose(open, 0);
  *file = nullptr;
  if (final == 0 && closed != MMSYSERR_NOERROR) final = WAVE_ERROR_CANNOT_WRITE;
  return final;
}

int WaveCopyExtraChunks(HMMIO in, MMCKINFO* chunk, MMCKINFO* riff_in, HMMIO out) {
  const LONG behind_type = static_cast<LONG>(riff_in->dwDataOffset + 4);
  if (mmioSeek(in, behind_type, SEEK_SET) == -1) return WAVE_ERROR_CANNOT_READ;
  const long long riff_end = static_cast<long long>(riff_in->dwDataOffset) + riff_in->cksize;
  int result = 0;
  while (mmioDescend(in, chunk, nullptr, 0) == MMSYSERR_NOERROR) {
    if (static_cast<long long>(chunk->dwDataOffset) + chunk->cksize > riff_end) break;
    if ((chunk->ckid == FOURCC_DISP || chunk->ckid == FOURCC_PLST) && !CopyRiffChunk(in, out, chunk)) {
      result = WAVE_ERROR_CANNOT_WRITE;
      break;
    }
    if (mmioAscend(in, chunk, 0) != MMSYSERR_NOERROR) break;
  }
  if (mmioSeek(in, behind_type, SEEK_SET) == -1 && result == 0) result = WAVE_ERROR_CANNOT_READ;
  return result;
}

int CopyRiffChunk(HMMIO in, HMMIO out, MMCKINFO* chunk) {
  long long left = RemainingBytes(in);
  if (left < 0 || chunk->cksize > left) return 0;
  LONG size = static_cast<LONG>(chunk->cksize);
  void* block = std::calloc(size > 0 ? static_cast<size_t>(size) : 1, 1);
  if (!block) return 0;
  MMCKINFO copy = {};
  copy.ckid = chunk->ckid;
  copy.cksize = chunk->cksize;
  bool copied = mmioCreateChunk(out, &copy, 0) == MMSYSERR_NOERROR && ReadBytes(in, block, size) &&
                WriteBytes(out, block, size) && mmioAscend(out, &copy, 0) == MMSYSERR_NOERROR;
  std::free(block);
  return copied ? 1 : 0;
}

int WaveLoad(const char* path, std::uint32_t* size, WAVEFORMATEX** format, std::uint8_t** data) {
  *size = 0;
  *format = nullptr;
  *data = nullptr;
  HMMIO file = nullptr;
  MMCKINFO riff = {};
  MMCKINFO data_chunk = {};
  int result = WaveOpenRead(path, &file, format, &riff);
  if (result != 0) return result;
  result = WaveStartRead(&file, &data_chunk, &riff);
  if (result == 0) {
    long long left = RemainingBytes(file);
    if (left < 0) result = WAVE_ERROR_CANNOT_READ;
    else if (data_chunk.cksize > left) result = WAVE_ERROR_CORRUPT;
  }
  std::uint8_t* bytes = nullptr;
  if (result == 0) {
    bytes = static_cast<std::uint8_t*>(std::malloc(data_chunk.cksize > 0 ? data_chunk.cksize : 1));
    if (!bytes) result = WAVE_ERROR_MEMORY;
  }
  std::uint32_t got = 0;
  if (result == 0) result = WaveRead(file, data_chunk.cksize, bytes, &data_chunk, &got);
  if (result != 0) {
    std::free(bytes);
    WaveCloseRead(&file, format);
    return result;
  }
  mmioClose(file, 0);
  *size = got;
  *data = bytes;
  return 0;
}

int WaveSave(const char* path, std::uint32_t size, std::uint32_t samples, const WAVEFORMATEX* format,
             const std::uint8_t* data) {
  HMMIO file = nullptr;
  MMCKINFO fmt = {};
  MMCKINFO riff = {};
  MMCKINFO data_chunk = {};
  MMIOINFO info = {};
  int result = WaveCreate(path, &file, format, &fmt, &riff);
  if (result != 0) return result;
  result = WaveStartWrite(&file, &data_chunk, &info);
  std::uint32_t written = 0;
  if (result == 0) result = WaveWrite(file, size, data, &written, &info);
  if (result != 0) {
    mmioClose(file, 0);
    return result;
  }
  return WaveCloseWrite(&file, &data_chunk, &riff, &info, samples);
}
