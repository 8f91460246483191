// Entry point of the Linux program: tessaly-host [APP], where APP is the app folder (package.json
// and www/), the program's own folder when not given.
#include <gtk/gtk.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/startup.h"
#include "base/file_bytes.h"
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

// The app folder, ending in '/': the one named on the command line, or the program's own.
std::u16string AppFolder(int argc, char** argv) {
    std::error_code error;
    std::filesystem::path folder =
        argc > 1 ? std::filesystem::absolute(argv[1], error)
                 : std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    return Utf8ToWide(folder.string()) + u"/";
}

std::string UserFolder(const char* base, const PackageSettings& settings) {
    return std::string(base) + "/tessaly/" + WideToUtf8(settings.name);
}

}  // namespace

int main(int argc, char** argv) {
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr,
                     "tessaly-host: cannot open a window: no display (DISPLAY or "
                     "WAYLAND_DISPLAY is not set, or the display cannot be reached)\n");
        return 1;
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr,
                     "Usage: tessaly-host [APP]\n"
                     "Runs the app in APP (a folder with package.json and www/), or the "
                     "one beside the program.\n");
        return 2;
    }
    const std::u16string folder = AppFolder(argc, argv);

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
    options.contentFolder = contentFolder;
    options.dataFolder = UserFolder(g_get_user_data_dir(), settings);
    options.cacheFolder = UserFolder(g_get_user_cache_dir(), settings);
    CreateBrowser(options);

    gtk_main();
    media.Stop();
    // A body the engine is still reading holds its own file open.
    ReleaseMappedFiles();
    return BrowserExitCode();
}
