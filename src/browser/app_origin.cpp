#include "browser/app_origin.h"

#include "base/text.h"
#include "server/resource_response.h"

namespace tessaly {

bool HasAppOriginPrefix(std::u16string_view uri) {
    return uri.starts_with(kAppOrigin);
}

std::optional<std::u16string> VirtualUriOfAppUri(std::u16string_view uri) {
    if (!HasAppOriginPrefix(uri)) {
        return std::nullopt;
    }
    std::u16string virtualUri(VirtualOrigin);
    virtualUri += uri.substr(kAppOrigin.size());
    return virtualUri;
}

std::string MakeAccessToken(std::random_device& random) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string token;
    for (int word = 0; word < 4; ++word) {
        std::uint32_t bits = random();
        for (int digit = 0; digit < 8; ++digit, bits >>= 4) {
            token += kDigits[bits & 0xF];
        }
    }
    return token;
}

std::string MediaBaseUrl(int port, std::string_view token) {
    return "http://127.0.0.1:" + std::to_string(port) + "/" + std::string(token) + "/";
}

std::optional<std::u16string> VirtualUriOfMediaTarget(std::string_view target,
                                                      std::string_view token) {
    // Every character is compared, whatever the first difference, so the time an answer takes
    // tells nothing about how much of a guess was right.
    const std::size_t prefix = token.size() + 2;
    if (token.empty() || target.size() < prefix) {
        return std::nullopt;
    }
    unsigned difference = (target[0] ^ '/') | (target[prefix - 1] ^ '/');
    for (std::size_t i = 0; i < token.size(); ++i) {
        difference |= unsigned(target[i + 1] ^ token[i]);
    }
    if (difference != 0) {
        return std::nullopt;
    }
    return std::u16string(VirtualOrigin) + Utf8ToWide(target.substr(prefix));
}

}  // namespace tessaly
