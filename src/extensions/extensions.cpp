#include "extensions/extensions.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <variant>

#include "base/text.h"
#include "base/work_queue.h"
#include "extensions/extension_entries.h"

namespace tessaly {
namespace {

// The events one extension has sent that the page has not been handed yet; shared with the
// deliveries on their way, which may end after the extensions.
class EventBacklog {
  public:
    EventBacklog(std::string extension, std::function<void(const std::string&)> log)
        : extension_(std::move(extension)), log_(std::move(log)) {}

    // Whether one more event may wait for the page; otherwise it is counted as dropped.
    bool Admit() {
        const std::lock_guard lock(mutex_);
        if (waiting_ >= kMaxWaitingEvents) {
            ++dropped_;
            return false;
        }
        ++waiting_;
        return true;
    }

    // An event admitted is with the page, or will never be; once none waits, the drops of the
    // burst are logged.
    void Done() {
        std::size_t dropped = 0;
        {
            const std::lock_guard lock(mutex_);
            --waiting_;
            if (waiting_ > 0) {
                return;
            }
            std::swap(dropped, dropped_);
        }
        LogDrops(dropped);
    }

    // After the unload: drops the page never caught up with are logged too.
    void Flush() {
        std::size_t dropped = 0;
        {
            const std::lock_guard lock(mutex_);
            std::swap(dropped, dropped_);
        }
        LogDrops(dropped);
    }

  private:
    // Called where nothing may be thrown: a delivery on the user-interface thread, an event's
    // failure on the extension's.
    void LogDrops(std::size_t dropped) const noexcept {
        if (dropped == 0) {
            return;
        }
        try {
            log_("extension \"" + extension_ + "\" sent events faster than the page takes them; " +
                 std::to_string(dropped) + " dropped");
        } catch (...) {
        }
    }

    const std::string extension_;
    const std::function<void(const std::string&)> log_;
    std::mutex mutex_;
    std::size_t waiting_ = 0;
    std::size_t dropped_ = 0;
};

}  // namespace
}  // namespace tessaly

// One extension: what the program knows of it, and the host its library is given.
struct TessalyHost {
    std::string name;
    std::string libraryText;  // the path as package.json writes it, for messages
    const tessaly::ExtensionHooks* hooks = nullptr;
    TessalyHostApi api{};

    // Set on the extension's thread by the load, before it ends; read after it.
    std::unique_ptr<tessaly::ExtensionLibrary> library;
    tessaly::ExtensionCallFunction call = nullptr;
    tessaly::ExtensionUnloadFunction unload = nullptr;
    void* state = nullptr;
    std::string reason;  // why it is not loaded; empty once it is

    std::shared_ptr<tessaly::EventBacklog> events;

    std::mutex mutex;  // guards what follows: answers come from any thread
    std::uint64_t nextId = 1;
    std::map<std::uint64_t, std::pair<std::string, tessaly::ExtensionAnswer>> pending;

    std::optional<tessaly::WorkQueue> thread;  // last: it ends before the rest goes

    void Log(const std::string& what) const { hooks->log("extension \"" + name + "\" " + what); }
};

