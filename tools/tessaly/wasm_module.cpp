#include "tessaly/wasm_module.h"

#include <cstdint>
#include <optional>

namespace tessaly::tool {
namespace {

// Reads the module's bytes front to back; every read past the end fails.
class Bytes {
  public:
    explicit Bytes(std::string_view bytes) : bytes_(bytes) {}

    std::optional<std::uint8_t> Byte() {
        if (at_ >= bytes_.size()) {
            return std::nullopt;
        }
        return std::uint8_t(bytes_[at_++]);
    }
    // An unsigned LEB128 number of at most 32 bits.
    std::optional<std::uint32_t> U32() {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            const std::optional<std::uint8_t> byte = Byte();
            if (!byte) {
                return std::nullopt;
            }
            value |= std::uint32_t(*byte & 0x7F) << shift;
            if ((*byte & 0x80) == 0) {
                return value;
            }
        }
        return std::nullopt;
    }
    bool Skip(std::size_t count) {
        if (count > bytes_.size() - at_) {
            return false;
        }
        at_ += count;
        return true;
    }
    bool Name() {
        const std::optional<std::uint32_t> length = U32();
        return length && Skip(*length);
    }
    // Limits of a table or memory; the flags byte, or nothing.
    std::optional<std::uint8_t> Limits() {
        const std::optional<std::uint8_t> flags = Byte();
        if (!flags || !U32() || ((*flags & 0x01) && !U32())) {
            return std::nullopt;
        }
        return flags;
    }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

constexpr std::string_view kHeader("\0asm\x01\0\0\0", 8);
constexpr std::uint8_t kImportSection = 2;
constexpr std::uint8_t kSharedFlag = 0x02;

}  // namespace

bool ImportsSharedMemory(std::string_view module) {
    if (!module.starts_with(kHeader)) {
        return false;
    }
    Bytes bytes(module.substr(kHeader.size()));
    // Sections until the import section: custom sections and the type section come before it.
    while (true) {
        const std::optional<std::uint8_t> id = bytes.Byte();
        const std::optional<std::uint32_t> size = id ? bytes.U32() : std::nullopt;
        if (!size) {
            return false;
        }
        if (*id == kImportSection) {
            break;
        }
        if ((*id != 0 && *id > kImportSection) || !bytes.Skip(*size)) {
            return false;  // past where imports would be
        }
    }
    const std::optional<std::uint32_t> count = bytes.U32();
    for (std::uint32_t i = 0; count && i < *count; ++i) {
        if (!bytes.Name() || !bytes.Name()) {
            return false;
        }
        const std::optional<std::uint8_t> kind = bytes.Byte();
        std::optional<std::uint8_t> flags;
        switch (kind.value_or(0xFF)) {
            case 0:  // function: a type index
            case 4:  // tag: an attribute, then a type index
                if ((*kind == 4 && !bytes.Byte()) || !bytes.U32()) {
                    return false;
                }
                break;
            case 1:  // table: a reference type, then limits
                if (!bytes.Byte() || !bytes.Limits()) {
                    return false;
                }
                break;
            case 2:  // memory: limits
                flags = bytes.Limits();
                if (!flags) {
                    return false;
                }
                if (*flags & kSharedFlag) {
                    return true;
                }
                break;
            case 3:  // global: a value type and mutability
                if (!bytes.Byte() || !bytes.Byte()) {
                    return false;
                }
                break;
            default:
                return false;
        }
    }
    return false;
}

}  // namespace tessaly::tool
