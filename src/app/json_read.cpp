#include "app/json_read.h"

#include "app/saturate.h"
#include "app/text.h"

namespace tessaly {
namespace {

const Json* FindMember(const Json& container, std::string_view key) {
    if (!container.is_object()) {
        return nullptr;
    }
    const auto it = container.find(key);
    return it == container.end() ? nullptr : &*it;
}

}  // namespace

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
