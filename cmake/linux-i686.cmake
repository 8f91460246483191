# Builds the portable core for 32-bit x86 Linux with the host's multilib compilers, so that the
# core's 64-bit offset arithmetic is tested where size_t, long and pointers are 32 bits wide, as
# in the shipped 32-bit Windows program. Libraries come from Debian's i386 packages.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)

# The i386 packages' libraries and pkg-config files, never the host's: the library architecture
# makes find_library look in /usr/lib/i386-linux-gnu instead of the host's folder.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)

# This kernel may not run 32-bit programs itself: the tests run in the user-mode emulator.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-i386-static)
