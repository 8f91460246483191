#include "base/program_log.h"
#include "extensions/extension_entries.h"
#include "extensions/extensions.h"

namespace tessaly {

std::unique_ptr<Extensions> StartExtensions(const std::vector<ExtensionEntry>& entries,
                                            const std::u16string& appFolder,
                                            EventSender sendEvent) {
    if (entries.empty()) {
        return nullptr;
    }
    ExtensionHooks hooks;
    hooks.open = OpenExtensionLibrary;
    hooks.sendEvent = std::move(sendEvent);
    hooks.log = WriteLog;
    return std::make_unique<Extensions>(entries, appFolder, ExtensionPlatform(), std::move(hooks));
}

}  // namespace tessaly
