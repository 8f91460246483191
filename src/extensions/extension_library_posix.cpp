#include <dlfcn.h>

#include "base/text.h"
#include "extensions/extension_library.h"

namespace tessaly {
namespace {

class SharedLibrary final : public ExtensionLibrary {
  public:
    explicit SharedLibrary(void* handle) : handle_(handle) {}
    ~SharedLibrary() override { dlclose(handle_); }
    void* Export(const char* name) override { return dlsym(handle_, name); }

  private:
    void* handle_;
};

}  // namespace

OpenedLibrary OpenExtensionLibrary(const std::u16string& path) {
    // A path with a slash is opened as it is; the library's own needs are resolved by its
    // RUNPATH ($ORIGIN finds them beside it) and the system's folders. RTLD_LOCAL: two
    // extensions' symbols never meet.
    void* handle = dlopen(WideToUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        return std::string(why ? why : "dlopen failed");
    }
    return std::make_unique<SharedLibrary>(handle);
}

}  // namespace tessaly
