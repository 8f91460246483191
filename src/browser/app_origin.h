// Where the Linux host's pages live, and the loopback address its media come from.
#pragma once

#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace tessaly {

// The origin of the app's pages in the Linux host: a scheme of the program's own, registered as
// secure, with a fixed host, so it is the same on every run and the app's local storage,
// IndexedDB and cookies are found again.
inline constexpr std::u16string_view kAppOrigin = u"tessaly://app/";
inline constexpr std::string_view kAppScheme = "tessaly";

// True when `uri` begins with kAppOrigin, unit for unit, as HasVirtualOriginPrefix tests the
// virtual origin.
bool HasAppOriginPrefix(std::u16string_view uri);

// The URI the content server answers for a page address: kAppOrigin replaced by the virtual
// origin, the rest kept as it is; nothing for an address outside kAppOrigin.
std::optional<std::u16string> VirtualUriOfAppUri(std::u16string_view uri);

// The browser engine cannot play media from the app's own scheme, so media elements load them
// from a listener on 127.0.0.1 instead. Its port changes from run to run, and every request
// path must begin with a token made fresh for each run, which only the app's pages are told: no
// other program or page can guess where the app's files are.

// A new token: 32 lowercase hexadecimal digits from 128 random bits.
std::string MakeAccessToken(std::random_device& random);

// The address media elements use instead of kAppOrigin: "http://127.0.0.1:PORT/TOKEN/".
std::string MediaBaseUrl(int port, std::string_view token);

// The URI the content server answers for an HTTP request target "/TOKEN/rest": the virtual
// origin followed by the rest, decoded from UTF-8; nothing when the target does not begin with
// this run's token and a slash.
std::optional<std::u16string> VirtualUriOfMediaTarget(std::string_view target,
                                                      std::string_view token);

}  // namespace tessaly
