#include "browser/host_calls.h"

#include <charconv>
#include <optional>

#include "base/base64.h"
#include "base/json_read.h"
#include "base/text.h"

namespace tessaly {
namespace {

// A call larger than the largest file in base64, with room for the rest, is refused unread, so
// a runaway page cannot make the program hold several copies of a huge text.
constexpr std::size_t kMaxCallBytes = 24 * 1024 * 1024;

using Result = Outcome<Json>;

struct Call {
    Json id;
    std::string method;
    Json args;  // an array
    // The bytes of a write, when they were taken out of the text before it was read as JSON.
    std::optional<std::string_view> trailingBase64;
};

constexpr std::string_view kBytesOpening = R"({"base64":")";
constexpr std::string_view kBytesClosing = R"("}]})";

// Where the base64 text of a write's bytes lies in a call, as the page's script puts them: at
// the very end, {"base64":"..."} as the last argument. Read as JSON it would be scanned and
// copied character by character, most of a large save's time; base64 holds nothing to unescape,
// so it is taken as it stands.
std::optional<std::pair<std::size_t, std::size_t>> TrailingBase64(std::string_view text) {
    if (!text.ends_with(kBytesClosing)) {
        return std::nullopt;
    }
    const std::size_t opening = text.rfind(kBytesOpening);
    if (opening == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t start = opening + kBytesOpening.size();
    const std::size_t end = text.size() - kBytesClosing.size();
    if (start > end || text.substr(start, end - start).find_first_of("\\\"") != text.npos) {
        return std::nullopt;
    }
    return std::pair(start, end);
}

const Json& Arg(const Call& call, std::size_t index) {
    static const Json kAbsent;
    return index < call.args.size() ? call.args[index] : kAbsent;
}

Failure Invalid(std::string message) {
    return {FailureKind::InvalidArgument, std::move(message)};
}

std::string ReplyText(const Json& id, const Result& result) {
    const Json* value = std::get_if<Json>(&result);
    if (value && value->is_object() && value->size() == 1 && value->contains("base64")) {
        // Bytes need no escaping: the reply is written around them, not dumped character by
        // character, with its members in the order dump() gives every other reply.
        return R"({"id":)" + id.dump() + R"(,"result":{"base64":")" +
               value->at("base64").get_ref<const std::string&>() + R"("},"type":"tessaly-reply"})";
    }
    Json reply = {{"type", "tessaly-reply"}, {"id", id}};
    if (const Failure* failure = std::get_if<Failure>(&result)) {
        reply["error"] = {{"name", FailureName(*failure)}, {"message", failure->message}};
    } else {
        reply["result"] = std::get<Json>(result);
    }
    // A file read as text may hold bytes that are not UTF-8: they become U+FFFD, as the
    // page's own TextDecoder makes them.
    return reply.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The id of a call that cannot be read whole, from its fixed opening, so it still gets its one
// reply.
std::optional<Json> IdOfUnreadCall(std::string_view text) {
    text.remove_prefix(std::min(text.size(), kHostCallOpening.size()));
    constexpr std::string_view kId = R"("id":)";
    if (!text.starts_with(kId)) {
        return std::nullopt;
    }
    text.remove_prefix(kId.size());
    std::uint64_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc() || end == text.data()) {
        return std::nullopt;
    }
    return Json(id);
}

Outcome<SavePath> PathArg(const Call& call, std::size_t index, bool folderItselfAllowed) {
    const Json& path = Arg(call, index);
    if (folderItselfAllowed && path.is_null()) {
        return SavePath{};
    }
    if (!path.is_string()) {
        return Invalid(call.method + " takes a path string");
    }
    return ParseSavePath(path.get_ref<const std::string&>(), folderItselfAllowed);
}

Outcome<std::string> DataArg(const Call& call) {
    const Json& data = Arg(call, 1);
    if (data.is_string()) {
        return data.get<std::string>();
    }
    if (data.is_object() && data.contains("base64") && data["base64"].is_string()) {
        const std::string& given = data["base64"].get_ref<const std::string&>();
        const std::string_view encoded =
            given.empty() && call.trailingBase64 ? *call.trailingBase64 : std::string_view(given);
        if (std::optional<std::string> bytes = DecodeBase64(encoded)) {
            return std::move(*bytes);
        }
        return Invalid("the data's base64 is malformed");
    }
    return Invalid("write takes a string, an ArrayBuffer or a typed array");
}

Result FromFailure(const std::optional<Failure>& failure) {
    if (failure) {
        return *failure;
    }
    return Json();
}

Result EntriesJson(const std::vector<SaveEntry>& entries) {
    Json list = Json::array();
    for (const SaveEntry& entry : entries) {
        list.push_back({{"name", entry.name},
                        {"kind", entry.isFolder ? "folder" : "file"},
                        {"size", entry.size},
                        {"modified", entry.modifiedMs}});
    }
    return list;
}

