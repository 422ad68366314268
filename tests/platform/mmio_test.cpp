#include "platform/mmio.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/fifo_guard.h"
#include "support/temp_dir.h"

namespace {

typedef std::vector<unsigned char> Bytes;

class MmioTest : public TempDirTest {};

void Append(Bytes& bytes, const char* text) { bytes.insert(bytes.end(), text, text + std::strlen(text)); }

void Append32(Bytes& bytes, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A chunk with its header and, for an odd size, its pad byte.
Bytes Chunk(const char* id, const Bytes& body) {
  Bytes bytes;
  Append(bytes, id);
  Append32(bytes, static_cast<DWORD>(body.size()));
  bytes.insert(bytes.end(), body.begin(), body.end());
  if (body.size() & 1) bytes.push_back(0);
  return bytes;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes bytes;
  for (const Bytes& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

Bytes Typed(const char* type, const Bytes& body) {
  Bytes bytes;
  Append(bytes, type);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

TEST_F(MmioTest, OpenFailuresGiveTheirCodes) {
  Put("plain", {1, 2, 3});
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0644), 0);
  struct Case {
    const char* label;
    std::string path;
    MMRESULT code;
  } cases[] = {
      {.label = "missing file", .path = Path("missing"), .code = MMIOERR_FILENOTFOUND},
      {.label = "file as folder", .path = Path("plain") + "/x", .code = MMIOERR_PATHNOTFOUND},
      {.label = "a folder", .path = dir.string(), .code = MMIOERR_CANNOTOPEN},
      {.label = "a FIFO", .path = Path("fifo"), .code = MMIOERR_CANNOTOPEN},
      {.label = "a device", .path = "/dev/zero", .code = MMIOERR_CANNOTOPEN},
  };
  for (const Case& c : cases) {
    for (DWORD flags : {DWORD(MMIO_READ), DWORD(MMIO_READWRITE)}) {
      MMIOINFO info = {};
      HMMIO file = nullptr;
      EXPECT_FALSE(HungOnFifo(Path("fifo"), [&] { file = mmioOpenA(c.path.c_str(), &info, flags | MMIO_ALLOCBUF); }))
          << c.label;
      EXPECT_EQ(file, nullptr) << c.label;
      EXPECT_EQ(info.wErrorRet, c.code) << c.label;
    }
  }
}

TEST_F(MmioTest, PathsAreFoundAsWindowsFindsThem) {
  std::filesystem::create_directory(dir / "Res");
  Put("Res/A.wav", {7});
  // Backslashes separate folders, and the letter case of a name does not matter.
  for (const char* name : {"\\Res\\A.wav", "\\res\\a.WAV"}) {
    std::string windows = dir.string() + name;
    HMMIO file = mmioOpenA(windows.c_str(), nullptr, MMIO_READ);
    ASSERT_NE(file, nullptr) << name;
    char byte = 0;
    EXPECT_EQ(mmioRead(file, &byte, 1), 1);
    EXPECT_EQ(byte, 7);
    EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
  }
}

TEST_F(MmioTest, ReadsAndSeeksAcrossASmallBuffer) {
  Bytes bytes(1000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
  Put("data", bytes);
  MMIOINFO info = {};
  info.cchBuffer = 16;
  HMMIO file = mmioOpenA(Path("data").c_str(), &info, MMIO_READ | MMIO_ALLOCBUF);
  ASSERT_NE(file, nullptr);

  char got[300];
  EXPECT_EQ(mmioRead(file, got, 300), 300);
  EXPECT_EQ(std::memcmp(got, bytes.data(), 300), 0);
  EXPECT_EQ(mmioSeek(file, 0, SEEK_CUR), 300);
  EXPECT_EQ(mmioSeek(file, -10, SEEK_END), 990);
  EXPECT_EQ(mmioRead(file, got, 300), 10);
  EXPECT_EQ(std::memcmp(got, bytes.data() + 990, 10), 0);
  EXPECT_EQ(mmioRead(file, got, 300), 0);
  EXPECT_EQ(mmioSeek(file, 5000, SEEK_SET), 5000);
  EXPECT_EQ(mmioRead(file, got, 1), 0);
  EXPECT_EQ(mmioSeek(file, -1, SEEK_SET), -1);
  EXPECT_EQ(mmioSeek(file, 17, SEEK_SET), 17);
  EXPECT_EQ(mmioRead(file, got, 1), 1);
  EXPECT_EQ(static_cast<unsigned char>(got[0]), bytes[17]);
  EXPECT_EQ(mmioWrite(file, got, 1), -1) << "opened for reading only";
  EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
}

TEST_F(MmioTest, CreatedChunksGetTheirSizesAndPadBytes) {
  HMMIO file = mmioOpenA(Path("out").c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE | MMIO_ALLOCBUF);
  ASSERT_NE(file, nullptr);
  MMCKINFO riff = {};
  riff.fccType = mmioFOURCC('T', 'E', 'S', 'T');
  ASSERT_EQ(mmioCreateChunk(file, &riff, MMIO_CREATERIFF), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.ckid, FOURCC_RIFF);
  EXPECT_EQ(riff.dwDataOffset, 8u);
  MMCKINFO odd = {};
  odd.ckid = mmioFOURCC('o', 'd', 'd', ' ');
  ASSERT_EQ(mmioCreateChunk(file, &odd, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(mmioWrite(file, "abc", 3), 3);
  ASSERT_EQ(mmioAscend(file, &odd, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(odd.cksize, 3u);
  MMCKINFO even = {};
  even.ckid = mmioFOURCC('e', 'v', 'e', 'n');
  even.cksize = 2;  // declared right: no patch needed
  ASSERT_EQ(mmioCreateChunk(file, &even, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(mmioWrite(file, "xy", 2), 2);
  ASSERT_EQ(mmioAscend(file, &even, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(mmioAscend(file, &riff, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.cksize, 4u + 12u + 10u);
  EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);

  Bytes expected = Chunk("RIFF", Typed("TEST", Join({Chunk("odd ", {'a', 'b', 'c'}), Chunk("even", {'x', 'y'})})));
  EXPECT_EQ(Get(Path("out")), expected);
}

TEST_F(MmioTest, DescendFindsChunksWithinTheirParent) {
  Bytes inner = Typed("WAVE", Join({Chunk("aaaa", {1}), Chunk("LIST", Typed("info", Chunk("dddd", {4, 4}))),
                                    Chunk("bbbb", {2, 2, 2, 2})}));
  Put("nested", Join({Chunk("RIFF", inner), Chunk("eeee", {5})}));
  HMMIO file = mmioOpenA(Path("nested").c_str(), nullptr, MMIO_READ | MMIO_ALLOCBUF);
  ASSERT_NE(file, nullptr);

  MMCKINFO riff = {};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.cksize, inner.size());
  EXPECT_EQ(riff.dwDataOffset, 8u);
  EXPECT_EQ(mmioSeek(file, 0, SEEK_CUR), 12) << "stands behind the form type";

  MMCKINFO chunk = {};
  chunk.ckid = mmioFOURCC('b', 'b', 'b', 'b');
  ASSERT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(chunk.cksize, 4u);
  EXPECT_EQ(chunk.dwDataOffset, 12u + 10u + 22u + 8u);
  ASSERT_EQ(mmioAscend(file, &chunk, 0), MMSYSERR_NOERROR);

  // "eeee" follows the RIFF chunk: outside the parent it is not found, without one it is.
  chunk.ckid = mmioFOURCC('e', 'e', 'e', 'e');
  EXPECT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
  ASSERT_EQ(mmioSeek(file, 12, SEEK_SET), 12);
  ASSERT_EQ(mmioDescend(file, &chunk, nullptr, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(chunk.cksize, 1u);

  ASSERT_EQ(mmioSeek(file, 12, SEEK_SET), 12);
  MMCKINFO list = {};
  list.fccType = mmioFOURCC('i', 'n', 'f', 'o');
  ASSERT_EQ(mmioDescend(file, &list, &riff, MMIO_FINDLIST), MMSYSERR_NOERROR);
  MMCKINFO child = {};
  ASSERT_EQ(mmioDescend(file, &child, &list, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(child.ckid, mmioFOURCC('d', 'd', 'd', 'd'));
  EXPECT_EQ(mmioAscend(file, &child, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(mmioDescend(file, &child, &list, 0), MMIOERR_CHUNKNOTFOUND) << "the list holds one child";
  EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
}

TEST_F(MmioTest, OffsetsPastTheLargestLongAreNeverReached) {
  // The chunk behind "junk" would start 4 GB on, past any LONG offset: the search ends there rather
  // than wrapping round to the "data" header inside junk's own body.
  Bytes bytes = {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E'};
  Append(bytes, "junk");
  Append32(bytes, 0xFFFFFFFFu);
  Put("huge", Join({bytes, Chunk("data", {1, 2})}));
  HMMIO file = mmioOpenA(Path("huge").c_str(), nullptr, MMIO_READ);
  ASSERT_NE(file, nullptr);
  MMCKINFO riff = {};
  ASSERT_EQ(mmioDescend(file, &riff, nullptr, 0), MMSYSERR_NOERROR);
  MMCKINFO data = {};
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  EXPECT_EQ(mmioDescend(file, &data, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
  EXPECT_EQ(mmioSeek(file, 0x7FFFFFFF, SEEK_SET), 0x7FFFFFFF);
  EXPECT_EQ(mmioSeek(file, 1, SEEK_CUR), -1);
  EXPECT_EQ(mmioSeek(file, 0, SEEK_CUR), 0x7FFFFFFF);
  mmioClose(file, 0);
}

TEST_F(MmioTest, DescendIntoTruncatedHeadersFails) {
  struct Case {
    const char* label;
    Bytes bytes;
  } cases[] = {
      {.label = "empty", .bytes = {}},
      {.label = "half a header", .bytes = {'R', 'I', 'F', 'F', 4}},
      {.label = "RIFF without its form type", .bytes = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A'}},
  };
  for (const Case& c : cases) {
    Put("cut", c.bytes);
    HMMIO file = mmioOpenA(Path("cut").c_str(), nullptr, MMIO_READ);
    ASSERT_NE(file, nullptr) << c.label;
    MMCKINFO chunk = {};
    EXPECT_EQ(mmioDescend(file, &chunk, nullptr, 0), MMIOERR_CHUNKNOTFOUND) << c.label;
    mmioClose(file, 0);
  }
}

TEST_F(MmioTest, ReadWriteFilesChangeInPlace) {
  Put("rw", Bytes(40, 'a'));
  MMIOINFO info = {};
  info.cchBuffer = 8;
  HMMIO file = mmioOpenA(Path("rw").c_str(), &info, MMIO_READWRITE | MMIO_ALLOCBUF);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(mmioSeek(file, 6, SEEK_SET), 6);
  EXPECT_EQ(mmioWrite(file, "0123456789", 10), 10);
  ASSERT_EQ(mmioSeek(file, 38, SEEK_SET), 38);
  EXPECT_EQ(mmioWrite(file, "XYZ", 3), 3);
  EXPECT_EQ(mmioSeek(file, 0, SEEK_END), 41);
  ASSERT_EQ(mmioSeek(file, 4, SEEK_SET), 4);
  char got[4];
  EXPECT_EQ(mmioRead(file, got, 4), 4);
  EXPECT_EQ(std::string(got, 4), "aa01");
  EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);

  std::string text(40 + 1, 'a');
  text.replace(6, 10, "0123456789");
  text.replace(38, 3, "XYZ");
  Bytes bytes = Get(Path("rw"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), text);
}

TEST_F(MmioTest, DirectBufferAccessReadsAndWrites) {
  MMIOINFO open = {};
  open.cchBuffer = 16;
  HMMIO file = mmioOpenA(Path("direct").c_str(), &open, MMIO_CREATE | MMIO_READWRITE | MMIO_ALLOCBUF);
  ASSERT_NE(file, nullptr);
  MMIOINFO info;
  ASSERT_EQ(mmioGetInfo(file, &info, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(info.cchBuffer, 16);
  for (int i = 0; i < 50; ++i) {
    if (info.pchNext == info.pchEndWrite) {
      info.dwFlags |= MMIO_DIRTY;
      ASSERT_EQ(mmioAdvance(file, &info, MMIO_WRITE), MMSYSERR_NOERROR);
    }
    *info.pchNext++ = static_cast<char>('A' + i % 26);
  }
  info.dwFlags |= MMIO_DIRTY;
  ASSERT_EQ(mmioSetInfo(file, &info, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(mmioSeek(file, 0, SEEK_CUR), 50);

  ASSERT_EQ(mmioSeek(file, 0, SEEK_SET), 0);
  ASSERT_EQ(mmioGetInfo(file, &info, 0), MMSYSERR_NOERROR);
  std::string read;
  for (;;) {
    if (info.pchNext == info.pchEndRead) {
      ASSERT_EQ(mmioAdvance(file, &info, MMIO_READ), MMSYSERR_NOERROR);
      if (info.pchNext == info.pchEndRead) break;
    }
    read += *info.pchNext++;
  }
  ASSERT_EQ(mmioSetInfo(file, &info, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(read.size(), 50u);
  EXPECT_EQ(read.substr(24, 4), "YZAB");

  MMIOINFO foreign = info;
  foreign.pchBuffer = nullptr;
  EXPECT_EQ(mmioSetInfo(file, &foreign, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(Get(Path("direct")).size(), 50u);

  EXPECT_EQ(mmioGetInfo(nullptr, &info, 0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(mmioAdvance(nullptr, &info, MMIO_READ), MMSYSERR_INVALHANDLE);
}

TEST_F(MmioTest, ReadOnlyFilesRefuseChunksAndBufferWrites) {
  Put("ro", {1, 2, 3, 4});
  HMMIO file = mmioOpenA(Path("ro").c_str(), nullptr, MMIO_READ | MMIO_ALLOCBUF);
  ASSERT_NE(file, nullptr);
  MMCKINFO chunk = {};
  EXPECT_EQ(mmioCreateChunk(file, &chunk, 0), MMIOERR_CANNOTWRITE);
  MMIOINFO info;
  ASSERT_EQ(mmioGetInfo(file, &info, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(mmioAdvance(file, &info, MMIO_WRITE), MMIOERR_CANNOTWRITE);
  EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(Get(Path("ro")), (Bytes{1, 2, 3, 4}));
}

}  // namespace
