#include "base/base64.h"

#include <array>
#include <cstdint>

namespace tessaly {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kNotBase64 = 0xFF;

constexpr std::array<std::uint8_t, 256> DecodingTable() {
    std::array<std::uint8_t, 256> table{};
    table.fill(kNotBase64);
    for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
        table[std::uint8_t(kAlphabet[i])] = std::uint8_t(i);
    }
    return table;
}
constexpr std::array<std::uint8_t, 256> kDecoding = DecodingTable();

}  // namespace

std::string EncodeBase64(std::string_view bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = std::uint32_t(std::uint8_t(bytes[i])) << 16 |
                                    std::uint32_t(std::uint8_t(bytes[i + 1])) << 8 |
                                    std::uint8_t(bytes[i + 2]);
        text += kAlphabet[group >> 18];
        text += kAlphabet[(group >> 12) & 63];
        text += kAlphabet[(group >> 6) & 63];
        text += kAlphabet[group & 63];
    }
    const std::size_t left = bytes.size() - i;
    if (left > 0) {
        std::uint32_t group = std::uint32_t(std::uint8_t(bytes[i])) << 16;
        if (left == 2) {
            group |= std::uint32_t(std::uint8_t(bytes[i + 1])) << 8;
        }
        text += kAlphabet[group >> 18];
        text += kAlphabet[(group >> 12) & 63];
        text += left == 2 ? kAlphabet[(group >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') {
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    }
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const std::size_t digits = last ? 4 - padding : 4;
        std::uint32_t group = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            std::uint8_t value = 0;
            if (j < digits) {
                value = kDecoding[std::uint8_t(text[i + j])];
                if (value == kNotBase64) {
                    return std::nullopt;
                }
            }
            group = group << 6 | value;
        }
        bytes += char(group >> 16);
        if (digits > 2) {
            bytes += char((group >> 8) & 0xFF);
        }
        if (digits > 3) {
            bytes += char(group & 0xFF);
        }
    }
    return bytes;
}

}  // namespace tessaly
