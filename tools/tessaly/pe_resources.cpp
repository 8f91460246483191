#include "tessaly/pe_resources.h"

#include <algorithm>
#include <fstream>
#include <map>

#include "tessaly/file_names.h"
#include "tessaly/little_endian.h"

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kSecurityDirectory = 4;
constexpr std::uint32_t kRelocationDirectory = 5;
constexpr std::uint32_t kLargestHeaders = 64 * 1024;
constexpr std::uint32_t kLargestResources = 64 * 1024 * 1024;
constexpr std::size_t kChunk = std::size_t{1} << 20;

std::uint64_t AlignUp(std::uint64_t value, std::uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

bool IsPowerOfTwo(std::uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

void CopyRange(std::ifstream& in, std::ofstream& out, std::uint64_t offset, std::uint64_t size) {
    std::vector<char> buffer(kChunk);
    in.seekg(std::streamoff(offset));
    while (size > 0) {
        const std::size_t count = std::size_t(std::min<std::uint64_t>(size, buffer.size()));
        if (!in.read(buffer.data(), std::streamsize(count)) ||
            !out.write(buffer.data(), std::streamsize(count))) {
            throw std::runtime_error("cannot copy the program's sections");
        }
        size -= count;
    }
}

// Reads the three levels of a resource directory: type, name, language.
class TreeReader {
  public:
    TreeReader(std::string_view section, std::uint32_t base) : section_(section), base_(base) {}

    std::vector<Resource> Read() {
        std::vector<Resource> resources;
        Resource resource;
        ReadLevel(0, 0, resource, resources);
        return resources;
    }

  private:
    void Need(std::uint64_t offset, std::uint64_t size) const {
        if (offset + size > section_.size()) {
            throw PeFileError("has a resource directory that runs past its section");
        }
    }

    ResourceKey Key(std::uint32_t field) const {
        if ((field & 0x80000000u) == 0) {
            if (field > 0xFFFF) {
                throw PeFileError("has a resource number out of range");
            }
            return {std::uint16_t(field), {}};
        }
        const std::uint32_t offset = field & 0x7FFFFFFFu;
        Need(offset, 2);
        const std::uint16_t length = Get16(section_, offset);
        Need(offset + 2, std::uint64_t(length) * 2);
        ResourceKey key;
        for (std::uint32_t i = 0; i < length; ++i) {
            key.text.push_back(char16_t(Get16(section_, offset + 2 + i * 2)));
        }
        if (key.text.empty()) {
            throw PeFileError("has a resource with an empty name");
        }
        return key;
    }

    void ReadLevel(std::uint32_t offset, int level, Resource& resource,
                   std::vector<Resource>& resources) {
        Need(offset, 16);
        const std::uint32_t count =
            std::uint32_t(Get16(section_, offset + 12)) + Get16(section_, offset + 14);
        Need(offset + 16, std::uint64_t(count) * 8);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t entry = offset + 16 + i * 8;
            const ResourceKey key = Key(Get32(section_, entry));
            const std::uint32_t target = Get32(section_, entry + 4);
            const bool directory = (target & 0x80000000u) != 0;
            if (directory != (level < 2)) {
                throw PeFileError("has a resource directory that is not three levels deep");
            }
            if (level == 0) {
                resource.type = key;
            } else if (level == 1) {
                resource.name = key;
            } else if (!key.text.empty()) {
                throw PeFileError("has a resource language that is a name");
            } else {
                resource.language = key.number;
            }
            if (directory) {
                ReadLevel(target & 0x7FFFFFFFu, level + 1, resource, resources);
            } else {
                Need(target, 16);
                const std::uint32_t rva = Get32(section_, target);
                const std::uint32_t size = Get32(section_, target + 4);
                if (rva < base_ || std::uint64_t(rva - base_) + size > section_.size()) {
                    throw PeFileError("has resource data outside its resource section");
                }
                resource.codePage = Get32(section_, target + 8);
                resource.data = std::string(section_.substr(rva - base_, size));
                resources.push_back(resource);
            }
        }
    }

    std::string_view section_;
    std::uint32_t base_;
};

// A resource section holding `resources`, for loading at `base`: the directories, then the data
// entries, the names and the data.
std::string BuildTree(std::vector<Resource> resources, std::uint32_t base) {
    std::sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
        return std::tie(a.type, a.name, a.language) < std::tie(b.type, b.name, b.language);
    });
    using Languages = std::map<std::uint16_t, const Resource*>;
    using Names = std::map<ResourceKey, Languages>;
    std::map<ResourceKey, Names> tree;
    for (const Resource& resource : resources) {
        if (!tree[resource.type][resource.name].emplace(resource.language, &resource).second) {
            throw std::runtime_error("two resources with one type, name and language");
        }
    }
    auto directorySize = [](std::size_t entries) { return 16 + 8 * std::uint64_t(entries); };
    std::uint64_t directories = directorySize(tree.size());
    for (const auto& [type, names] : tree) {
        directories += directorySize(names.size());
        for (const auto& [name, languages] : names) {
            directories += directorySize(languages.size());
        }
    }
    const std::uint64_t dataEntries = directories;
    std::uint64_t strings = dataEntries + 16 * std::uint64_t(resources.size());
    std::map<std::u16string, std::uint64_t> stringAt;
    std::uint64_t end = strings;
    for (const auto& [type, names] : tree) {
        if (!type.text.empty() && stringAt.emplace(type.text, end).second) {
            end += 2 + 2 * std::uint64_t(type.text.size());
        }
        for (const auto& [name, languages] : names) {
            if (!name.text.empty() && stringAt.emplace(name.text, end).second) {
                end += 2 + 2 * std::uint64_t(name.text.size());
            }
        }
    }
    std::uint64_t dataAt = AlignUp(end, 8);
    std::uint64_t total = dataAt;
    for (const Resource& resource : resources) {
        total = AlignUp(total + resource.data.size(), 8);
    }
    if (total > kLargestResources) {
        throw std::runtime_error("the resources would be too large");
    }

    std::string out(total, '\0');
    for (const auto& [text, at] : stringAt) {
        Put16(out, at, std::uint32_t(text.size()));
        for (std::size_t i = 0; i < text.size(); ++i) {
            Put16(out, at + 2 + 2 * i, text[i]);
        }
    }
    std::uint64_t nextDirectory = 0;
    std::uint64_t nextDataEntry = dataEntries;
    // Writes one directory header and returns where its entries go.
    auto directory = [&](std::size_t named, std::size_t numbered) {
        const std::uint64_t at = nextDirectory;
        Put16(out, at + 12, std::uint32_t(named));
        Put16(out, at + 14, std::uint32_t(numbered));
        nextDirectory += directorySize(named + numbered);
        return at + 16;
    };
    auto keyField = [&](const ResourceKey& key) {
        return key.text.empty() ? std::uint32_t(key.number)
                                : std::uint32_t(stringAt.at(key.text)) | 0x80000000u;
    };
    auto countNamed = [](const auto& map) {
        return std::size_t(std::count_if(
            map.begin(), map.end(), [](const auto& item) { return !item.first.text.empty(); }));
    };
    std::uint64_t typeEntry = directory(countNamed(tree), tree.size() - countNamed(tree));
    for (const auto& [type, names] : tree) {
        const std::uint64_t nameEntries =
            directory(countNamed(names), names.size() - countNamed(names));
        Put32(out, typeEntry, keyField(type));
        Put32(out, typeEntry + 4, std::uint32_t(nameEntries - 16) | 0x80000000u);
        typeEntry += 8;
        std::uint64_t nameEntry = nameEntries;
        for (const auto& [name, languages] : names) {
            std::uint64_t languageEntry = directory(0, languages.size());
            Put32(out, nameEntry, keyField(name));
            Put32(out, nameEntry + 4, std::uint32_t(languageEntry - 16) | 0x80000000u);
            nameEntry += 8;
            for (const auto& [language, resource] : languages) {
                Put32(out, languageEntry, language);
                Put32(out, languageEntry + 4, std::uint32_t(nextDataEntry));
                languageEntry += 8;
                Put32(out, nextDataEntry, base + std::uint32_t(dataAt));
                Put32(out, nextDataEntry + 4, std::uint32_t(resource->data.size()));
                Put32(out, nextDataEntry + 8, resource->codePage);
                nextDataEntry += 16;
                std::copy(resource->data.begin(), resource->data.end(), out.begin() + dataAt);
                dataAt = AlignUp(dataAt + resource->data.size(), 8);
            }
        }
    }
    // The directories are written depth-first above, so their entries point forward only.
    return out;
}

}  // namespace

