#include "tessaly/branding.h"

#include <algorithm>

#include "base/json_read.h"
#include "base/text.h"
#include "tessaly/check.h"
#include "tessaly/file_names.h"
#include "tessaly/pe_resources.h"

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;

// The icon LoadIconW(module, IDI_APPLICATION) finds: the program's window falls back to it when
// its icon file cannot be loaded.
constexpr std::uint16_t kFallbackIconGroup = 32512;
constexpr std::uint16_t kEnglishUs = 0x0409;

bool IsType(const Resource& resource, std::uint16_t type) {
    return resource.type.text.empty() && resource.type.number == type;
}

ResourceKey Numbered(std::uint16_t number) {
    ResourceKey key;
    key.number = number;
    return key;
}

Resource MakeResource(std::uint16_t type, ResourceKey name, std::uint16_t language,
                      std::string data) {
    Resource resource;
    resource.type = Numbered(type);
    resource.name = std::move(name);
    resource.language = language;
    resource.data = std::move(data);
    return resource;
}

std::u16string Trimmed(std::u16string text) {
    TrimWhitespace(text);
    return text;
}

}  // namespace

std::u16string AuthorName(const Json& author) {
    if (author.is_object()) {
        return Trimmed(GetString(author, "name", u""));
    }
    if (!author.is_string()) {
        return {};
    }
    const std::u16string text = Utf8ToWide(author.get<std::string>());
    return Trimmed(text.substr(0, text.find_first_of(u"<(")));
}

Branding BrandingOf(const fs::path& app, const PackageSettings& settings,
                    const std::string& packageJson) {
    const Json root = Json::parse(packageJson.c_str(), nullptr, false, false);
    Branding branding;
    if (const std::optional<std::string> icon = IconPath(settings)) {
        branding.icon = app / PathFromUtf8(*icon);
    }
    const Json window = root.is_object() && root.contains("window") ? root["window"] : Json();
    branding.productName = Trimmed(GetString(window, "title", u""));
    if (branding.productName.empty()) {
        branding.productName = settings.name;
    }
    branding.internalName = settings.name;
    branding.originalFilename = ProgramFileName(settings.name);
    if (root.is_object() && root.contains("version") && root["version"].is_string() &&
        ParseVersion(root["version"].get<std::string>())) {
        branding.version = root["version"].get<std::string>();
    }
    if (root.is_object() && root.contains("author")) {
        branding.company = AuthorName(root["author"]);
    }
    branding.copyright = Trimmed(GetString(root, "copyright", u""));
    return branding;
}

