#include "browser/web_message.h"

#include "base/json_read.h"
#include "base/text.h"

namespace tessaly {

void HandleWebMessage(std::u16string_view text, const std::function<void(bool)>& setFullscreen) {
    bool fullscreen = false;
    try {
        // As with package.json: strict, no comments, the document ends at the first NUL.
        const std::string utf8 = WideToUtf8(text);
        const Json root = Json::parse(utf8.c_str(), nullptr, /*allow_exceptions=*/true,
                                      /*ignore_comments=*/false);
        if (GetString(root, "type", u"") != u"set-fullscreen") {
            return;
        }
        fullscreen = GetBool(root, "fullscreen", false);
    } catch (...) {
        // Not a message for us: ignored without a word.
        return;
    }
    setFullscreen(fullscreen);
}

}  // namespace tessaly
