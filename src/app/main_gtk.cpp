// Entry point of the Linux program. A packed program (package.json beside it) runs its own app
// and hands every argument to the page; otherwise it is tessaly-host APP [ARGS...], where APP is
// the app folder (package.json and www/) and ARGS go to the page.
#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/startup.h"
#include "base/file_bytes.h"
#include "base/language_tag.h"
#include "base/text.h"
#include "browser/browser_gtk.h"
#include "browser/content_answer.h"
#include "browser/media_listener.h"
#include "config/package_settings.h"
#include "server/mapped_file_cache.h"
#include "server/resource_response.h"
#include "window/host_window_gtk.h"

namespace {

using namespace tessaly;

constexpr std::u16string_view kStartPageMissingText =
    u"Failed to load the start page. Check that the file named by \"main\" in package.json is in "
    u"the www folder.";

std::filesystem::path ProgramFolder() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

// An argument as UTF-8 the page can read: bytes that are not UTF-8 become U+FFFD.
std::string ArgumentText(const char* argument) {
    return WideToUtf8(Utf8ToWide(argument));
}

std::string UserFolder(const char* base, const PackageSettings& settings) {
    return std::string(base) + "/tessaly/" + WideToUtf8(settings.name);
}

}  // namespace

int main(int argc, char** argv) {
    // GTK is given no arguments: every one belongs to the app, GTK's own options among them.
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr,
                     "tessaly-host: cannot open a window: no display (DISPLAY or "
                     "WAYLAND_DISPLAY is not set, or the display cannot be reached)\n");
        return 1;
    }
    // GTK has taken the user's locale, decimal comma and all. Numbers keep the "C" form: the
    // extensions' C runtimes read and write their JSON with strtod and printf. Texts, dates and
    // messages stay the user's.
    std::setlocale(LC_NUMERIC, "C");
    std::error_code error;
    const std::filesystem::path programFolder = ProgramFolder();
    const bool packed = std::filesystem::exists(programFolder / "package.json", error);
    if (!packed && (argc < 2 || argv[1][0] == '-')) {
        std::fprintf(stderr,
                     "Usage: tessaly-host APP [ARGS...]\n"
                     "Runs the app in APP (a folder with package.json and www/) and hands ARGS "
                     "to its page.\n");
        return 2;
    }
    const int firstPageArg = packed ? 1 : 2;
    const std::u16string folder =
        Utf8ToWide((packed ? programFolder : std::filesystem::absolute(argv[1], error)).string()) +
        u"/";

    const std::string packageText = ReadFileBytes(folder + u"package.json");
    if (packageText.empty()) {
        ShowErrorMessage(kPackageMissingText, kFixedCaption);
        return 1;
    }
    PackageSettings settings;
    try {
        LoadPackageSettings(packageText, settings);
    } catch (...) {
        ShowErrorMessage(kPackageInvalidText, kFixedCaption);
        return 1;
    }
    // Paths written for Windows read the same here.
    settings.mainPage = ReplaceAll(settings.mainPage, u"\\", u"/");
    const std::u16string contentFolder = folder + u"www/";
    const std::u16string startUri = std::u16string(VirtualOrigin) + settings.mainPage;
    const AnswerOptions answerOptions{.crossOriginIsolation = settings.crossOriginIsolation};
    if (AnswerContentRequest(startUri, std::nullopt, contentFolder, answerOptions).status != 200) {
        ShowErrorMessage(kStartPageMissingText, kFixedCaption);
        return 1;
    }
    g_set_prgname(WideToUtf8(settings.name).c_str());

    MediaListener media;
    BrowserOptions options;
    if (!media.Start(contentFolder, answerOptions)) {
        std::fprintf(stderr,
                     "tessaly-host: no loopback port for media; audio and video will "
                     "not play\n");
    }
    options.mediaBaseUrl = media.baseUrl();
    const std::string iconFile =
        settings.iconPath.empty() ? std::string()
                                  : WideToUtf8(folder + ReplaceAll(settings.iconPath, u"\\", u"/"));
    options.window = CreateHostWindow(settings, iconFile);
    options.settings = settings;
    options.appFolder = folder;
    options.contentFolder = contentFolder;
    options.dataFolder = UserFolder(g_get_user_data_dir(), settings);
    options.cacheFolder = UserFolder(g_get_user_cache_dir(), settings);
    AppFacts& facts = options.facts;
    facts.name = WideToUtf8(settings.name);
    facts.version = WideToUtf8(settings.version);
    facts.platform = "linux";
    facts.arch = ProgramArchitecture();
    for (int i = firstPageArg; i < argc; ++i) {
        facts.args.push_back(ArgumentText(argv[i]));
    }
    facts.language = UserLanguageTag([](const char* name) { return g_getenv(name); });
    if (IsUsableSaveFolderName(facts.name)) {
        facts.filesFolder = std::string(g_get_user_data_dir()) + "/" + facts.name + "/";
    }
    CreateBrowser(options);

    gtk_main();
    const int exitCode = FinishBrowser();
    media.Stop();
    // A body the engine is still reading holds its own file open.
    ReleaseMappedFiles();
    return exitCode;
}
