// The architecture this program was built for.
#pragma once

#include <string>

namespace tessaly {

// "x86", "x64" or "arm64".
inline std::string ProgramArchitecture() {
#if defined(__x86_64__)
    return "x64";
#elif defined(__aarch64__)
    return "arm64";
#else
    return "x86";
#endif
}

}  // namespace tessaly