PeResourceFile::PeResourceFile(const fs::path& exe) : path_(exe) {
    std::ifstream in(exe, std::ios::binary);
    std::error_code error;
    const std::uint64_t fileSize = fs::file_size(exe, error);
    if (!in || error) {
        throw PeFileError("cannot be read");
    }
    const PeFileHeader header = ReadPeFileHeader(in, fileSize);
    const std::uint32_t sectionCount = header.sectionCount;
    const std::uint32_t optionalSize = header.optionalHeaderSize;
    optionalHeader_ = header.at + 24;
    const std::uint64_t sectionTable = std::uint64_t(optionalHeader_) + optionalSize;
    const std::uint64_t headersEnd = sectionTable + 40 * std::uint64_t(sectionCount);
    if (headersEnd > fileSize || headersEnd > kLargestHeaders || optionalSize < 96) {
        throw PeFileError("is cut short or has headers that do not hold together");
    }
    std::string optional = ReadAt(in, optionalHeader_, 2);
    const std::uint16_t magic = Get16(optional, 0);
    if (magic != 0x10B && magic != 0x20B) {
        throw PeFileError("has an optional header of an unknown kind");
    }
    pe32Plus_ = magic == 0x20B;
    headers_ = ReadAt(in, 0, headersEnd);
    const std::uint32_t sizeOfHeaders = Get32(headers_, optionalHeader_ + 60);
    if (sizeOfHeaders < headersEnd || sizeOfHeaders > kLargestHeaders || sizeOfHeaders > fileSize) {
        throw PeFileError("is cut short or has headers that do not hold together");
    }
    headers_ = ReadAt(in, 0, sizeOfHeaders);
    sectionAlignment_ = Get32(headers_, optionalHeader_ + 32);
    fileAlignment_ = Get32(headers_, optionalHeader_ + 36);
    if (!IsPowerOfTwo(fileAlignment_) || !IsPowerOfTwo(sectionAlignment_) ||
        sectionAlignment_ < fileAlignment_) {
        throw PeFileError("has section alignments that do not hold together");
    }
    directories_ = optionalHeader_ + (pe32Plus_ ? 112 : 96);
    const std::uint32_t directoryCount = Get32(headers_, directories_ - 4);
    if (directoryCount <= kRelocationDirectory ||
        directories_ + 8 * std::uint64_t(directoryCount) > sectionTable) {
        throw PeFileError("has too few data directories for resources");
    }

    std::uint64_t rawEnd = sizeOfHeaders;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        Section section;
        section.header = std::uint32_t(sectionTable + 40 * i);
        section.virtualSize = Get32(headers_, section.header + 8);
        section.virtualAddress = Get32(headers_, section.header + 12);
        section.rawSize = Get32(headers_, section.header + 16);
        section.rawOffset = Get32(headers_, section.header + 20);
        if (section.rawSize > 0 && std::uint64_t(section.rawOffset) + section.rawSize > fileSize) {
            throw PeFileError("is cut short: a section's data lies past the end of the file");
        }
        if (!sections_.empty() && section.virtualAddress <= sections_.back().virtualAddress) {
            throw PeFileError("has sections out of address order");
        }
        if (section.rawSize > 0) {
            rawEnd =
                std::max<std::uint64_t>(rawEnd, std::uint64_t(section.rawOffset) + section.rawSize);
        }
        sections_.push_back(section);
    }
    auto directoryAt = [&](std::uint32_t index) {
        return std::pair(Get32(headers_, directories_ + 8 * index),
                         Get32(headers_, directories_ + 8 * index + 4));
    };
    if (directoryAt(kSecurityDirectory).second != 0) {
        throw PeFileError("is already signed; pack changes its resources before signing");
    }
    if (rawEnd < fileSize) {
        throw PeFileError("holds " + std::to_string(fileSize - rawEnd) +
                          " bytes after its last section, which pack cannot carry over");
    }
    const auto [resourceRva, resourceSize] = directoryAt(kResourceDirectory);
    auto contains = [](const Section& s, std::uint64_t rva) {
        return rva >= s.virtualAddress &&
               rva < std::uint64_t(s.virtualAddress) + std::max(s.virtualSize, s.rawSize);
    };
    const auto found =
        std::find_if(sections_.begin(), sections_.end(),
                     [&, rva = resourceRva](const Section& s) { return contains(s, rva); });
    if (resourceSize == 0 || found == sections_.end()) {
        throw PeFileError("has no resource section");
    }
    resourceSection_ = std::size_t(found - sections_.begin());
    const Section& resources = *found;
    if (resourceRva != resources.virtualAddress) {
        throw PeFileError("has its resource directory in the middle of a section");
    }
    // Only the base relocations may follow: nothing points into them but their directory.
    const auto [relocationRva, relocationSize] = directoryAt(kRelocationDirectory);
    for (std::size_t i = resourceSection_ + 1; i < sections_.size(); ++i) {
        const Section& after = sections_[i];
        const bool relocations = relocationSize != 0 && contains(after, relocationRva) &&
                                 i == resourceSection_ + 1 && i + 1 == sections_.size();
        if (!relocations) {
            const std::string name = headers_.substr(after.header, 8).c_str();
            throw PeFileError("has the section " + name +
                              " after its resources, which pack cannot move");
        }
        if (after.rawOffset < resources.rawOffset + resources.rawSize) {
            throw PeFileError("stores its sections out of order in the file");
        }
    }
    for (std::size_t i = 0; i < resourceSection_; ++i) {
        const Section& before = sections_[i];
        if (before.rawSize > 0 && before.rawOffset + before.rawSize > resources.rawOffset) {
            throw PeFileError("stores its sections out of order in the file");
        }
    }
    for (std::uint32_t i = 0; i < directoryCount; ++i) {
        const auto [rva, size] = directoryAt(i);
        if (i != kResourceDirectory && i != kRelocationDirectory && size != 0 &&
            std::uint64_t(rva) + size > resources.virtualAddress) {
            throw PeFileError("has data the loader finds at or after its resources");
        }
    }
    if (resources.rawSize > kLargestResources) {
        throw PeFileError("has a resource section too large to rewrite");
    }
    std::string section = ReadAt(in, resources.rawOffset, resources.rawSize);
    section.resize(std::max(resources.virtualSize, resources.rawSize), '\0');
    resources_ = TreeReader(section, resources.virtualAddress).Read();
}

