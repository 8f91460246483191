// What `tessaly check` reads from a WebAssembly module.
#pragma once

#include <string_view>

namespace tessaly::tool {

// True when the module's import section imports a shared memory: the module runs on several
// threads at once (Emscripten's -pthread, Godot's and Unity's threaded exports). `module` may be
// cut short anywhere after its import section; anything that is not a readable module gives
// false.
bool ImportsSharedMemory(std::string_view module);

}  // namespace tessaly::tool
