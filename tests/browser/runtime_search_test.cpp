#include "browser/runtime_search.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "base/text.h"

namespace tessaly {
namespace {

constexpr char16_t kStableKey[] =
    u"Software\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
constexpr char16_t kBetaKey[] =
    u"Software\\Microsoft\\EdgeUpdate\\ClientState\\{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}";

// A registry, a file system and version resources made of maps; records what was asked.
class FakeSystem : public RuntimeSearchSystem {
  public:
    using Place = std::tuple<RegistryRoot, RegistryView, std::u16string>;
    std::map<Place, std::u16string> registry;  // EBWebView values
    std::set<std::u16string> files;
    std::map<std::u16string, std::u16string> versions;
    std::vector<Place> asked;

    std::optional<std::u16string> ReadRegistryString(RegistryRoot root, RegistryView view,
                                                     const std::u16string& key,
                                                     std::u16string_view value) override {
        EXPECT_EQ(value, u"EBWebView");
        asked.emplace_back(root, view, key);
        const auto found = registry.find({root, view, key});
        return found == registry.end() ? std::nullopt : std::optional(found->second);
    }
    bool FileExists(const std::u16string& path) override { return files.count(path) > 0; }
    std::u16string ProductVersion(const std::u16string& path) override {
        const auto found = versions.find(path);
        return found == versions.end() ? u"" : found->second;
    }
    std::u16string ExecutableFolder() override { return u"C:\\Apps\\Demo\\"; }
};

constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr auto HKCU = RegistryRoot::CurrentUser;
constexpr auto V32 = RegistryView::Bits32;
constexpr auto V64 = RegistryView::Bits64;

TEST(InstalledRuntimeLookups, AskMachineThenUserInBothViewsPerChannel) {
    const auto& lookups = InstalledRuntimeLookups();
    ASSERT_EQ(lookups.size(), 16u);  // four channels
    const std::tuple<RegistryRoot, RegistryView> order[] = {
        {HKLM, V32}, {HKLM, V64}, {HKCU, V32}, {HKCU, V64}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(std::tie(lookups[i].root, lookups[i].view), order[i]);
        EXPECT_EQ(lookups[i].key, kStableKey);
        EXPECT_EQ(lookups[i].channelSuffix, u"");
        EXPECT_EQ(lookups[4 + i].key, kBetaKey);
    }
    EXPECT_EQ(lookups[4].channelSuffix, u" beta");
    EXPECT_EQ(lookups[8].channelSuffix, u" dev");
    EXPECT_EQ(lookups[12].channelSuffix, u" canary");
}

TEST(ClientLibraryIn, PicksTheArchitectureFolder) {
    EXPECT_EQ(ClientLibraryIn(u"C:\\R\\1.2", ProcessArch::X86),
              u"C:\\R\\1.2\\EBWebView\\x86\\EmbeddedBrowserWebView.dll");
    EXPECT_EQ(ClientLibraryIn(u"C:\\R\\1.2\\", ProcessArch::X64),
              u"C:\\R\\1.2\\EBWebView\\x64\\EmbeddedBrowserWebView.dll");
    EXPECT_EQ(ClientLibraryIn(u"C:\\R", ProcessArch::Arm64),
              u"C:\\R\\EBWebView\\arm64\\EmbeddedBrowserWebView.dll");
}

TEST(ResolveRuntimeFolder, JoinsRelativeFoldersToTheExecutableFolder) {
    const std::u16string exe = u"C:\\Apps\\Demo\\";
    EXPECT_EQ(ResolveRuntimeFolder(u"webview2", exe), u"C:\\Apps\\Demo\\webview2");
    EXPECT_EQ(ResolveRuntimeFolder(u"..\\rt", exe), u"C:\\Apps\\Demo\\..\\rt");
    EXPECT_EQ(ResolveRuntimeFolder(u"D:\\rt", exe), u"D:\\rt");
    EXPECT_EQ(ResolveRuntimeFolder(u"D:/rt", exe), u"D:/rt");
    EXPECT_EQ(ResolveRuntimeFolder(u"\\\\server\\share\\rt", exe), u"\\\\server\\share\\rt");
}

TEST(VersionFromInstalledFolder, IsTheLastComponent) {
    EXPECT_EQ(VersionFromInstalledFolder(u"C:\\EdgeWebView\\Application\\120.0.2210.91"),
              u"120.0.2210.91");
    EXPECT_EQ(VersionFromInstalledFolder(u"C:\\EdgeWebView\\Application\\120.0.2210.91\\"),
              u"120.0.2210.91");
    EXPECT_EQ(VersionFromInstalledFolder(u"120.0"), u"120.0");
    EXPECT_EQ(VersionFromInstalledFolder(u"\\"), u"");
}

std::u16string Dll(std::u16string folder) {
    return ClientLibraryIn(folder, ProcessArch::X86);
}

TEST(FindRuntime, FindsTheInstalledRuntime) {
    const std::u16string machine = u"C:\\PF\\EdgeWebView\\Application\\120.0.1.2";
    const std::u16string user = u"C:\\Users\\u\\EdgeWebView\\Application\\121.0.3.4";
    const std::u16string beta = u"C:\\PF\\Edge Beta\\Application\\122.0.0.1";
    struct Case {
        const char* label;
        std::map<FakeSystem::Place, std::u16string> registry;
        std::set<std::u16string> files;
        std::optional<std::u16string> version;
        std::u16string library;
    } cases[] = {
        {"nothing installed", {}, {}, std::nullopt, u""},
        {"machine-wide, 32-bit view",
         {{{HKLM, V32, kStableKey}, machine}},
         {Dll(machine)},
         u"120.0.1.2",
         Dll(machine)},
        {"machine-wide, 64-bit view only",
         {{{HKLM, V64, kStableKey}, machine}},
         {Dll(machine)},
         u"120.0.1.2",
         Dll(machine)},
        {"per user", {{{HKCU, V32, kStableKey}, user}}, {Dll(user)}, u"121.0.3.4", Dll(user)},
        {"machine before user",
         {{{HKLM, V64, kStableKey}, machine}, {{HKCU, V32, kStableKey}, user}},
         {Dll(machine), Dll(user)},
         u"120.0.1.2",
         Dll(machine)},
        {"a machine value without its library falls through to the user",
         {{{HKLM, V32, kStableKey}, machine}, {{HKCU, V32, kStableKey}, user}},
         {Dll(user)},
         u"121.0.3.4",
         Dll(user)},
        {"an empty value is skipped",
         {{{HKLM, V32, kStableKey}, u""}, {{HKCU, V64, kStableKey}, user}},
         {Dll(user)},
         u"121.0.3.4",
         Dll(user)},
        {"the stable runtime before a preview channel",
         {{{HKLM, V32, kBetaKey}, beta}, {{HKCU, V64, kStableKey}, user}},
         {Dll(beta), Dll(user)},
         u"121.0.3.4",
         Dll(user)},
        {"a preview channel names itself",
         {{{HKLM, V32, kBetaKey}, beta}},
         {Dll(beta)},
         u"122.0.0.1 beta",
         Dll(beta)},
        {"a value naming a folder with no library",
         {{{HKLM, V32, kStableKey}, machine}},
         {},
         std::nullopt,
         u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FakeSystem system;
        system.registry = c.registry;
        system.files = c.files;
        const auto runtime = FindRuntime(system, u"", ProcessArch::X86);
        ASSERT_EQ(runtime.has_value(), c.version.has_value());
        if (runtime) {
            EXPECT_EQ(runtime->version, *c.version);
            EXPECT_EQ(runtime->clientLibrary, c.library);
            EXPECT_EQ(runtime->kind, RuntimeKind::Installed);
        }
    }
}

TEST(FindRuntime, FindsAShippedRuntimeInItsFolder) {
    const std::u16string shipped = Dll(u"C:\\Apps\\Demo\\webview2");
    const std::u16string absolute = Dll(u"D:\\Runtimes\\fixed");
    const std::u16string edge = Dll(u"C:\\PF\\Microsoft\\Edge\\Application\\120.0.1.2");
    struct Case {
        const char* label;
        std::u16string folder;
        std::map<std::u16string, std::u16string> versions;
        std::optional<std::u16string> version;
    } cases[] = {
        {"relative to the executable",
         u"webview2",
         {{shipped, u"119.0.2151.97"}},
         u"119.0.2151.97"},
        {"an empty folder", u"webview2", {}, std::nullopt},
        {"a library without a product version", u"webview2", {{shipped, u""}}, std::nullopt},
        {"absolute", u"D:\\Runtimes\\fixed", {{absolute, u"118.0.1"}}, u"118.0.1"},
        {"the Edge browser is refused",
         u"C:\\PF\\Microsoft\\Edge\\Application\\120.0.1.2",
         {{edge, u"120.0.1.2"}},
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FakeSystem system;
        system.versions = c.versions;
        system.registry[{HKLM, V32, kStableKey}] = u"C:\\installed\\1.0";  // never looked at
        system.files.insert(Dll(u"C:\\installed\\1.0"));
        const auto runtime = FindRuntime(system, c.folder, ProcessArch::X86);
        EXPECT_TRUE(system.asked.empty());
        ASSERT_EQ(runtime.has_value(), c.version.has_value());
        if (runtime) {
            EXPECT_EQ(runtime->version, *c.version);
            EXPECT_EQ(runtime->kind, RuntimeKind::Redistributable);
        }
    }
}

}  // namespace
}  // namespace tessaly