void PeResourceFile::Write(const fs::path& out, const std::vector<Resource>& resources) const {
    const Section& old = sections_[resourceSection_];
    const std::string tree = BuildTree(resources, old.virtualAddress);
    const std::uint32_t treeRaw = std::uint32_t(AlignUp(tree.size(), fileAlignment_));

    std::string headers = headers_;
    std::vector<Section> placed = sections_;
    Section& section = placed[resourceSection_];
    section.virtualSize = std::uint32_t(tree.size());
    section.rawSize = treeRaw;
    std::uint64_t nextAddress =
        AlignUp(std::uint64_t(section.virtualAddress) + tree.size(), sectionAlignment_);
    std::uint64_t nextRaw = std::uint64_t(section.rawOffset) + treeRaw;
    for (std::size_t i = resourceSection_ + 1; i < placed.size(); ++i) {
        Section& moved = placed[i];
        const std::uint32_t shift = std::uint32_t(nextAddress) - moved.virtualAddress;
        const std::uint32_t relocations = directories_ + 8 * kRelocationDirectory;
        Put32(headers, relocations, Get32(headers, relocations) + shift);
        moved.virtualAddress = std::uint32_t(nextAddress);
        moved.rawOffset = std::uint32_t(nextRaw);
        nextAddress =
            AlignUp(nextAddress + std::max(moved.virtualSize, moved.rawSize), sectionAlignment_);
        nextRaw += moved.rawSize;
    }
    if (nextRaw > 0xFFFFFFFFu || nextAddress > 0xFFFFFFFFu) {
        throw std::runtime_error("the program would be too large");
    }
    for (const Section& s : placed) {
        Put32(headers, s.header + 8, s.virtualSize);
        Put32(headers, s.header + 12, s.virtualAddress);
        Put32(headers, s.header + 16, s.rawSize);
        Put32(headers, s.header + 20, s.rawOffset);
    }
    const std::uint32_t initializedData = optionalHeader_ + 8;
    Put32(headers, initializedData, Get32(headers, initializedData) + treeRaw - old.rawSize);
    Put32(headers, optionalHeader_ + 56, std::uint32_t(nextAddress));  // SizeOfImage
    Put32(headers, directories_ + 8 * kResourceDirectory, section.virtualAddress);
    Put32(headers, directories_ + 8 * kResourceDirectory + 4, std::uint32_t(tree.size()));
    const std::uint32_t checksum = optionalHeader_ + 64;
    Put32(headers, checksum, 0);

    {
        std::ifstream in(path_, std::ios::binary);
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        if (!in || !file) {
            throw std::runtime_error("cannot write " + Utf8Path(out));
        }
        file.write(headers.data(), std::streamsize(headers.size()));
        CopyRange(in, file, headers.size(), old.rawOffset - headers.size());
        std::string padded = tree;
        padded.resize(treeRaw, '\0');
        file.write(padded.data(), std::streamsize(padded.size()));
        for (std::size_t i = resourceSection_ + 1; i < placed.size(); ++i) {
            CopyRange(in, file, sections_[i].rawOffset, sections_[i].rawSize);
        }
        if (!file.flush()) {
            throw std::runtime_error("cannot write " + Utf8Path(out));
        }
    }
    const std::uint32_t sum = PeChecksum(out, checksum);
    std::fstream file(out, std::ios::binary | std::ios::in | std::ios::out);
    std::string field(4, '\0');
    Put32(field, 0, sum);
    file.seekp(checksum);
    if (!file.write(field.data(), 4) || !file.flush()) {
        throw std::runtime_error("cannot write " + Utf8Path(out));
    }
}

std::uint32_t PeChecksum(const fs::path& file, std::uint64_t checksumOffset) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> buffer(kChunk);
    std::uint64_t sum = 0;
    std::uint64_t length = 0;
    while (in) {
        in.read(buffer.data(), std::streamsize(buffer.size()));
        const std::size_t count = std::size_t(in.gcount());
        if (count % 2 != 0) {
            buffer[count] = 0;  // only the last read can be odd
        }
        for (std::size_t i = 0; i < count; i += 2) {
            const std::uint64_t at = length + i;
            if (at >= checksumOffset && at < checksumOffset + 4) {
                continue;
            }
            sum += std::uint8_t(buffer[i]) | std::uint32_t(std::uint8_t(buffer[i + 1])) << 8;
            sum = (sum & 0xFFFF) + (sum >> 16);
        }
        length += count;
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return std::uint32_t(sum + length);
}

}  // namespace tessaly::tool
