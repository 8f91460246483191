#include "browser/page_messages.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "base/base64.h"

namespace tessaly {
namespace {

constexpr std::string_view kBytesOpening = R"({"base64":")";
constexpr std::string_view kBytesClosing = R"("}]})";

bool IsBase64Character(char c) {
    static const std::array<bool, 256> kTable = [] {
        std::array<bool, 256> table{};
        for (const char digit : std::string_view(
                 "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=")) {
            table[std::uint8_t(digit)] = true;
        }
        return table;
    }();
    return kTable[std::uint8_t(c)];
}

// Where the base64 text of a write's bytes lies in a call, as the page's script puts them: at
// the very end, {"base64":"..."} as the last argument. Read as JSON it would be scanned and
// copied character by character, most of a large save's time; base64 holds nothing to unescape,
// so it is taken as it stands. Only base64's own characters: with them taken out, the rest is
// JSON exactly when the whole text is.
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
    if (start > end || !std::all_of(text.begin() + start, text.begin() + end, IsBase64Character)) {
        return std::nullopt;
    }
    return std::pair(start, end);
}

const Json& EmptyBytes() {
    static const Json kEmpty = {{"base64", ""}};
    return kEmpty;
}

// How many objects {"base64":""} `value` holds, itself included; the reader bounds the depth.
std::size_t EmptyBytesCount(const Json& value) {
    if (value == EmptyBytes()) {
        return 1;
    }
    std::size_t count = 0;
    if (value.is_structured()) {
        for (const Json& item : value) {
            count += EmptyBytesCount(item);
        }
    }
    return count;
}

// Whether the bytes taken out of the text belonged to the last argument. The text ends with
// them, so they belonged to the last array of the call, which is its arguments as the page's
// script writes them; another array written last, or a second "args", leaves another
// {"base64":""} at the arguments' end, or none.
bool BytesAreLastArgument(const Json& root) {
    const auto args = root.find("args");
    return args != root.end() && args->is_array() && !args->empty() &&
           args->back() == EmptyBytes() && EmptyBytesCount(root) == 1;
}

std::string Dump(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::variant<PageCall, RefusedCall, IgnoredCall> Refused(std::string_view text, Failure failure) {
    if (std::optional<Json> id = IdAtOpening(text)) {
        return RefusedCall{std::move(*id), std::move(failure)};
    }
    return IgnoredCall{};
}

}  // namespace

std::variant<PageCall, RefusedCall, IgnoredCall> ReadCall(std::string text, std::string_view key) {
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos) {
        text.resize(nul);
    }
    std::optional<std::pair<std::size_t, std::size_t>> bytes = TrailingBase64(text);
    std::variant<Json, JsonFault> read = JsonFault::Malformed;
    if (bytes) {
        read = ReadJson((text.substr(0, bytes->first) + text.substr(bytes->second)).c_str());
        const Json* root = std::get_if<Json>(&read);
        if (root && (!root->is_object() || !BytesAreLastArgument(*root))) {
            bytes.reset();
        }
    }
    if (!bytes) {
        read = ReadJson(text.c_str());
    }
    if (const JsonFault* fault = std::get_if<JsonFault>(&read)) {
        return Refused(
            text, {FailureKind::InvalidArgument,
                   *fault == JsonFault::TooDeep ? "the call is nested more than " +
                                                      std::to_string(kMaxJsonDepth) + " levels deep"
                                                : "the call is not valid JSON"});
    }
    Json& root = std::get<Json>(read);
    if (!root.is_object() || !root.contains("id") || !root.contains("key") || root["key"] != key) {
        return IgnoredCall{};
    }
    PageCall call;
    call.id = std::move(root["id"]);
    if (root.contains("method") && root["method"].is_string()) {
        call.method = root["method"].get<std::string>();
    }
    call.args =
        root.contains("args") && root["args"].is_array() ? std::move(root["args"]) : Json::array();
    if (bytes) {
        // The text itself becomes the base64: no copy of a large save.
        text.resize(bytes->second);
        text.erase(0, bytes->first);
        if (call.method == "files.write" && call.args.size() == 2) {
            call.dataBase64 = std::move(text);
        } else {
            call.args.back()["base64"] = std::move(text);
        }
    }
    return call;
}

std::optional<Json> IdAtOpening(std::string_view text) {
    constexpr std::string_view kId = R"("id":)";
    if (!text.starts_with(kHostCallOpening) ||
        !text.substr(kHostCallOpening.size()).starts_with(kId)) {
        return std::nullopt;
    }
    text.remove_prefix(kHostCallOpening.size() + kId.size());
    std::uint64_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    // Followed by the next member, as the script writes it: "id":1.5 is not the call 1.
    if (error != std::errc() || end == text.data() || end == text.data() + text.size() ||
        *end != ',') {
        return std::nullopt;
    }
    return Json(id);
}

Base64Bytes::Base64Bytes(std::string_view bytes) : text_(EncodeBase64(bytes)) {}

std::string ReplyText(const Json& id, CallResult result) {
    if (const Base64Bytes* bytes = std::get_if<Base64Bytes>(&result)) {
        // Members in the order dump() gives every other reply.
        constexpr std::string_view kResult = R"(,"result":{"base64":")";
        constexpr std::string_view kEnd = R"("},"type":"tessaly-reply"})";
        std::string text = R"({"id":)" + Dump(id);
        text.reserve(text.size() + kResult.size() + bytes->text().size() + kEnd.size());
        text += kResult;
        text += bytes->text();
        text += kEnd;
        return text;
    }
    Json reply = {{"type", "tessaly-reply"}, {"id", id}};
    if (Failure* failure = std::get_if<Failure>(&result)) {
        reply["error"] = {{"name", FailureName(*failure)},
                          {"message", std::move(failure->message)}};
    } else {
        reply["result"] = std::move(std::get<Json>(result));
    }
    return Dump(reply);
}

std::string EventText(std::string_view extension, const Json& event) {
    return Dump({{"type", "tessaly-event"}, {"extension", extension}, {"event", event}});
}

}  // namespace tessaly
