// Counts the bytes of every heap allocation the benchmark program makes.
#pragma once

#include <cstddef>

namespace tessaly::bench {

// Bytes asked of operator new since the program started.
std::size_t AllocatedBytes();

}  // namespace tessaly::bench