Result RunFileMethod(const Call& call, SaveFolder& saves) {
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
        return Json{{"base64", EncodeBase64(content)}};
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

bool IsFileMethod(std::string_view method) {
    return method == "files.write" || method == "files.readText" || method == "files.readBytes" ||
           method == "files.list" || method == "files.remove" || method == "files.exists";
}

Outcome<bool> FlagArg(const Call& call) {
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
Result RunWindowMethod(const Call& call, const AppFacts& facts, PageWindow& window) {
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

// extensions.call(name, method, params): answered by the extension, later, on its own thread.
void CallExtension(const Call& call, Extensions* extensions, ExtensionAnswer answer) {
    const Json& name = Arg(call, 0);
    const Json& method = Arg(call, 1);
    if (!name.is_string() || !method.is_string()) {
        answer(Invalid("extensions.call takes an extension's name and a method name"));
        return;
    }
    if (!extensions) {
        answer(Failure{FailureKind::NotFound, "the app has no extensions"});
        return;
    }
    extensions->Call(name.get_ref<const std::string&>(), method.get<std::string>(),
                     Arg(call, 2).dump(), std::move(answer));
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

}  // namespace

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
        queue_.Post([this] { saves_->RemovePartialWrites(); });
    }
}

HostCalls::~HostCalls() = default;

void HostCalls::Take(std::string text, ReplySender reply) {
    queue_.Post([this, text = std::move(text), reply = std::move(reply)] {
        Run(text, text.size(), reply);
    });
}

void HostCalls::Take(std::u16string text, ReplySender reply) {
    queue_.Post([this, text = std::move(text), reply = std::move(reply)] {
        // Of a call too large to read, only its opening is needed, for the id.
        const bool tooLarge = text.size() > kMaxCallBytes;
        Run(WideToUtf8(tooLarge ? std::u16string_view(text).substr(0, 64) : text), text.size(),
            reply);
    });
}

void HostCalls::Run(const std::string& text, std::size_t size, const ReplySender& reply) {
    // Copies only: an extension's answer may come after this call has returned.
    const auto answer = [runOnUiThread = runOnUiThread_, reply](const Json& id,
                                                                const Result& result) {
        runOnUiThread([reply, text = ReplyText(id, result)] { reply(text); });
    };
    if (size > kMaxCallBytes) {
        if (const std::optional<Json> id = IdOfUnreadCall(text)) {
            answer(*id,
                   Failure{FailureKind::TooLarge,
                           "the call is larger than " + std::to_string(kMaxCallBytes) + " bytes"});
        }
        return;
    }
    Call call;
    try {
        // Strict, as package.json: no comments, the text ends at the first NUL.
        std::string rest;
        if (const auto bytes = TrailingBase64(text)) {
            call.trailingBase64 =
                std::string_view(text).substr(bytes->first, bytes->second - bytes->first);
            rest = text.substr(0, bytes->first) + text.substr(bytes->second);
        }
        const Json root =
            Json::parse(call.trailingBase64 ? rest.c_str() : text.c_str(), nullptr, true, false);
        if (!root.is_object() || !root.contains("id") ||
            GetString(root, "key", u"") != Utf8ToWide(key_)) {
            return;
        }
        call.id = root["id"];
        call.method = WideToUtf8(GetString(root, "method", u""));
        call.args = root.contains("args") && root["args"].is_array() ? root["args"] : Json::array();
    } catch (const Json::exception&) {
        if (const std::optional<Json> id = IdOfUnreadCall(text)) {
            answer(*id, Invalid("the call is not valid JSON"));
        }
        return;
    }
    if (IsFileMethod(call.method)) {
        if (!saves_) {
            answer(call.id,
                   Failure{FailureKind::NotAllowed, "the app's name cannot name a save folder"});
            return;
        }
        answer(call.id, RunFileMethod(call, *saves_));
        return;
    }
    if (call.method == "extensions.call") {
        CallExtension(call, extensions_.get(),
                      [answer, id = call.id](Result result) { answer(id, result); });
        return;
    }
    if (call.method == "extensions.list") {
        answer(call.id, extensions_ ? extensions_->List() : Json::array());
        return;
    }
    runOnUiThread_([this, call = std::move(call), reply] {
        if (call.method != "app.quit") {
            reply(ReplyText(call.id, RunWindowMethod(call, facts_, window_)));
            return;
        }
        const std::optional<int> code = ExitCodeArg(Arg(call, 0));
        if (!code) {
            reply(ReplyText(call.id, Invalid("quit takes an exit code from 0 to 255")));
            return;
        }
        reply(ReplyText(call.id, Json()));
        window_.Quit(*code);
    });
}

}  // namespace tessaly