namespace tessaly {
namespace {

Failure Unavailable(const TessalyHost& host) {
    return {FailureKind::ExtensionUnavailable,
            "the extension \"" + host.name + "\" is unavailable: " + host.reason};
}

Failure NoSuchExtension(std::string_view name) {
    return {FailureKind::NotFound, "there is no extension \"" + std::string(name) + "\""};
}

// What an extension hands over as JSON, or what is wrong with it: "is not JSON".
std::variant<Json, std::string> ExtensionJson(const char* text) {
    if (!text) {
        return std::string("is not JSON");
    }
    std::variant<Json, JsonFault> read = ReadJson(text);
    if (const JsonFault* fault = std::get_if<JsonFault>(&read)) {
        return *fault == JsonFault::TooDeep
                   ? "is nested more than " + std::to_string(kMaxJsonDepth) + " levels deep"
                   : std::string("is not JSON");
    }
    return std::move(std::get<Json>(read));
}

// The last word on an exception in a callback of the extension's: it must not unwind into the
// extension's code, which may not be C++ at all.
void LogCaught(const TessalyHost& host, const char* callback) noexcept {
    try {
        throw;
    } catch (const std::exception& error) {
        try {
            host.Log(std::string("could not be served in its ") + callback + ": " + error.what());
        } catch (...) {
        }
    } catch (...) {
    }
}

// The answer an extension gives to call `id`, for the call's own answer.
Outcome<Json> AnswerOf(const TessalyHost& host, std::uint64_t id, const std::string& method,
                       const char* resultJson, const char* errorName, const char* errorMessage) {
    if (errorName) {
        return Failure{FailureKind::Named, errorMessage ? errorMessage : "", errorName};
    }
    std::variant<Json, std::string> result = ExtensionJson(resultJson);
    if (const std::string* problem = std::get_if<std::string>(&result)) {
        host.Log("answered call " + std::to_string(id) + " (" + method + ") with a result that " +
                 *problem);
        return Failure{FailureKind::ExtensionError, "the extension \"" + host.name +
                                                        "\" answered " + method +
                                                        " with a result that " + *problem};
    }
    return std::move(std::get<Json>(result));
}

void TESSALY_EXTENSION_CALL Reply(TessalyHost* host, std::uint64_t id, const char* resultJson,
                                  const char* errorName, const char* errorMessage) {
    if (!host) {
        return;
    }
    std::pair<std::string, ExtensionAnswer> call;
    try {
        std::unique_lock lock(host->mutex);
        const auto found = host->pending.find(id);
        if (found == host->pending.end()) {
            const bool given = id < host->nextId;
            lock.unlock();
            host->Log(given ? "answered call " + std::to_string(id) +
                                  " again, or after it was abandoned; the answer is dropped"
                            : "answered call " + std::to_string(id) +
                                  ", which it was never given; the answer is dropped");
            return;
        }
        call = std::move(found->second);
        host->pending.erase(found);
        lock.unlock();
        call.second(AnswerOf(*host, id, call.first, resultJson, errorName, errorMessage));
        return;
    } catch (...) {
        LogCaught(*host, "reply");
    }
    // Taken but not answered: the call still gets its one answer, if anything can be made now.
    if (call.second) {
        try {
            call.second(Failure{FailureKind::ExtensionError,
                                "the program could not take the extension \"" + host->name +
                                    "\"'s answer to " + call.first});
        } catch (...) {
            LogCaught(*host, "reply");
        }
    }
}

void TESSALY_EXTENSION_CALL Emit(TessalyHost* host, const char* eventJson) {
    if (!host) {
        return;
    }
    bool admitted = false;
    try {
        std::variant<Json, std::string> event = ExtensionJson(eventJson);
        if (const std::string* problem = std::get_if<std::string>(&event)) {
            host->Log("sent an event that " + *problem + "; it is dropped");
            return;
        }
        admitted = host->events->Admit();
        if (admitted) {
            host->hooks->sendEvent(host->name, std::get<Json>(event),
                                   [events = host->events] { events->Done(); });
        }
    } catch (...) {
        LogCaught(*host, "event");
        if (admitted) {
            host->events->Done();  // the sender threw before the event was on its way
        }
    }
}

// Loads the library and its exports and calls its load; on the extension's thread.
void Load(TessalyHost& host, const std::u16string& path, const std::string& appFolder) {
    OpenedLibrary opened = host.hooks->open(path);
    if (std::string* why = std::get_if<std::string>(&opened)) {
        host.reason = "cannot load " + host.libraryText + ": " + *why;
        return;
    }
    auto library = std::move(std::get<std::unique_ptr<ExtensionLibrary>>(opened));
    void* exports[3] = {};
    constexpr const char* kExportNames[3] = {"tessaly_extension_load", "tessaly_extension_call",
                                             "tessaly_extension_unload"};
    for (int i = 0; i < 3; ++i) {
        exports[i] = library->Export(kExportNames[i]);
        if (!exports[i]) {
            host.reason = host.libraryText + " does not export " + kExportNames[i];
            return;
        }
    }
    host.api = {TESSALY_EXTENSION_ABI, &host, Reply, Emit};
    const int result = reinterpret_cast<ExtensionLoadFunction>(exports[0])(
        &host.api, appFolder.c_str(), &host.state);
    if (result != 0) {
        host.reason = "its tessaly_extension_load returned " + std::to_string(result);
        return;
    }
    host.call = reinterpret_cast<ExtensionCallFunction>(exports[1]);
    host.unload = reinterpret_cast<ExtensionUnloadFunction>(exports[2]);
    host.library = std::move(library);
}

// Calls the unload and abandons what is still unanswered; on the extension's thread.
void Unload(TessalyHost& host) {
    if (host.library) {
        host.unload(host.state);
    }
    std::map<std::uint64_t, std::pair<std::string, ExtensionAnswer>> abandoned;
    {
        std::lock_guard lock(host.mutex);
        abandoned.swap(host.pending);
    }
    for (const auto& [id, call] : abandoned) {
        host.Log("never answered call " + std::to_string(id) + " (" + call.first + ")");
    }
    host.library.reset();
    host.events->Flush();
}

}  // namespace

Extensions::Extensions(const std::vector<ExtensionEntry>& entries, const std::u16string& appFolder,
                       std::string_view platform, ExtensionHooks hooks)
    : hooks_(std::move(hooks)) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto library = entries[i].libraries.find(platform);
        if (library == entries[i].libraries.end()) {
            continue;
        }
        auto host = std::make_unique<TessalyHost>();
        host->name = WideToUtf8(entries[i].name);
        host->libraryText = WideToUtf8(library->second);
        host->hooks = &hooks_;
        host->events = std::make_shared<EventBacklog>(host->name, hooks_.log);
        if (const std::optional<std::string> problem =
                ExtensionEntryProblem(entries, i, platform)) {
            host->reason = *problem;
            host->Log("is unavailable: " + host->reason);
        } else {
            host->thread.emplace(
                [&host = *host](const std::string& line) { host.Log("thread: " + line); });
            {
                const std::lock_guard lock(loadsMutex_);
                ++loading_;
            }
            host->thread->Post([this, &host = *host,
                                path = appFolder + ExtensionLibraryPath(library->second),
                                folder = WideToUtf8(appFolder)] {
                Load(host, path, folder);
                host.Log(host.reason.empty() ? "loaded from " + host.libraryText
                                             : "is unavailable: " + host.reason);
                LoadEnded();
            });
        }
        extensions_.push_back(std::move(host));
    }
}

