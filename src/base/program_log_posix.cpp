#include <cstdio>

#include "base/program_log.h"

namespace tessaly {

void WriteLog(std::string_view line) {
    // One call per line: lines of two threads never interleave.
    std::fprintf(stderr, "tessaly-host: %.*s\n", int(line.size()), line.data());
}

void SetLogFile(std::u16string) {}

}  // namespace tessaly
