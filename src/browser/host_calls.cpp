#include "browser/host_calls.h"

#include <algorithm>
#include <new>
#include <optional>

#include "base/base64.h"
#include "base/caught_exception.h"
#include "base/text.h"

namespace tessaly {

// One call's way back to the page. Its copies go wherever the call runs; the call's share of the
// budget goes when the last of them does, once the page has its reply.
class CallReply {
  public:
    CallReply(UiThreadPoster runOnUiThread, ReplySender send,
              std::shared_ptr<CallBudget::Share> share, Json id)
        : runOnUiThread_(std::move(runOnUiThread)),
          send_(std::move(send)),
          share_(std::move(share)),
          id_(std::move(id)) {}

    // From any thread: the reply is written here, then handed to the page on the user-interface
    // thread.
    void Post(CallResult result) const noexcept;
    // On the user-interface thread, at once.
    void SendHere(CallResult result) const noexcept;

  private:
    static void Send(const ReplySender& send, const std::string& text, const Json& id) noexcept;
    static void SendShort(const ReplySender& send, const Json& id) noexcept;

    UiThreadPoster runOnUiThread_;
    ReplySender send_;
    std::shared_ptr<CallBudget::Share> share_;
    Json id_;
};

namespace {

Failure Invalid(std::string message) {
    return {FailureKind::InvalidArgument, std::move(message)};
}

// The answer to a call that ran out of memory: the program goes on, and the page may try again
// once its earlier calls are done.
Failure Overwhelmed(std::string_view method, const char* what) {
    return {FailureKind::Busy, "the program could not finish " + std::string(method) + " (" + what +
                                   "); await earlier calls, then retry"};
}

// The answer to a call whose handling threw, while the exception is handled: Busy when memory ran
// out, which waiting may mend; IOError for anything else, which trying again would only repeat.
Failure CaughtFailure(std::string_view method) {
    try {
        throw;
    } catch (const std::bad_alloc& error) {
        return Overwhelmed(method, error.what());
    } catch (...) {
        return {FailureKind::IOError,
                "the program could not finish " + std::string(method) + ": " + CaughtWhat()};
    }
}

const Failure& OutOfMemory() {
    static const Failure kOutOfMemory = Overwhelmed("the call", "out of memory");
    return kOutOfMemory;
}

// Runs `handle` for the call of `method`; what it throws becomes the call's answer, and a line
// in the log, instead of the end of the program.
template <class Handle>
CallResult Guarded(const std::string& method, const TaskFailureLog& log, const Handle& handle) {
    try {
        return handle();
    } catch (...) {
        const char* what = CaughtWhat();
        try {
            log("the call " + method + " failed: " + what);
            return CaughtFailure(method);
        } catch (...) {
            return OutOfMemory();
        }
    }
}

const Json& Arg(const PageCall& call, std::size_t index) {
    static const Json kAbsent;
    return index < call.args.size() ? call.args[index] : kAbsent;
}

Outcome<SavePath> PathArg(const PageCall& call, std::size_t index, bool folderItselfAllowed) {
    const Json& path = Arg(call, index);
    if (folderItselfAllowed && path.is_null()) {
        return SavePath{};
    }
    if (!path.is_string()) {
        return Invalid(call.method + " takes a path string");
    }
    return ParseSavePath(path.get_ref<const std::string&>(), folderItselfAllowed);
}

Outcome<std::string> DataArg(const PageCall& call) {
    const Json& data = Arg(call, 1);
    if (data.is_string()) {
        return data.get<std::string>();
    }
    if (data.is_object() && data.contains("base64") && data["base64"].is_string()) {
        const std::string_view encoded = call.dataBase64
                                             ? std::string_view(*call.dataBase64)
                                             : data["base64"].get_ref<const std::string&>();
        if (std::optional<std::string> bytes = DecodeBase64(encoded)) {
            return std::move(*bytes);
        }
        return Invalid("the data's base64 is malformed");
    }
    return Invalid("write takes a string, an ArrayBuffer or a typed array");
}

CallResult FromFailure(const std::optional<Failure>& failure) {
    if (failure) {
        return *failure;
    }
    return Json();
}

CallResult EntriesJson(const std::vector<SaveEntry>& entries) {
    Json list = Json::array();
    for (const SaveEntry& entry : entries) {
        list.push_back({{"name", entry.name},
                        {"kind", entry.isFolder ? "folder" : "file"},
                        {"size", entry.size},
                        {"modified", entry.modifiedMs}});
    }
    return list;
}

CallResult RunFileMethod(const PageCall& call, SaveFolder& saves) {
    const bool isList = call.method == "files.list";
    Outcome<SavePath> parsed = PathArg(call, 0, isList);
    if (Failure* failure = std::get_if<Failure>(&parsed)) {
        return *failure;
    }
    const SavePath& path = std::get<SavePath>(parsed);
    if (call.method == "files.write") {
        Outcome<std::string> data = DataArg(call);
        if (Failure* failure = std::get_if<Failure>(&data)) {
            return *failure;
        }
        const std::string& bytes = std::get<std::string>(data);
        if (bytes.size() > kMaxSaveFileBytes) {
            return Failure{FailureKind::TooLarge, "the data is larger than " +
                                                      std::to_string(kMaxSaveFileBytes) + " bytes"};
        }
        return FromFailure(saves.Write(path, bytes));
    }
    if (call.method == "files.readText" || call.method == "files.readBytes") {
        Outcome<std::string> bytes = saves.Read(path, kMaxSaveFileBytes);
        if (Failure* failure = std::get_if<Failure>(&bytes)) {
            return *failure;
        }
        std::string& content = std::get<std::string>(bytes);
        if (call.method == "files.readText") {
            return Json(std::move(content));
        }
        return Base64Bytes(content);
    }
    if (isList) {
        Outcome<std::vector<SaveEntry>> entries = saves.List(path);
        if (Failure* failure = std::get_if<Failure>(&entries)) {
            return *failure;
        }
        return EntriesJson(std::get<std::vector<SaveEntry>>(entries));
    }
    if (call.method == "files.remove") {
        return FromFailure(saves.Remove(path));
    }
    Outcome<bool> exists = saves.Exists(path);
    if (Failure* failure = std::get_if<Failure>(&exists)) {
        return *failure;
    }
    return Json(std::get<bool>(exists));
}

Outcome<bool> FlagArg(const PageCall& call) {
    if (!Arg(call, 0).is_boolean()) {
        return Invalid(call.method + " takes true or false");
    }
    return Arg(call, 0).get<bool>();
}

// A whole number of pixels from 1 to 100000.
std::optional<std::int32_t> PixelArg(const Json& value) {
    if (!value.is_number_integer() || value.get<std::int64_t>() < 1 ||
        value.get<std::int64_t>() > 100000) {
        return std::nullopt;
    }
    return std::int32_t(value.get<std::int64_t>());
}

Json FactsJson(const AppFacts& facts) {
    return {{"name", facts.name},
            {"version", facts.version},
            {"platform", facts.platform},
            {"arch", facts.arch},
            {"args", facts.args},
            {"language", facts.language},
            {"filesFolder", facts.filesFolder}};
}

// The methods of app and window; on the user-interface thread. app.quit is answered by the
// caller before the window goes.
CallResult RunWindowMethod(const PageCall& call, const AppFacts& facts, PageWindow& window) {
    const std::string& method = call.method;
    if (method == "app.info") {
        return FactsJson(facts);
    }
    if (method == "window.isFullscreen") {
        return Json(window.IsFullscreen());
    }
    if (method == "window.getBounds") {
        const WindowBounds bounds = window.Bounds();
        return Json{
            {"x", bounds.x}, {"y", bounds.y}, {"width", bounds.width}, {"height", bounds.height}};
    }
    if (method == "window.minimize") {
        window.Minimize();
        return Json();
    }
    if (method == "window.setTitle") {
        if (!Arg(call, 0).is_string()) {
            return Invalid("setTitle takes a string");
        }
        window.SetTitle(Arg(call, 0).get<std::string>());
        return Json();
    }
    if (method == "window.setSize") {
        const std::optional<std::int32_t> width = PixelArg(Arg(call, 0));
        const std::optional<std::int32_t> height = PixelArg(Arg(call, 1));
        if (!width || !height) {
            return Invalid("setSize takes a width and a height in whole pixels from 1 to 100000");
        }
        if (window.IsFullscreen()) {
            return Failure{FailureKind::NotAllowed, "the window is full screen"};
        }
        window.SetContentSize(*width, *height);
        return Json();
    }
    if (method == "window.setFullscreen" || method == "window.setAlwaysOnTop") {
        const Outcome<bool> flag = FlagArg(call);
        if (const Failure* failure = std::get_if<Failure>(&flag)) {
            return *failure;
        }
        if (method == "window.setFullscreen") {
            window.SetFullscreen(std::get<bool>(flag));
        } else {
            window.SetAlwaysOnTop(std::get<bool>(flag));
        }
        return Json();
    }
    return Failure{FailureKind::UnknownMethod, "there is no method \"" + method + "\""};
}

// extensions.call(name, method, params): answered by the extension, later, on any thread.
void CallExtension(const PageCall& call, Extensions* extensions, const CallReply& back) {
    const Json& name = Arg(call, 0);
    const Json& method = Arg(call, 1);
    if (!name.is_string() || !method.is_string()) {
        back.Post(Invalid("extensions.call takes an extension's name and a method name"));
        return;
    }
    if (!extensions) {
        back.Post(Failure{FailureKind::NotFound, "the app has no extensions"});
        return;
    }
    extensions->Call(name.get_ref<const std::string&>(), method.get<std::string>(),
                     Arg(call, 2).dump(), [back](Outcome<Json> answer) {
                         if (Failure* failure = std::get_if<Failure>(&answer)) {
                             back.Post(std::move(*failure));
                         } else {
                             back.Post(std::move(std::get<Json>(answer)));
                         }
                     });
}

std::optional<int> ExitCodeArg(const Json& code) {
    if (code.is_null()) {
        return 0;
    }
    if (!code.is_number_integer() || code.get<std::int64_t>() < 0 ||
        code.get<std::int64_t>() > 255) {
        return std::nullopt;
    }
    return int(code.get<std::int64_t>());
}

// Where a method runs, and how many arguments it takes at most: more are a mistake of the
// caller's, which would otherwise go unseen.
enum class Runs { OnFiles, OnUiThread, ExtensionCall, ExtensionList };

struct Method {
    std::string_view name;
    std::size_t maxArgs;
    Runs runs;
};

constexpr Method kMethods[] = {
    {"app.quit", 1, Runs::OnUiThread},
    {"app.info", 0, Runs::OnUiThread},
    {"window.setFullscreen", 1, Runs::OnUiThread},
    {"window.isFullscreen", 0, Runs::OnUiThread},
    {"window.setTitle", 1, Runs::OnUiThread},
    {"window.setSize", 2, Runs::OnUiThread},
    {"window.getBounds", 0, Runs::OnUiThread},
    {"window.minimize", 0, Runs::OnUiThread},
    {"window.setAlwaysOnTop", 1, Runs::OnUiThread},
    {"files.write", 2, Runs::OnFiles},
    {"files.readText", 1, Runs::OnFiles},
    {"files.readBytes", 1, Runs::OnFiles},
    {"files.list", 1, Runs::OnFiles},
    {"files.remove", 1, Runs::OnFiles},
    {"files.exists", 1, Runs::OnFiles},
    {"extensions.call", 3, Runs::ExtensionCall},
    {"extensions.list", 0, Runs::ExtensionList},
};

const Method* FindMethod(std::string_view name) {
    const auto found = std::find_if(std::begin(kMethods), std::end(kMethods),
                                    [&](const Method& method) { return method.name == name; });
    return found == std::end(kMethods) ? nullptr : found;
}

// The part of a call's text its id is read from, when the call is refused unread.
std::string OpeningOf(const std::string& text) {
    return text.substr(0, 64);
}

std::string OpeningOf(const std::u16string& text) {
    return WideToUtf8(std::u16string_view(text).substr(0, 64));
}

std::string Utf8Of(std::string text) {
    return text;
}

std::string Utf8Of(const std::u16string& text) {
    return WideToUtf8(text);
}

// Refuses a call unread, at once, by the id its text opens with; on the user-interface thread.
void Refuse(std::string_view opening, const Failure& failure, const ReplySender& reply) {
    if (const std::optional<Json> id = IdAtOpening(opening)) {
        reply(ReplyText(*id, failure));
    }
}

}  // namespace

void CallReply::Post(CallResult result) const noexcept {
    try {
        runOnUiThread_([send = send_, share = share_, id = id_,
                        text = ReplyText(id_, std::move(result))] { Send(send, text, id); });
    } catch (...) {
        try {
            runOnUiThread_([send = send_, share = share_, id = id_] { SendShort(send, id); });
        } catch (...) {
            // Not even a short reply can be posted: this call never settles, the program goes on.
        }
    }
}

void CallReply::SendHere(CallResult result) const noexcept {
    try {
        Send(send_, ReplyText(id_, std::move(result)), id_);
    } catch (...) {
        SendShort(send_, id_);
    }
}

// Nothing thrown here may reach the platform's main loop: a reply the page cannot be handed is
// replaced by a short one.
void CallReply::Send(const ReplySender& send, const std::string& text, const Json& id) noexcept {
    try {
        send(text);
    } catch (...) {
        SendShort(send, id);
    }
}

void CallReply::SendShort(const ReplySender& send, const Json& id) noexcept {
    try {
        send(ReplyText(id, OutOfMemory()));
    } catch (...) {
    }
}

EventSender PageEventSender(UiThreadPoster runOnUiThread, ReplySender send) {
    return [runOnUiThread = std::move(runOnUiThread), send = std::move(send)](
               std::string_view extension, const Json& event, std::function<void()> delivered) {
        runOnUiThread(
            [send, delivered = std::move(delivered), message = EventText(extension, event)] {
                try {
                    send(message);
                } catch (...) {
                    // Out of memory for the page's copy: the event is lost, the program goes on.
                }
                try {
                    delivered();
                } catch (...) {
                }
            });
    };
}

HostCalls::HostCalls(AppFacts facts, std::string key, PageWindow& window,
                     std::unique_ptr<SaveFolder> saves, std::unique_ptr<Extensions> extensions,
                     UiThreadPoster runOnUiThread, TaskFailureLog log)
    : facts_(std::move(facts)),
      key_(std::move(key)),
      window_(window),
      saves_(std::move(saves)),
      extensions_(std::move(extensions)),
      runOnUiThread_(std::move(runOnUiThread)),
      log_(std::move(log)) {
    if (saves_) {
        files_.Post([this] { saves_->RemovePartialWrites(); });
    }
}

HostCalls::~HostCalls() = default;

void HostCalls::Take(std::string text, ReplySender reply) {
    Admit(std::move(text), reply);
}

void HostCalls::Take(std::u16string text, ReplySender reply) {
    Admit(std::move(text), reply);
}

template <class Text>
void HostCalls::Admit(Text text, const ReplySender& reply) {
    try {
        const std::string opening = OpeningOf(text);
        // Counted as the page's script wrote it, so both programs refuse the same calls.
        if (text.size() > kMaxCallBytes) {
            Refuse(opening,
                   Failure{FailureKind::TooLarge,
                           "the call is larger than " + std::to_string(kMaxCallBytes) + " bytes"},
                   reply);
            return;
        }
        std::shared_ptr<CallBudget::Share> share = budget_.Take(text.size());
        if (!share) {
            Refuse(opening,
                   Failure{FailureKind::Busy,
                           "the program is still busy with earlier calls; await them, then retry"},
                   reply);
            return;
        }
        try {
            reader_.Post([this, text = std::move(text), reply, share]() mutable {
                Read(Utf8Of(std::move(text)), reply, share);
            });
        } catch (...) {
            Refuse(opening, OutOfMemory(), reply);
        }
    } catch (...) {
        // Not even the refusal could be made: the call never settles, but the program goes on.
    }
}

void HostCalls::Read(std::string text, const ReplySender& reply,
                     const std::shared_ptr<CallBudget::Share>& share) {
    const std::string opening = OpeningOf(text);
    try {
        std::variant<PageCall, RefusedCall, IgnoredCall> read = ReadCall(std::move(text), key_);
        if (RefusedCall* refused = std::get_if<RefusedCall>(&read)) {
            CallReply(runOnUiThread_, reply, share, refused->id).Post(refused->failure);
        } else if (PageCall* call = std::get_if<PageCall>(&read)) {
            const Json id = call->id;
            Route(std::move(*call), CallReply(runOnUiThread_, reply, share, id));
        }
    } catch (...) {
        if (const std::optional<Json> id = IdAtOpening(opening)) {
            CallReply(runOnUiThread_, reply, share, *id).Post(CaughtFailure("the call"));
        }
    }
}

void HostCalls::Route(PageCall call, const CallReply& back) {
    const Method* method = FindMethod(call.method);
    if (!method) {
        back.Post(
            Failure{FailureKind::UnknownMethod, "there is no method \"" + call.method + "\""});
        return;
    }
    if (call.args.size() > method->maxArgs) {
        back.Post(Invalid(call.method + " takes at most " + std::to_string(method->maxArgs) +
                          (method->maxArgs == 1 ? " argument" : " arguments")));
        return;
    }
    switch (method->runs) {
        case Runs::OnFiles:
            if (!saves_) {
                back.Post(
                    Failure{FailureKind::NotAllowed, "the app's name cannot name a save folder"});
                return;
            }
            files_.Post([this, call = std::move(call), back] {
                back.Post(Guarded(call.method, log_, [&] { return RunFileMethod(call, *saves_); }));
            });
            return;
        case Runs::OnUiThread:
            runOnUiThread_([this, call = std::move(call), back] { RunWindowCall(call, back); });
            return;
        case Runs::ExtensionCall:
            CallExtension(call, extensions_.get(), back);
            return;
        case Runs::ExtensionList:
            if (!extensions_) {
                back.Post(Json::array());
                return;
            }
            extensions_->List([back](Json list) { back.Post(std::move(list)); });
            return;
    }
}

// app.quit is answered before the window goes.
void HostCalls::RunWindowCall(const PageCall& call, const CallReply& back) {
    if (call.method != "app.quit") {
        back.SendHere(
            Guarded(call.method, log_, [&] { return RunWindowMethod(call, facts_, window_); }));
        return;
    }
    const std::optional<int> code = ExitCodeArg(Arg(call, 0));
    if (!code) {
        back.SendHere(Invalid("quit takes an exit code from 0 to 255"));
        return;
    }
    back.SendHere(Json());
    window_.Quit(*code);
}

}  // namespace tessaly
