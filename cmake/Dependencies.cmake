# Third-party libraries, all from Debian's packages.

# nlohmann JSON is header-only. The cross compiler must never see the whole of /usr/include,
# so it gets a folder that holds nothing but a link to the library's own include folder.
set(TESSALY_JSON_INCLUDE ${CMAKE_BINARY_DIR}/deps/json-include)
file(MAKE_DIRECTORY ${TESSALY_JSON_INCLUDE})
file(CREATE_LINK /usr/include/nlohmann ${TESSALY_JSON_INCLUDE}/nlohmann SYMBOLIC)
if(NOT EXISTS /usr/include/nlohmann/json.hpp)
    message(FATAL_ERROR "nlohmann JSON not found: run tools/setup.sh")
endif()
add_library(tessaly_json INTERFACE)
target_include_directories(tessaly_json SYSTEM INTERFACE ${TESSALY_JSON_INCLUDE})

# stb (image decoding, scaling and PNG writing) is header-only too; the same kind of folder.
set(TESSALY_STB_INCLUDE ${CMAKE_BINARY_DIR}/deps/stb-include)
file(MAKE_DIRECTORY ${TESSALY_STB_INCLUDE})
file(CREATE_LINK /usr/include/stb ${TESSALY_STB_INCLUDE}/stb SYMBOLIC)
if(NOT EXISTS /usr/include/stb/stb_image_resize.h)
    message(FATAL_ERROR "stb not found: run tools/setup.sh")
endif()
add_library(tessaly_stb INTERFACE)
target_include_directories(tessaly_stb SYSTEM INTERFACE ${TESSALY_STB_INCLUDE})

if(TESSALY_BUILD_TESTS)
    if(CMAKE_CROSSCOMPILING)
        # Debian ships GoogleTest's sources; build them with the cross compiler. They define the
        # same GTest:: targets that find_package gives natively.
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    else()
        find_package(GTest REQUIRED)
    endif()
endif()
