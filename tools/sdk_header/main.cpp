// Writes the plugin SDK's declarations from the core's tables:
//   sdk_header_writer <output file>
#include <cstdio>

#include "core/host/sdk_header.h"
#include "core/platform/file_io.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
    return 2;
  }
  if (!kp::WriteFileAtomically(argv[1], kp::GenerateSdkApiHeader())) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
