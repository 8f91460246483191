// The app's native extensions: each is loaded on a thread of its own at start, called there in
// the order the page makes its calls, and unloaded there at the end, so a slow extension never
// holds up the window or another extension. Answers and events may come from any thread.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "base/json_read.h"
#include "config/package_settings.h"
#include "extensions/extension_library.h"

namespace tessaly {

// A call's result, or its error; called once, on any thread.
using ExtensionAnswer = std::function<void(Outcome<Json>)>;
// [{"name", "loaded", "reason"}, ...] in the package's order; called once, on any thread.
using ExtensionListAnswer = std::function<void(Json list)>;
// Hands an extension's event to the page, from any thread; `delivered` is to be called once the
// page has it, on any thread, and may outlive the extensions.
using EventSender = std::function<void(std::string_view extension, const Json& event,
                                       std::function<void()> delivered)>;

// How many events of one extension may wait for the page: past it, an extension that sends
// faster than the page takes them would fill the memory. The events dropped are logged, one line
// each time the page has caught up.
inline constexpr std::size_t kMaxWaitingEvents = 1000;

struct ExtensionHooks {
    // OpenExtensionLibrary, or a test's own; called on the extension's thread.
    std::function<OpenedLibrary(const std::u16string& path)> open;
    EventSender sendEvent;
    // A line for the program's log; called on any thread.
    std::function<void(const std::string& line)> log;
};

class Extensions {
  public:
    // Starts loading every entry that names a library for `platform`; the others do not exist
    // here. `appFolder` ends with a separator.
    Extensions(const std::vector<ExtensionEntry>& entries, const std::u16string& appFolder,
               std::string_view platform, ExtensionHooks hooks);
    // Unloads each extension after the calls already made have reached it; a call still
    // unanswered then is abandoned, and logged.
    ~Extensions();
    Extensions(const Extensions&) = delete;
    Extensions& operator=(const Extensions&) = delete;

    // Calls `method` of the extension `name` with `params`, a JSON text. An extension that could
    // not be loaded answers ExtensionUnavailable with the reason; one this platform does not
    // have, NotFound.
    void Call(std::string_view name, std::string method, std::string params,
              ExtensionAnswer answer);
    // Answers once every load has ended: at once, or on the thread of the load that ends last,
    // so no thread waits for a load that hangs.
    void List(ExtensionListAnswer answer);

  private:
    Json ListNow() const;
    void LoadEnded();

    ExtensionHooks hooks_;
    std::vector<std::unique_ptr<TessalyHost>> extensions_;
    std::mutex loadsMutex_;  // guards what follows
    std::size_t loading_ = 0;
    std::vector<ExtensionListAnswer> waitingLists_;
};

// The package's extensions for this program's platform, loading from now on with the platform's
// loader, what goes wrong written to the program's log; null when the package lists none. Each
// event is handed to `sendEvent`, on the thread that sent it.
std::unique_ptr<Extensions> StartExtensions(const std::vector<ExtensionEntry>& entries,
                                            const std::u16string& appFolder, EventSender sendEvent);

}  // namespace tessaly
