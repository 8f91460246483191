#include "tessaly/version_info.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "tessaly/little_endian.h"

namespace tessaly::tool {
namespace {

constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;

void Pad(std::string& bytes) {
    bytes.resize((bytes.size() + 3) / 4 * 4, '\0');
}

void AddText(std::string& bytes, std::u16string_view text) {
    for (const char16_t unit : text) {
        Add16(bytes, unit);
    }
    Add16(bytes, 0);
}

// One block: length, value length, type, key, then the value and the children, each starting
// on a 32-bit boundary. `valueLength` counts bytes for binary values and characters for text.
std::string Block(std::u16string_view key, std::string_view value, std::uint32_t valueLength,
                  bool text, const std::vector<std::string>& children) {
    std::string block(6, '\0');
    AddText(block, key);
    Pad(block);
    block += value;
    for (const std::string& child : children) {
        Pad(block);
        block += child;
    }
    block[0] = char(block.size() & 0xFF);
    block[1] = char((block.size() >> 8) & 0xFF);
    block[2] = char(valueLength & 0xFF);
    block[3] = char((valueLength >> 8) & 0xFF);
    block[4] = text ? 1 : 0;
    return block;
}

struct Node {
    std::u16string key;
    std::string_view value;
    std::vector<Node> children;
};

// A block and its children. A value's length counts characters when the block's type says it
// is text (1), bytes when binary (0).
Node ReadNode(std::string_view data, std::size_t at, std::size_t end) {
    if (at + 6 > end) {
        throw std::runtime_error("version information cut short");
    }
    const std::size_t length = Get16(data, at);
    const std::size_t valueLength = Get16(data, at + 2);
    if (length < 6 || at + length > end) {
        throw std::runtime_error("version information cut short");
    }
    end = at + length;
    Node node;
    std::size_t p = at + 6;
    for (; p + 2 <= end && Get16(data, p) != 0; p += 2) {
        node.key.push_back(char16_t(Get16(data, p)));
    }
    p = (p + 2 + 3) / 4 * 4;
    const std::size_t valueBytes = Get16(data, at + 4) == 1 ? valueLength * 2 : valueLength;
    if (p + valueBytes > end) {
        throw std::runtime_error("version information with a value past its block");
    }
    node.value = data.substr(p, valueBytes);
    p = (p + valueBytes + 3) / 4 * 4;
    while (p + 6 <= end) {
        node.children.push_back(ReadNode(data, p, end));
        p = (p + Get16(data, p) + 3) / 4 * 4;
    }
    return node;
}

VersionNumbers Numbers(std::uint32_t high, std::uint32_t low) {
    return {std::uint16_t(high >> 16), std::uint16_t(high), std::uint16_t(low >> 16),
            std::uint16_t(low)};
}

}  // namespace

std::optional<VersionNumbers> ParseVersion(std::string_view text) {
    const std::size_t suffix = std::min(text.find_first_of("-+"), text.size());
    const std::string_view numbers = text.substr(0, suffix);
    const std::string_view rest = text.substr(suffix);
    if (rest.size() == 1 || !std::all_of(rest.begin(), rest.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+';
        })) {
        return std::nullopt;
    }
    VersionNumbers parsed{};
    std::size_t count = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = std::min(numbers.find('.', start), numbers.size());
        const std::string_view part = numbers.substr(start, dot - start);
        unsigned value = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || count == 4 || error != std::errc() ||
            end != part.data() + part.size() || value > 0xFFFF) {
            return std::nullopt;
        }
        parsed[count++] = std::uint16_t(value);
        if (dot == numbers.size()) {
            return parsed;
        }
        start = dot + 1;
    }
}

std::string VersionText(const VersionNumbers& numbers) {
    return std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
           std::to_string(numbers[2]) + "." + std::to_string(numbers[3]);
}

const std::u16string* VersionInfo::String(std::u16string_view key) const {
    for (const auto& [name, value] : strings) {
        if (name == key) {
            return &value;
        }
    }
    return nullptr;
}

void VersionInfo::SetString(std::u16string_view key, std::u16string value) {
    for (auto& [name, old] : strings) {
        if (name == key) {
            old = std::move(value);
            return;
        }
    }
    strings.emplace_back(key, std::move(value));
}

std::string BuildVersionInfo(const VersionInfo& info) {
    std::string fixed;
    Add32(fixed, kFixedInfoSignature);
    Add32(fixed, 0x00010000);
    const auto& f = info.fileVersion;
    const auto& p = info.productVersion;
    Add32(fixed, std::uint32_t(f[0]) << 16 | f[1]);
    Add32(fixed, std::uint32_t(f[2]) << 16 | f[3]);
    Add32(fixed, std::uint32_t(p[0]) << 16 | p[1]);
    Add32(fixed, std::uint32_t(p[2]) << 16 | p[3]);
    Add32(fixed, info.fileFlagsMask);
    Add32(fixed, info.fileFlags);
    Add32(fixed, info.fileOs);
    Add32(fixed, info.fileType);
    Add32(fixed, info.fileSubtype);
    Add32(fixed, 0);
    Add32(fixed, 0);

    std::vector<std::string> strings;
    for (const auto& [key, value] : info.strings) {
        std::string text;
        AddText(text, value);
        strings.push_back(Block(key, text, std::uint32_t(value.size() + 1), true, {}));
    }
    const std::string table = Block(info.table, {}, 0, true, strings);
    const std::string stringInfo = Block(u"StringFileInfo", {}, 0, true, {table});
    std::string translation;
    const std::u16string& t = info.table;
    std::uint32_t language = 0x0409;
    std::uint32_t codePage = 1200;
    if (t.size() == 8) {
        const std::string hex(t.begin(), t.end());
        std::from_chars(hex.data(), hex.data() + 4, language, 16);
        std::from_chars(hex.data() + 4, hex.data() + 8, codePage, 16);
    }
    Add16(translation, language);
    Add16(translation, codePage);
    const std::string var = Block(u"Translation", translation, 4, false, {});
    const std::string varInfo = Block(u"VarFileInfo", {}, 0, true, {var});
    return Block(u"VS_VERSION_INFO", fixed, std::uint32_t(fixed.size()), false,
                 {stringInfo, varInfo});
}

VersionInfo ReadVersionInfo(std::string_view data) {
    const Node root = ReadNode(data, 0, data.size());
    if (root.key != u"VS_VERSION_INFO" || root.value.size() < 52 ||
        Get32(root.value, 0) != kFixedInfoSignature) {
        throw std::runtime_error("not version information");
    }
    VersionInfo info;
    const std::string_view v = root.value;
    info.fileVersion = Numbers(Get32(v, 8), Get32(v, 12));
    info.productVersion = Numbers(Get32(v, 16), Get32(v, 20));
    info.fileFlagsMask = Get32(v, 24);
    info.fileFlags = Get32(v, 28);
    info.fileOs = Get32(v, 32);
    info.fileType = Get32(v, 36);
    info.fileSubtype = Get32(v, 40);
    for (const Node& child : root.children) {
        if (child.key == u"StringFileInfo" && !child.children.empty()) {
            const Node& table = child.children.front();
            info.table = table.key;
            for (const Node& string : table.children) {
                std::u16string value;
                for (std::size_t i = 0; i + 1 < string.value.size(); i += 2) {
                    value.push_back(char16_t(Get16(string.value, i)));
                }
                while (!value.empty() && value.back() == u'\0') {
                    value.pop_back();
                }
                info.strings.emplace_back(string.key, std::move(value));
            }
        }
    }
    return info;
}

}  // namespace tessaly::tool