Extensions::~Extensions() {
    // Every unload is posted before any thread is waited for, so they run side by side.
    for (const auto& host : extensions_) {
        if (host->thread) {
            host->thread->Post([&host = *host] { Unload(host); });
        }
    }
    for (const auto& host : extensions_) {
        host->thread.reset();
    }
}

void Extensions::Call(std::string_view name, std::string method, std::string params,
                      ExtensionAnswer answer) {
    const auto found = std::find_if(extensions_.begin(), extensions_.end(),
                                    [&](const auto& host) { return host->name == name; });
    if (found == extensions_.end()) {
        answer(NoSuchExtension(name));
        return;
    }
    TessalyHost& host = **found;
    if (!host.thread) {
        answer(Unavailable(host));
        return;
    }
    host.thread->Post([&host, method = std::move(method), params = std::move(params),
                       answer = std::move(answer)]() mutable {
        if (!host.library) {
            answer(Unavailable(host));
            return;
        }
        std::uint64_t id = 0;
        {
            std::lock_guard lock(host.mutex);
            id = host.nextId++;
            host.pending.emplace(id, std::pair(method, std::move(answer)));
        }
        host.call(host.state, id, method.c_str(), params.c_str());
    });
}

void Extensions::List(ExtensionListAnswer answer) {
    {
        const std::lock_guard lock(loadsMutex_);
        if (loading_ > 0) {
            waitingLists_.push_back(std::move(answer));
            return;
        }
    }
    answer(ListNow());
}

// On the extension's thread, once its load has ended and its reason is set.
void Extensions::LoadEnded() {
    std::vector<ExtensionListAnswer> answers;
    {
        const std::lock_guard lock(loadsMutex_);
        if (--loading_ > 0) {
            return;
        }
        answers.swap(waitingLists_);
    }
    for (const ExtensionListAnswer& answer : answers) {
        answer(ListNow());
    }
}

Json Extensions::ListNow() const {
    Json list = Json::array();
    for (const auto& host : extensions_) {
        list.push_back({{"name", host->name},
                        {"loaded", host->reason.empty()},
                        {"reason", host->reason.empty() ? Json() : Json(host->reason)}});
    }
    return list;
}

}  // namespace tessaly
