// RIFF WAVE sound files: a reader (open and parse the format, find the sound data, read it), a
// writer, a copier of the "DISP" and "plst" side chunks, and whole-file load and save. Every
// operation returns 0, a code of the platform's file functions as it came, or one of the codes
// below. Format records and loaded data are plain malloc blocks: release them with free().
#pragma once

#include <cstdint>

#include "platform/mmio.h"

constexpr int WAVE_ERROR_MEMORY = 0xE000;       // a memory block could not be allocated
constexpr int WAVE_ERROR_CANNOT_OPEN = 0xE100;  // the file could not be opened for reading
constexpr int WAVE_ERROR_NOT_WAVE = 0xE101;     // not RIFF/WAVE, or a "fmt " chunk that does not hold its format
constexpr int WAVE_ERROR_CANNOT_READ = 0xE102;  // the format could not be read; a seek failed
constexpr int WAVE_ERROR_CORRUPT = 0xE103;      // the file ends inside the data chunk
constexpr int WAVE_ERROR_CANNOT_WRITE = 0xE104; // a file could not be created or written

// Reader. On success the file stands behind the format, which is allocated as 18 bytes plus its
// extra size; on failure both outs are null.
int WaveOpenRead(const char* path, HMMIO* file, WAVEFORMATEX** format, MMCKINFO* riff);
// Finds "data" among the RIFF chunk's children and stands at its start; data->cksize is its length.
int WaveStartRead(HMMIO* file, MMCKINFO* data, MMCKINFO* riff);
// Reads up to count bytes of the data (no more than data->cksize, which counts down by what was
// delivered); *count_read is what really arrived in dst, also on failure.
int WaveRead(HMMIO file, std::uint32_t count, std::uint8_t* dst, MMCKINFO* data, std::uint32_t* count_read);
// Frees the format and closes the file, whichever is set, and nulls both.
int WaveCloseRead(HMMIO* file, WAVEFORMATEX** format);

// Writer: create (RIFF, "fmt ", a placeholder "fact"), start the "data" chunk, write through the
// I/O buffer, close (patching the sizes and the sample count). A failing create leaves the file
// closed and *file null; after a failing start or write the caller closes it.
int WaveCreate(const char* path, HMMIO* file, const WAVEFORMATEX* format, MMCKINFO* fmt, MMCKINFO* riff);
int WaveStartWrite(HMMIO* file, MMCKINFO* data, MMIOINFO* info);
int WaveWrite(HMMIO file, std::uint32_t count, const std::uint8_t* src, std::uint32_t* count_written,
              MMIOINFO* info);
int WaveCloseWrite(HMMIO* file, MMCKINFO* data, MMCKINFO* riff, MMIOINFO* info, std::uint32_t samples);

// Copies every "DISP" and "plst" chunk of the input's RIFF chunk into the output (at its current
// position), then leaves the input behind its form type. chunk is working space.
int WaveCopyExtraChunks(HMMIO in, MMCKINFO* chunk, MMCKINFO* riff_in, HMMIO out);
// Copies one chunk the input stands at the start of; 1 on success, 0 otherwise.
int CopyRiffChunk(HMMIO in, HMMIO out, MMCKINFO* chunk);

// Whole files. WaveLoad hands out the format and the data (the caller frees both) and the data's size.
int WaveLoad(const char* path, std::uint32_t* size, WAVEFORMATEX** format, std::uint8_t** data);
int WaveSave(const char* path, std::uint32_t size, std::uint32_t samples, const WAVEFORMATEX* format,
             const std::uint8_t* data);
