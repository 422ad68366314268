// Any bytes handed to the ".x" reader are either read or rejected, never read past.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/xfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  XMeshData mesh;
  std::string error;
  ReadXFile(data, size, &mesh, &error);
  // Also through each header, so the fuzzer need not find the magic first.
  static const char* headers[] = {"xof 0302txt 0032", "xof 0302bin 0032", "xof 0303bin 0064", "xof 0302tzip0032",
                                  "xof 0302bzip0032"};
  for (const char* h : headers) {
    std::vector<std::uint8_t> file(h, h + 16);
    file.insert(file.end(), data, data + size);
    ReadXFile(file.data(), file.size(), &mesh, &error);
  }
  return 0;
}
