#include "wave/wave.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

typedef std::vector<unsigned char> Bytes;

void Append(Bytes& bytes, const char* text) { bytes.insert(bytes.end(), text, text + std::strlen(text)); }

void Append16(Bytes& bytes, unsigned value) {
  bytes.push_back(static_cast<unsigned char>(value));
  bytes.push_back(static_cast<unsigned char>(value >> 8));
}

void Append32(Bytes& bytes, DWORD value) {
  Append16(bytes, value & 0xFFFF);
  Append16(bytes, value >> 16);
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes bytes;
  for (const Bytes& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

// A chunk with its header and pad byte; declared overrides the size written in the header.
Bytes Chunk(const char* id, const Bytes& body, std::optional<DWORD> declared = std::nullopt) {
  Bytes bytes;
  Append(bytes, id);
  Append32(bytes, declared ? *declared : static_cast<DWORD>(body.size()));
  bytes.insert(bytes.end(), body.begin(), body.end());
  if (body.size() & 1) bytes.push_back(0);
  return bytes;
}

Bytes Riff(const char* id, const char* type, const Bytes& children) {
  Bytes body;
  Append(body, type);
  body.insert(body.end(), children.begin(), children.end());
  return Chunk(id, body);
}

Bytes Wave(const Bytes& children) { return Riff("RIFF", "WAVE", children); }

// The 16-byte PCM part of a format.
Bytes Format(unsigned tag, unsigned channels, DWORD rate, unsigned bits) {
  Bytes bytes;
  unsigned align = channels * bits / 8;
  Append16(bytes, tag);
  Append16(bytes, channels);
  Append32(bytes, rate);
  Append32(bytes, rate * align);
  Append16(bytes, align);
  Append16(bytes, bits);
  return bytes;
}

Bytes Cut(Bytes bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

// A RIFF header whose declared size runs past the end of the file.
Bytes OpenEndedWave() { return {'R', 'I', 'F', 'F', 0xF0, 0xFF, 0xFF, 0x7F, 'W', 'A', 'V', 'E'}; }

Bytes Pcm() { return Chunk("fmt ", Format(WAVE_FORMAT_PCM, 2, 44100, 16)); }

Bytes Samples(size_t count) {
  Bytes bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i * 31 + 7);
  return bytes;
}

class WaveTest : public TempDirTest {};

// Each file goes through open, start and one read of everything the data chunk declares; the
// first failing step's code is what the case expects, and a file that reads gives its data.
TEST_F(WaveTest, MalformedFilesGiveTheirCodes) {
  enum Step { OPEN, START, READ, NONE };
  struct Case {
    const char* label;
    std::optional<Bytes> file;
    Step fails_at;
    int code = 0;
    Bytes data = {};
  } cases[] = {
      {.label = "missing", .file = std::nullopt, .fails_at = OPEN, .code = WAVE_ERROR_CANNOT_OPEN},
      {.label = "empty", .file = Bytes{}, .fails_at = OPEN, .code = MMIOERR_CHUNKNOTFOUND},
      {.label = "short", .file = Bytes{'R', 'I', 'F'}, .fails_at = OPEN, .code = MMIOERR_CHUNKNOTFOUND},
      {.label = "no room for the form type",
       .file = Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0},
       .fails_at = OPEN,
       .code = MMIOERR_CHUNKNOTFOUND},
      {.label = "RIFF smaller than its form type",
       .file = Join({Bytes{'R', 'I', 'F', 'F', 2, 0, 0, 0, 'W', 'A', 'V', 'E'}, Pcm()}),
       .fails_at = OPEN,
       .code = WAVE_ERROR_NOT_WAVE},
      {.label = "RIFX", .file = Riff("RIFX", "WAVE", Pcm()), .fails_at = OPEN, .code = WAVE_ERROR_NOT_WAVE},
      {.label = "wrong form type", .file = Riff("RIFF", "AVI ", Pcm()), .fails_at = OPEN, .code = WAVE_ERROR_NOT_WAVE},
      {.label = "no fmt",
       .file = Wave(Chunk("data", Samples(8))),
       .fails_at = OPEN,
       .code = MMIOERR_CHUNKNOTFOUND},
      {.label = "fmt of 14 bytes",
       .file = Wave(Chunk("fmt ", Cut(Format(1, 2, 44100, 16), 14))),
       .fails_at = OPEN,
       .code = WAVE_ERROR_NOT_WAVE},
      {.label = "file ends inside fmt",
       .file = Join({Bytes{'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0},
                     Bytes(10, 1)}),
       .fails_at = OPEN,
       .code = WAVE_ERROR_CANNOT_READ},
      {.label = "extra size past the fmt chunk",
       .file = Wave(Join({Chunk("fmt ", Join({Format(2, 1, 22050, 4), Bytes{2, 0}})), Chunk("data", Samples(8))})),
       .fails_at = OPEN,
       .code = WAVE_ERROR_NOT_WAVE},
      {.label = "extra size past the file",
       .file = Join({Bytes{'R', 'I', 'F', 'F', 0xFF, 0xFF, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 0xFF, 0xF0,
                           0, 0},
                     Format(2, 1, 22050, 4), Bytes{0x00, 0x10, 1, 2, 3}}),
       .fails_at = OPEN,
       .code = WAVE_ERROR_NOT_WAVE},
      {.label = "no data", .file = Wave(Pcm()), .fails_at = START, .code = MMIOERR_CHUNKNOTFOUND},
      {.label = "data outside the RIFF chunk",
       .file = Join({Wave(Pcm()), Chunk("data", Samples(8))}),
       .fails_at = START,
       .code = MMIOERR_CHUNKNOTFOUND},
      {.label = "data cut short",
       .file = Join({OpenEndedWave(), Pcm(), Bytes{'d', 'a', 't', 'a', 100, 0, 0, 0}, Samples(40)}),
       .fails_at = READ,
       .code = WAVE_ERROR_CORRUPT,
       .data = Samples(40)},
      {.label = "data before fmt",
       .file = Wave(Join({Chunk("data", Samples(12)), Pcm()})),
       .fails_at = NONE,
       .data = Samples(12)},
      {.label = "odd chunk with pad byte before fmt",
       .file = Wave(Join({Chunk("junk", Samples(3)), Pcm(), Chunk("LIST", Bytes{'I', 'N', 'F', 'O'}),
                          Chunk("data", Samples(5))})),
       .fails_at = NONE,
       .data = Samples(5)},
      {.label = "PCM fmt of 18 bytes",
       .file = Wave(Join({Chunk("fmt ", Join({Format(1, 1, 8000, 8), Bytes{0, 0}})), Chunk("data", Samples(4))})),
       .fails_at = NONE,
       .data = Samples(4)},
      {.label = "other format with a 16-byte fmt",
       .file = Wave(Join({Chunk("fmt ", Format(3, 1, 8000, 32)), Chunk("data", Samples(8))})),
       .fails_at = NONE,
       .data = Samples(8)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::string path = c.file ? Put("case.wav", *c.file) : Path("missing.wav");
    HMMIO file = nullptr;
    WAVEFORMATEX* format = nullptr;
    MMCKINFO riff = {};
    MMCKINFO data = {};
    int result = WaveOpenRead(path.c_str(), &file, &format, &riff);
    EXPECT_EQ(result, c.fails_at == OPEN ? c.code : 0);
    if (result != 0) {
      EXPECT_EQ(file, nullptr);
      EXPECT_EQ(format, nullptr);
      continue;
    }
    result = WaveStartRead(&file, &data, &riff);
    EXPECT_EQ(result, c.fails_at == START ? c.code : 0);
    if (result == 0) {
      DWORD declared = data.cksize;
      Bytes got(declared + 1, 0xAA);
      std::uint32_t count = 12345;
      result = WaveRead(file, declared, got.data(), &data, &count);
      EXPECT_EQ(result, c.fails_at == READ ? c.code : 0);
      EXPECT_EQ(count, c.data.size());
      got.resize(count);
      EXPECT_EQ(got, c.data);
      EXPECT_EQ(data.cksize, declared - count);
    }
    EXPECT_EQ(WaveCloseRead(&file, &format), 0);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(format, nullptr);
  }
}

TEST_F(WaveTest, FormatRecordsHoldTheirExtraBytes) {
  std::string pcm = Put("pcm.wav", Wave(Join({Chunk("fmt ", Format(1, 2, 22050, 16)), Chunk("data", {})})));
  std::string adpcm = Put("adpcm.wav", Wave(Join({Chunk("fmt ", Join({Format(2, 1, 22050, 4), Bytes{2, 0, 0xF4, 0x07}})),
                                                   Chunk("data", {})})));
  HMMIO file;
  WAVEFORMATEX* format;
  MMCKINFO riff;
  ASSERT_EQ(WaveOpenRead(pcm.c_str(), &file, &format, &riff), 0);
  EXPECT_EQ(format->wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(format->nChannels, 2);
  EXPECT_EQ(format->nSamplesPerSec, 22050u);
  EXPECT_EQ(format->nAvgBytesPerSec, 88200u);
  EXPECT_EQ(format->nBlockAlign, 4);
  EXPECT_EQ(format->wBitsPerSample, 16);
  EXPECT_EQ(format->cbSize, 0);
  WaveCloseRead(&file, &format);

  ASSERT_EQ(WaveOpenRead(adpcm.c_str(), &file, &format, &riff), 0);
  EXPECT_EQ(format->wFormatTag, 2);
  EXPECT_EQ(format->cbSize, 2);
  const unsigned char* extra = reinterpret_cast<const unsigned char*>(format) + sizeof(WAVEFORMATEX);
  EXPECT_EQ(extra[0], 0xF4);
  EXPECT_EQ(extra[1], 0x07);
  EXPECT_EQ(mmioSeek(file, 0, SEEK_CUR), 12 + 8 + 20) << "stands behind the fmt chunk";
  WaveCloseRead(&file, &format);
}

TEST_F(WaveTest, ReadsStopAtTheEndOfTheData) {
  Bytes samples = Samples(20000);  // more than one I/O buffer
  std::string path = Put("long.wav", Wave(Join({Pcm(), Chunk("data", samples), Chunk("tail", Bytes(64, 9))})));
  HMMIO file;
  WAVEFORMATEX* format;
  MMCKINFO riff;
  MMCKINFO data;
  ASSERT_EQ(WaveOpenRead(path.c_str(), &file, &format, &riff), 0);
  ASSERT_EQ(WaveStartRead(&file, &data, &riff), 0);
  Bytes got(30000);
  std::uint32_t count = 0;
  ASSERT_EQ(WaveRead(file, 7, got.data(), &data, &count), 0);
  EXPECT_EQ(count, 7u);
  EXPECT_EQ(data.cksize, 20000u - 7u);
  ASSERT_EQ(WaveRead(file, 30000, got.data() + 7, &data, &count), 0);
  EXPECT_EQ(count, 20000u - 7u);
  EXPECT_EQ(data.cksize, 0u);
  got.resize(20000);
  EXPECT_EQ(got, samples);
  EXPECT_EQ(WaveRead(file, 10, got.data(), &data, &count), 0);
  EXPECT_EQ(count, 0u);
  WaveCloseRead(&file, &format);
}

TEST_F(WaveTest, FailedBufferAccessGivesThePlatformCode) {
  MMCKINFO data = {};
  data.cksize = 10;
  unsigned char got[10];
  std::uint32_t count = 99;
  EXPECT_EQ(WaveRead(nullptr, 10, got, &data, &count), static_cast<int>(MMSYSERR_INVALHANDLE));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(data.cksize, 10u);
  HMMIO none = nullptr;
  EXPECT_EQ(WaveStartRead(&none, &data, &data), static_cast<int>(MMSYSERR_INVALHANDLE));
}

TEST_F(WaveTest, SaveAndLoadRoundTrip) {
  struct Case {
    const char* label;
    WORD channels;
    WORD bits;
    DWORD frames;
  } cases[] = {
      {.label = "8-bit mono, odd length", .channels = 1, .bits = 8, .frames = 1001},
      {.label = "8-bit stereo", .channels = 2, .bits = 8, .frames = 5000},
      {.label = "16-bit mono", .channels = 1, .bits = 16, .frames = 777},
      {.label = "16-bit stereo, several buffers", .channels = 2, .bits = 16, .frames = 6000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WAVEFORMATEX format = PcmWaveFormat(c.channels, 22050, c.bits);
    Bytes samples = Samples(c.frames * format.nBlockAlign);
    std::string path = Path("round.wav");
    ASSERT_EQ(WaveSave(path.c_str(), static_cast<std::uint32_t>(samples.size()), c.frames, &format, samples.data()), 0);

    Bytes file = Get(path);
    size_t pad = samples.size() & 1;
    ASSERT_EQ(file.size(), 12 + 24 + 12 + 8 + samples.size() + pad);
    Bytes header = Join({Chunk("fmt ", Format(1, c.channels, 22050, c.bits)), Bytes{'f', 'a', 'c', 't', 4, 0, 0, 0}});
    Append32(header, c.frames);
    Append(header, "data");
    Append32(header, static_cast<DWORD>(samples.size()));
    EXPECT_EQ(Bytes(file.begin() + 12, file.begin() + 12 + header.size()), header);
    Bytes riff{'R', 'I', 'F', 'F'};
    Append32(riff, static_cast<DWORD>(file.size() - 8));
    Append(riff, "WAVE");
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 12), riff);

    std::uint32_t size = 0;
    WAVEFORMATEX* loaded = nullptr;
    std::uint8_t* data = nullptr;
    ASSERT_EQ(WaveLoad(path.c_str(), &size, &loaded, &data), 0);
    EXPECT_EQ(std::memcmp(loaded, &format, sizeof(WAVEFORMATEX)), 0);
    ASSERT_EQ(size, samples.size());
    EXPECT_EQ(Bytes(data, data + size), samples);
    std::free(loaded);
    std::free(data);
  }
}

TEST_F(WaveTest, OtherFormatsKeepTheirExtraBytesThroughSaveAndLoad) {
  unsigned char record[sizeof(WAVEFORMATEX) + 4];
  WAVEFORMATEX format = PcmWaveFormat(1, 8000, 4);
  format.wFormatTag = 2;
  format.cbSize = 4;
  std::memcpy(record, &format, sizeof(format));
  const unsigned char extra[4] = {0xF4, 0x07, 0x07, 0x00};
  std::memcpy(record + sizeof(format), extra, 4);
  Bytes samples = Samples(256);
  std::string path = Path("adpcm.wav");
  ASSERT_EQ(WaveSave(path.c_str(), 256, 500, reinterpret_cast<WAVEFORMATEX*>(record), samples.data()), 0);

  std::uint32_t size = 0;
  WAVEFORMATEX* loaded = nullptr;
  std::uint8_t* data = nullptr;
  ASSERT_EQ(WaveLoad(path.c_str(), &size, &loaded, &data), 0);
  EXPECT_EQ(std::memcmp(loaded, record, sizeof(record)), 0);
  EXPECT_EQ(Bytes(data, data + size), samples);
  std::free(loaded);
  std::free(data);
}

TEST_F(WaveTest, LoadRefusesDataLargerThanTheFile) {
  // A header claiming 4 GB must not get 4 GB allocated.
  std::string path = Put("huge.wav", Join({OpenEndedWave(), Pcm(), Bytes{'d', 'a', 't', 'a', 0xF0, 0xFF, 0xFF, 0xFF}, Samples(16)}));
  std::uint32_t size = 7;
  WAVEFORMATEX* format = nullptr;
  std::uint8_t* data = nullptr;
  EXPECT_EQ(WaveLoad(path.c_str(), &size, &format, &data), WAVE_ERROR_CORRUPT);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(format, nullptr);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(WaveLoad(Path("missing.wav").c_str(), &size, &format, &data), WAVE_ERROR_CANNOT_OPEN);
}

TEST_F(WaveTest, WritingWhereNoFileCanBeMadeFails) {
  WAVEFORMATEX format = PcmWaveFormat(1, 8000, 8);
  std::string path = Path("no/such/folder.wav");
  unsigned char sample = 0x80;
  EXPECT_EQ(WaveSave(path.c_str(), 1, 1, &format, &sample), WAVE_ERROR_CANNOT_WRITE);
  HMMIO file = reinterpret_cast<HMMIO>(&format);
  MMCKINFO fmt, riff;
  EXPECT_EQ(WaveCreate(path.c_str(), &file, &format, &fmt, &riff), WAVE_ERROR_CANNOT_WRITE);
  EXPECT_EQ(file, nullptr);
  MMIOINFO info = {};
  EXPECT_EQ(WaveCloseWrite(&file, &fmt, &riff, &info, 0), 0) << "nothing open: nothing to do";
}

TEST_F(WaveTest, ExtraChunksAreCopiedInOrder) {
  Bytes disp = Chunk("DISP", Samples(5));
  Bytes plst = Chunk("plst", Samples(8));
  std::string in_path = Put("in.wav", Join({Wave(Join({Pcm(), disp, Chunk("junk", Samples(3)), plst,
                                                       Chunk("data", Samples(4))})),
                                            Chunk("DISP", Samples(2))}));
  HMMIO in;
  WAVEFORMATEX* format;
  MMCKINFO riff;
  ASSERT_EQ(WaveOpenRead(in_path.c_str(), &in, &format, &riff), 0);
  HMMIO out = mmioOpenA(Path("out").c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE | MMIO_ALLOCBUF);
  ASSERT_NE(out, nullptr);
  MMCKINFO chunk = {};
  EXPECT_EQ(WaveCopyExtraChunks(in, &chunk, &riff, out), 0);
  EXPECT_EQ(mmioSeek(in, 0, SEEK_CUR), 12);
  EXPECT_EQ(mmioClose(out, 0), MMSYSERR_NOERROR);
  WaveCloseRead(&in, &format);
  EXPECT_EQ(Get(Path("out")), Join({disp, plst})) << "the DISP behind the RIFF chunk stays out";
}

}  // namespace
