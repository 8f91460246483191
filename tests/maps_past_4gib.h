// Whether this system's own calls view a file's bytes past 4 GiB where they are. Debian 12's
// qemu-i386 (7.2), which runs the 32-bit Linux build's tests, cuts mmap offsets to 32 bits, so
// there a view at 4.5 GiB shows the bytes at 0.5 GiB. Tests that view real files past 4 GiB skip
// those views under it; the in-memory file access covers the same offsets in every build. The
// system is asked directly, never through the program's file access, whose faults must still
// fail the tests.
#pragma once

#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#endif

namespace tessaly::test {

inline bool SystemMapsPast4GiB([[maybe_unused]] const std::filesystem::path& folder) {
#ifdef _WIN32
    return true;  // Windows, and Wine, take 64-bit view offsets
#else
    const auto path = folder / "maps-past-4gib";
    const int file = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (file < 0) {
        return false;
    }
    constexpr off_t kAt = off_t{1} << 32;
    constexpr std::size_t kLength = 4096;
    void* view = pwrite(file, "mark", 4, kAt) == 4
                     ? mmap(nullptr, kLength, PROT_READ, MAP_SHARED, file, kAt)
                     : MAP_FAILED;
    const bool maps = view != MAP_FAILED && std::memcmp(view, "mark", 4) == 0;
    if (view != MAP_FAILED) {
        munmap(view, kLength);
    }
    close(file);
    std::filesystem::remove(path);
    return maps;
#endif
}

}  // namespace tessaly::test
