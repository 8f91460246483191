#include "tessaly/pe_resources.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "temp_folder.h"

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::uint32_t Get32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | std::uint8_t(bytes[at + std::size_t(i)]);
    }
    return value;
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + std::size_t(i)] = char(value >> (8 * i));
    }
}

// Where the headers keep what the tests look at.
struct Headers {
    explicit Headers(const std::string& bytes) {
        optional = Get32(bytes, 0x3C) + 24;
        const bool plus = bytes[optional] == 0x0B && bytes[optional + 1] == 0x02;
        directories = optional + (plus ? 112 : 96);
        sections = optional + std::uint8_t(bytes[optional - 4]);
        count = std::uint8_t(bytes[optional - 18]);
    }
    std::size_t Directory(int index) const { return directories + 8 * std::size_t(index); }
    std::size_t optional, directories, sections, count;
};

TEST(PeResourceFile, RefusesWhatItCannotRewrite) {
    const std::string program = Contents(TESSALY_PROGRAM_32);
    const struct {
        const char* label;
        std::function<void(std::string&)> change;
        const char* message;
    } cases[] = {
        {"a text file", [](std::string& b) { b = "MZ but no program"; }, "not a Windows program"},
        {"a DOS header without a PE header", [](std::string& b) { b[Get32(b, 0x3C)] = 'X'; },
         "no PE signature"},
        {"a file cut short", [](std::string& b) { b.resize(b.size() / 2); }, "cut short"},
        {"a signed program", [](std::string& b) { Put32(b, Headers(b).Directory(4) + 4, 8); },
         "already signed"},
        {"no resources",
         [](std::string& b) {
             Put32(b, Headers(b).Directory(2), 0);
             Put32(b, Headers(b).Directory(2) + 4, 0);
         },
         "no resource section"},
        {"data after the last section", [](std::string& b) { b += "appended"; },
         "8 bytes after its last section"},
        {"a section after the resources that is not the relocations",
         [](std::string& b) { Put32(b, Headers(b).Directory(5) + 4, 0); },
         "the section .reloc after its resources"},
        {"a resource directory that runs out of its section",
         [](std::string& b) {
             const Headers h(b);
             for (std::size_t i = 0; i < h.count; ++i) {
                 const std::size_t section = h.sections + 40 * i;
                 if (b.compare(section, 5, ".rsrc") == 0) {
                     Put32(b, Get32(b, section + 20) + 12, 0xFFFF);  // named entries
                 }
             }
         },
         "runs past its section"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempFolder work;
        std::string bytes = program;
        c.change(bytes);
        work.Write("program.exe", bytes);
        try {
            PeResourceFile file(work.path() / "program.exe");
            ADD_FAILURE() << "accepted";
        } catch (const PeFileError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

TEST(PeResourceFile, ReplacesTheResourcesAndNothingElse) {
    for (const char* original : {TESSALY_PROGRAM_32, TESSALY_PROGRAM_64}) {
        SCOPED_TRACE(original);
        TempFolder work;
        const PeResourceFile file(original);
        EXPECT_EQ(file.is64Bit(), std::string(original).find("x86_64") != std::string::npos);
        std::vector<Resource> resources = file.resources();
        ASSERT_EQ(resources.size(), 4u);  // icon, icon group, version, manifest
        EXPECT_EQ(resources[1].name.text, u"MAINICON");
        // Large enough to push the relocations several pages on.
        Resource extra;
        extra.type.text = u"DATA";
        extra.name.number = 7;
        extra.language = 0x0409;
        extra.codePage = 1252;
        for (int i = 0; extra.data.size() < 100000; ++i) {
            extra.data += char(i * 31 + i / 256);
        }
        resources.insert(resources.begin(), extra);
        resources[2].data += "longer";
        const fs::path out = work.path() / "out.exe";
        file.Write(out, resources);

        const PeResourceFile rewritten(out);
        ASSERT_EQ(rewritten.resources().size(), resources.size());
        for (const Resource& resource : resources) {
            const auto found = std::find_if(
                rewritten.resources().begin(), rewritten.resources().end(), [&](const Resource& r) {
                    return r.type == resource.type && r.name == resource.name &&
                           r.language == resource.language && r.codePage == resource.codePage &&
                           r.data == resource.data;
                });
            EXPECT_NE(found, rewritten.resources().end());
        }

        const std::string before = Contents(original);
        const std::string after = Contents(out);
        const Headers h(before);
        std::size_t resourceRaw = 0;
        std::uint32_t relocationsBefore = 0;
        std::uint32_t relocationsAfter = 0;
        for (std::size_t i = 0; i < h.count; ++i) {
            const std::size_t section = h.sections + 40 * i;
            if (before.compare(section, 5, ".rsrc") == 0) {
                resourceRaw = Get32(before, section + 20);
            }
            if (before.compare(section, 6, ".reloc") == 0) {
                EXPECT_EQ(Get32(after, section + 8), Get32(before, section + 8));
                EXPECT_EQ(
                    after.compare(Get32(after, section + 20), Get32(after, section + 16), before,
                                  Get32(before, section + 20), Get32(before, section + 16)),
                    0)
                    << "the relocations changed on their way";
                relocationsBefore = Get32(before, section + 12);
                relocationsAfter = Get32(after, section + 12);
            }
        }
        ASSERT_GT(resourceRaw, 0u);
        EXPECT_GT(relocationsAfter, relocationsBefore);
        EXPECT_EQ(Get32(after, h.Directory(5)) - relocationsAfter,
                  Get32(before, h.Directory(5)) - relocationsBefore);
        const std::size_t sizeOfHeaders = Get32(before, h.optional + 60);
        EXPECT_EQ(after.compare(sizeOfHeaders, resourceRaw - sizeOfHeaders, before, sizeOfHeaders,
                                resourceRaw - sizeOfHeaders),
                  0)
            << "the code or data before the resources changed";
        EXPECT_EQ(Get32(after, h.optional + 56) - Get32(before, h.optional + 56),
                  relocationsAfter - relocationsBefore)
            << "SizeOfImage";
        EXPECT_EQ(Get32(after, h.optional + 64), PeChecksum(out, h.optional + 64));
        EXPECT_NE(Get32(after, h.optional + 64), Get32(before, h.optional + 64));
    }
}

}  // namespace
}  // namespace tessaly::tool