void BrandProgram(const fs::path& exe, const Branding& branding, const fs::path& out) {
    std::optional<PeResourceFile> program;
    try {
        program.emplace(exe);
    } catch (const PeFileError& fault) {
        throw BrandError("the program " + Utf8Path(exe) + " " + fault.what());
    }
    std::vector<Resource> resources = program->resources();

    if (branding.icon) {
        std::vector<IconImage> images;
        try {
            images = IconImagesFromFile(*branding.icon);
        } catch (const IconError& fault) {
            throw BrandError("the icon " + Utf8Path(*branding.icon) + " " + fault.what());
        }
        const auto group = std::find_if(resources.begin(), resources.end(), [](const Resource& r) {
            return IsType(r, kGroupIconResource);
        });
        ResourceKey groupName;
        groupName.text = u"MAINICON";
        if (group != resources.end()) {
            groupName = group->name;
        }
        const std::uint16_t language = group == resources.end() ? kEnglishUs : group->language;
        std::erase_if(resources, [](const Resource& r) {
            return IsType(r, kGroupIconResource) || IsType(r, kIconResource);
        });
        for (std::size_t i = 0; i < images.size(); ++i) {
            resources.push_back(MakeResource(kIconResource, Numbered(std::uint16_t(i + 1)),
                                             language, images[i].data));
        }
        const std::string groupData = IconGroup(images, 1);
        resources.push_back(MakeResource(kGroupIconResource, groupName, language, groupData));
        if (groupName != Numbered(kFallbackIconGroup)) {
            resources.push_back(MakeResource(kGroupIconResource, Numbered(kFallbackIconGroup),
                                             language, groupData));
        }
    }

    const auto old = std::find_if(resources.begin(), resources.end(),
                                  [](const Resource& r) { return IsType(r, kVersionResource); });
    VersionInfo info;
    if (old != resources.end()) {
        try {
            info = ReadVersionInfo(old->data);
        } catch (const std::runtime_error& fault) {
            throw BrandError("the program " + Utf8Path(exe) + " has broken " + fault.what());
        }
    }
    VersionInfo branded;
    branded.fileFlagsMask = info.fileFlagsMask;
    branded.fileOs = info.fileOs;
    branded.fileType = info.fileType;
    branded.table = info.table;
    branded.fileVersion = info.fileVersion;
    branded.productVersion = info.productVersion;
    std::u16string fileVersion = info.String(u"FileVersion") ? *info.String(u"FileVersion") : u"";
    std::u16string productVersion =
        info.String(u"ProductVersion") ? *info.String(u"ProductVersion") : u"";
    if (branding.version) {
        branded.fileVersion = branded.productVersion = *ParseVersion(*branding.version);
        fileVersion = productVersion = Utf8ToWide(*branding.version);
    }
    if (!branding.company.empty()) {
        branded.SetString(u"CompanyName", branding.company);
    }
    branded.SetString(u"FileDescription", branding.productName);
    branded.SetString(u"FileVersion", fileVersion);
    branded.SetString(u"InternalName", branding.internalName);
    if (!branding.copyright.empty()) {
        branded.SetString(u"LegalCopyright", branding.copyright);
    }
    branded.SetString(u"OriginalFilename", branding.originalFilename);
    branded.SetString(u"ProductName", branding.productName);
    branded.SetString(u"ProductVersion", productVersion);
    Resource version =
        MakeResource(kVersionResource, Numbered(1), kEnglishUs, BuildVersionInfo(branded));
    if (old != resources.end()) {
        version.name = old->name;
        version.language = old->language;
        std::erase_if(resources, [](const Resource& r) { return IsType(r, kVersionResource); });
    }
    resources.push_back(std::move(version));

    try {
        program->Write(out, resources);
    } catch (const std::runtime_error& fault) {
        throw BrandError(fault.what());
    }
}

ProgramFace ReadProgramFace(const fs::path& exe) {
    try {
        const PeResourceFile program(exe);
        const std::vector<Resource>& resources = program.resources();
        ProgramFace face;
        const auto group = std::find_if(resources.begin(), resources.end(), [](const Resource& r) {
            return IsType(r, kGroupIconResource);
        });
        const auto version =
            std::find_if(resources.begin(), resources.end(),
                         [](const Resource& r) { return IsType(r, kVersionResource); });
        if (group == resources.end() || version == resources.end()) {
            throw BrandError("the program " + Utf8Path(exe) +
                             " has no icon or no version information");
        }
        std::vector<IconImage> images;
        for (const IconGroupEntry& entry : ReadIconGroup(group->data)) {
            const auto icon =
                std::find_if(resources.begin(), resources.end(), [&](const Resource& r) {
                    return IsType(r, kIconResource) && r.name == Numbered(entry.id);
                });
            if (icon == resources.end()) {
                throw BrandError("the program " + Utf8Path(exe) + " lacks an image of its icon");
            }
            images.push_back(entry.image);
            images.back().data = icon->data;
        }
        face.ico = IcoFile(images);
        face.version = ReadVersionInfo(version->data);
        return face;
    } catch (const BrandError&) {
        throw;
    } catch (const std::runtime_error& fault) {
        throw BrandError("the program " + Utf8Path(exe) + " " + fault.what());
    }
}

}  // namespace tessaly::tool
