# Third-party libraries, all from Debian's packages.

# tessaly_header_library(TARGET FOLDER HEADER): a header-only library in /usr/include/FOLDER. The
# cross compiler must never see the whole of /usr/include, so it gets a folder that holds nothing
# but a link to the library's own include folder. HEADER proves the package is installed.
function(tessaly_header_library target folder header)
    set(include ${CMAKE_BINARY_DIR}/deps/${folder}-include)
    file(MAKE_DIRECTORY ${include})
    file(CREATE_LINK /usr/include/${folder} ${include}/${folder} SYMBOLIC)
    if(NOT EXISTS /usr/include/${folder}/${header})
        message(FATAL_ERROR "${folder}/${header} not found: run tools/setup.sh")
    endif()
    add_library(${target} INTERFACE)
    target_include_directories(${target} SYSTEM INTERFACE ${include})
endfunction()

tessaly_header_library(tessaly_json nlohmann json.hpp)
# stb: image decoding, scaling and PNG writing.
tessaly_header_library(tessaly_stb stb stb_image_resize.h)

if(TESSALY_BUILD_TESTS)
    if(CMAKE_CROSSCOMPILING)
        # Debian ships GoogleTest's sources; build them with the cross compiler. They define the
        # same GTest:: targets that find_package gives natively.
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
        # Someone else's code, without warnings: for 32-bit targets GCC 12 warns of an overlap
        # in its string copies that cannot happen.
        foreach(target gtest gtest_main gmock gmock_main)
            target_compile_options(${target} PRIVATE -w)
        endforeach()
    else()
        find_package(GTest REQUIRED)
    endif()
endif()

# zlib and brotli's decoder: the content server hands pre-compressed builds to the browser
# decoded. Natively they are Debian's libraries; for Windows, zlib is Debian's mingw-w64 build
# (linked statically, as the program imports only system DLLs), and brotli's decoder is built
# from brotli's upstream tarball in Debian's pool, which tools/fetch-brotli-source.sh unpacks
# into TESSALY_BROTLI_SOURCE.
add_library(tessaly_decompress INTERFACE)
if(CMAKE_CROSSCOMPILING AND WIN32)
    find_library(TESSALY_ZLIB_STATIC NAMES libz.a REQUIRED)
    set(TESSALY_BROTLI_SOURCE /usr/local/src/tessaly/brotli-1.0.9 CACHE PATH
        "brotli's source, as tools/fetch-brotli-source.sh unpacks it")
    if(NOT EXISTS ${TESSALY_BROTLI_SOURCE}/c/dec/decode.c)
        message(FATAL_ERROR "brotli's source not found in ${TESSALY_BROTLI_SOURCE}: run tools/setup.sh")
    endif()
    # A tree unpacked before tools/brotli-block-switch.patch, or any upstream release up to 1.2.0,
    # lacks the check of Debian's security update and would build without complaint.
    file(STRINGS ${TESSALY_BROTLI_SOURCE}/c/dec/decode.c brotli_block_switch_check
        REGEX "BROTLI_FAILURE\\(BROTLI_DECODER_ERROR_FORMAT_BLOCK_SWITCH\\)")
    if(NOT brotli_block_switch_check)
        message(FATAL_ERROR "brotli's decoder in ${TESSALY_BROTLI_SOURCE} lacks the block-switch "
            "check of Debian's security update: run tools/setup.sh")
    endif()
    file(GLOB brotli_sources ${TESSALY_BROTLI_SOURCE}/c/common/*.c ${TESSALY_BROTLI_SOURCE}/c/dec/*.c)
    add_library(tessaly_brotlidec STATIC ${brotli_sources})
    target_include_directories(tessaly_brotlidec SYSTEM PUBLIC ${TESSALY_BROTLI_SOURCE}/c/include)
    # Someone else's code: built as its authors build it, without this project's warnings.
    target_compile_options(tessaly_brotlidec PRIVATE -w)
    target_link_libraries(tessaly_decompress INTERFACE ${TESSALY_ZLIB_STATIC} tessaly_brotlidec)
else()
    find_package(ZLIB REQUIRED)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(BROTLIDEC REQUIRED IMPORTED_TARGET libbrotlidec)
    target_link_libraries(tessaly_decompress INTERFACE ZLIB::ZLIB PkgConfig::BROTLIDEC)
endif()
