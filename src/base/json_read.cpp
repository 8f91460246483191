#include "base/json_read.h"

#include "base/saturate.h"
#include "base/text.h"

namespace tessaly {
namespace {

const Json* FindMember(const Json& container, std::string_view key) {
    if (!container.is_object()) {
        return nullptr;
    }
    const auto it = container.find(key);
    return it == container.end() ? nullptr : &*it;
}

// Thrown from the reader's callback: it stops the reading at the first level too deep, before
// the levels below it are built.
struct NestedTooDeep {};

}  // namespace

std::variant<Json, JsonFault> ReadJson(const char* text) {
    // `depth` counts the containers around the one that starts.
    const auto depthCheck = [](int depth, Json::parse_event_t event, Json&) {
        if ((event == Json::parse_event_t::array_start ||
             event == Json::parse_event_t::object_start) &&
            depth >= kMaxJsonDepth) {
            throw NestedTooDeep();
        }
        return true;
    };
    try {
        Json value = Json::parse(text, depthCheck, /*allow_exceptions=*/false,
                                 /*ignore_comments=*/false);
        if (value.is_discarded()) {
            return JsonFault::Malformed;
        }
        return value;
    } catch (const NestedTooDeep&) {
        return JsonFault::TooDeep;
    }
}

std::u16string GetString(const Json& container, std::string_view key,
                         std::u16string_view fallback) {
    const Json* member = FindMember(container, key);
    if (!member || !member->is_string()) {
        return std::u16string(fallback);
    }
    return Utf8ToWide(member->get_ref<const std::string&>());
}

std::int32_t GetInt(const Json& container, std::string_view key, std::int32_t fallback) {
    const Json* member = FindMember(container, key);
    if (!member) {
        return fallback;
    }
    if (member->is_number_integer()) {
        // Covers signed and unsigned integers: both keep their low 32 bits.
        return static_cast<std::int32_t>(member->get<std::int64_t>());
    }
    if (member->is_number_float()) {
        return TruncateToInt32(member->get<double>());
    }
    return fallback;
}

bool GetBool(const Json& container, std::string_view key, bool fallback) {
    const Json* member = FindMember(container, key);
    if (!member || !member->is_boolean()) {
        return fallback;
    }
    return member->get<bool>();
}

}  // namespace tessaly
