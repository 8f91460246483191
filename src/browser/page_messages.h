// The texts the page and the program exchange on the web-message channel. The page's script
// posts each call as
//     {"type":"tessaly-call","id":N,"key":"...","method":"files.write","args":[...]}
// and gets exactly one reply, with the same id and either a result or an error:
//     {"type":"tessaly-reply","id":N,"result":...}
//     {"type":"tessaly-reply","id":N,"error":{"name":"NotFound","message":"..."}}
// A native extension's event reaches the page as
//     {"type":"tessaly-event","extension":"name","event":...}
// Bytes travel as {"base64":"..."}. The key is the one the program put into its script, so a
// frame the script was not given cannot make calls.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "base/failure.h"
#include "base/json_read.h"

namespace tessaly {

// How every call's text begins; other messages ("set-fullscreen") are not calls.
inline constexpr std::string_view kHostCallOpening = R"({"type":"tessaly-call",)";
inline constexpr std::u16string_view kHostCallOpeningWide = uR"({"type":"tessaly-call",)";

// A call larger than the largest file in base64, with room for the rest, is refused unread, so
// a runaway page cannot make the program hold several copies of a huge text.
inline constexpr std::size_t kMaxCallBytes = 24 * 1024 * 1024;

struct PageCall {
    Json id;
    std::string method;
    Json args;  // an array
    // The data of files.write as base64 when it was taken out of the text unread; its argument
    // then reads {"base64":""}.
    std::optional<std::string> dataBase64;
};

// A call that cannot be read, answered by the id its text opens with.
struct RefusedCall {
    Json id;
    Failure failure;
};

// A text without a readable id, or without the program's key: the page gets no reply to it.
struct IgnoredCall {};

// Reads a call's text; the text's first NUL ends it.
std::variant<PageCall, RefusedCall, IgnoredCall> ReadCall(std::string text, std::string_view key);

// The id a call's text opens with, as the page's script writes it: a call refused unread (too
// large, or while the program is busy) still gets its one reply.
std::optional<Json> IdAtOpening(std::string_view text);

// Bytes for the page, as files.readBytes gives them: written into the reply around their base64
// text, never through the JSON writer, which would copy a large file character by character.
// Made only by encoding bytes, so the text holds nothing that needs escaping.
class Base64Bytes {
  public:
    explicit Base64Bytes(std::string_view bytes);
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

using CallResult = std::variant<Json, Base64Bytes, Failure>;

// The reply to the call `id`: always JSON, whatever the result holds (text that is not UTF-8
// becomes U+FFFD, as the page's own TextDecoder makes it). Throws only std::bad_alloc.
std::string ReplyText(const Json& id, CallResult result);

// The message that hands an extension's event to the page's listeners of that extension.
std::string EventText(std::string_view extension, const Json& event);

}  // namespace tessaly
