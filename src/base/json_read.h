// Reading a JSON member with a default. A member is present only when the container is an
// object holding the key; a member of another JSON type reads as absent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include <nlohmann/json.hpp>

namespace tessaly {

using Json = nlohmann::json;

// How deep JSON from outside the program (the page's calls, an extension's answers and events)
// may nest: copying and writing a value recurse once per level, and a thread's stack is small.
inline constexpr int kMaxJsonDepth = 128;

enum class JsonFault { Malformed, TooDeep };

// `text`, up to its first NUL, read as strict JSON (no comments) with at most kMaxJsonDepth
// arrays and objects inside one another; or what is wrong with it. Throws only std::bad_alloc.
std::variant<Json, JsonFault> ReadJson(const char* text);

// A JSON string member as UTF-16; an empty string is returned as it is, not as the default.
std::u16string GetString(const Json& container, std::string_view key, std::u16string_view fallback);

// A JSON number member as a signed 32-bit integer: integers keep their low 32 bits, numbers
// with a fraction or exponent are truncated toward zero (and saturate outside the range).
std::int32_t GetInt(const Json& container, std::string_view key, std::int32_t fallback);

// A JSON boolean member; numbers and texts such as "true" read as absent.
bool GetBool(const Json& container, std::string_view key, bool fallback);

}  // namespace tessaly
