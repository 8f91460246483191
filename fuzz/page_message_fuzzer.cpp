// Fuzzes the texts of the page's calls and of the program's replies. Input: a call's text, then,
// after the first NUL when there is one, what a native extension answers or sends as an event.
// A call read must be the call the whole text says, its bytes taken unread included; every reply
// written, whatever the result holds, must be JSON and carry the caller's id.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/base64.h"
#include "browser/page_messages.h"

namespace {

using namespace tessaly;

constexpr std::string_view kKey = "0123456789abcdef0123456789abcdef";

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The reply parses, strictly, and answers the call `id`; its parsed form, for more checks.
Json CheckReply(const Json& id, CallResult result) {
    const std::string text = ReplyText(id, std::move(result));
    Require(Json::accept(text));
    Json reply = Json::parse(text);
    Require(reply.is_object() && reply["type"] == "tessaly-reply" && reply["id"] == id);
    Require(reply.contains("result") != reply.contains("error"));
    return reply;
}

// A call read is what reading the whole text as JSON gives.
void CheckCall(std::string_view text, const PageCall& call) {
    const std::string whole(text);
    Require(Json::accept(whole));
    Json root = Json::parse(whole);  // members it lacks read as null
    Require(root.is_object() && root["key"] == kKey && root["id"] == call.id);
    Require(call.method == (root["method"].is_string() ? root["method"].get<std::string>() : ""));
    Json args = call.args;
    if (call.dataBase64) {
        Require(call.method == "files.write" && args.size() == 2 &&
                args[1] == Json{{"base64", ""}});
        args[1]["base64"] = *call.dataBase64;
    }
    Require(args == (root["args"].is_array() ? root["args"] : Json::array()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string_view callText = input.substr(0, nul);
    const std::string_view answer =
        nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);

    Json id = 7;
    const auto read = ReadCall(std::string(callText), kKey);
    if (const PageCall* call = std::get_if<PageCall>(&read)) {
        CheckCall(callText, *call);
        id = call->id;
    } else if (const RefusedCall* refused = std::get_if<RefusedCall>(&read)) {
        const std::optional<Json> opening = IdAtOpening(callText);
        Require(opening && *opening == refused->id);
        CheckReply(refused->id, refused->failure);
        id = refused->id;
    }

    // What an extension answers, as its answer reaches the page: JSON it gave, or its own error.
    const std::string answerText(answer);
    auto value = ReadJson(answerText.c_str());
    if (const Json* result = std::get_if<Json>(&value)) {
        Require(CheckReply(id, *result)["result"] == *result);
        const Json event = Json::parse(EventText("e", *result));
        Require(event["type"] == "tessaly-event" && event["event"] == *result);
    }
    CheckReply(id, Failure{FailureKind::Named, answerText, answerText});
    // Text that may not be UTF-8, as a file read as text.
    CheckReply(id, Json(answerText));
    Require(Json::accept(EventText(answerText, Json(answerText))));
    const Json bytes = CheckReply(id, Base64Bytes(answer))["result"];
    Require(bytes.size() == 1 && DecodeBase64(bytes["base64"].get<std::string>()) == answerText);
    return 0;
}
