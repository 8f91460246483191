#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"

namespace tessaly {
namespace {

// Records every step as a line of text and answers from a script.
class RecordingSteps : public StartupSteps {
  public:
    // The script.
    std::string packageText;  // what package.json holds; empty: missing
    void* fileIcon = nullptr;
    void* moduleIcon = nullptr;
    std::vector<bool> runtimeAnswers;  // one per query, in order; false once they run out
    bool classRegisters = true;
    bool windowCreated = true;
    int quitCode = 0;

    std::vector<std::string> log;

    void InitializeCom() override { Record("InitializeCom"); }
    std::u16string ModulePath() override {
        Record("ModulePath");
        return u"C:\\Apps\\Demo\\Demo.exe";
    }
    std::string ReadFileBytes(const std::u16string& path) override {
        Record("ReadFileBytes " + WideToUtf8(path));
        return packageText;
    }
    std::u16string LocalAppDataFolder() override {
        Record("LocalAppDataFolder");
        return u"C:\\Users\\u\\AppData\\Local";
    }
    void StartGdiplus() override { Record("StartGdiplus"); }
    void* LoadIconFromFile(const std::u16string& path) override {
        Record("LoadIconFromFile " + WideToUtf8(path));
        return fileIcon;
    }
    void* LoadModuleIcon() override {
        Record("LoadModuleIcon");
        return moduleIcon;
    }
    bool RuntimeAvailable(std::u16string_view folder) override {
        Record("RuntimeAvailable [" + WideToUtf8(folder) + "]");
        const bool answer = queries < runtimeAnswers.size() && runtimeAnswers[queries];
        ++queries;
        return answer;
    }
    void ShowMessage(std::u16string_view text, std::u16string_view caption,
                     MessageIcon icon) override {
        Record("ShowMessage " + std::string(icon == MessageIcon::Error ? "error" : "info") + " [" +
               WideToUtf8(caption) + "] " + WideToUtf8(text));
    }
    void InstallRuntime(const ProgramState& state) override {
        Record("InstallRuntime " + WideToUtf8(state.userDataFolder));
    }
    bool RegisterHostWindowClass(void* icon) override {
        Record("RegisterHostWindowClass " + IconName(icon));
        return classRegisters;
    }
    bool CreateHostWindow(const PackageSettings& settings) override {
        Record("CreateHostWindow " + WideToUtf8(settings.title));
        return windowCreated;
    }
    void CreateBrowserEnvironment(std::u16string_view folder, const ProgramState& state) override {
        Record("CreateBrowserEnvironment [" + WideToUtf8(folder) + "] " +
               WideToUtf8(state.userDataFolder));
    }
    int RunMessageLoop() override {
        Record("RunMessageLoop");
        return quitCode;
    }
    void ReleaseMappedFiles() override { Record("ReleaseMappedFiles"); }
    void ShutdownGdiplus() override { Record("ShutdownGdiplus"); }
    void ReleaseEnvironmentOptions() override { Record("ReleaseEnvironmentOptions"); }

    std::string IconName(void* icon) const {
        if (!icon) {
            return "null";
        }
        return icon == fileIcon ? "file-icon" : icon == moduleIcon ? "module-icon" : "other";
    }

  private:
    void Record(std::string line) { log.push_back(std::move(line)); }
    std::size_t queries = 0;
};

int FileIcon, ModuleIcon;  // their addresses serve as icon handles

const std::string kEvergreen = R"({"name": "Demo", "window": {"title": "Demo App"}})";
const std::string kFixed =
    R"({"name": "Demo", "window": {"title": "Demo App"},
        "settings": {"distribution-mode": "fixed"}})";
const std::string kCustomMessages =
    R"({"name": "Demo", "window": {"title": "Demo App"},
        "messages": {"install-webview2": "Get it?", "install-webview2-failed": "No luck."}})";

const std::string kPrologue[] = {
    "InitializeCom",
    "ModulePath",
    "ReadFileBytes C:\\Apps\\Demo\\package.json",
};
const std::string kConfigured[] = {"LocalAppDataFolder", "StartGdiplus", "LoadModuleIcon"};
const std::string kBox1 =
    "ShowMessage error [Windows Tessaly] Failed to load package.json. Check the file is in the "
    "same folder as the app.";
const std::string kBox2 =
    "ShowMessage error [Windows Tessaly] Failed to parse package.json. Check the file has valid "
    "JSON and that all parameters are correct.";
const std::string kBox3 =
    "ShowMessage info [Demo App] This app requires the Microsoft Edge WebView2 runtime. It will "
    "be downloaded and installed for you now.";
const std::string kBox4 =
    "ShowMessage error [Demo App] Failed to install the Microsoft Edge WebView2 runtime. Check "
    "that you have permission to install it, and that your Internet connection is working. Run "
    "the app again to try again.";
const std::string kBox5 =
    "ShowMessage error [Demo App] This app is set to \"fixed\" distribution mode, but the WebView2 "
    "control failed to initialize. Check there is a valid fixed distribution of Microsoft Edge "
    "WebView2 runtime in the \"webview2\" subfolder.";
const std::string kBox6 = "ShowMessage error [Windows Tessaly] Failed to register window class";
const std::string kBox7 = "ShowMessage error [Windows Tessaly] Failed to create window";
const std::string kInstall = "InstallRuntime C:\\Users\\u\\AppData\\Local\\Demo";
const std::string kEvergreenQuery = "RuntimeAvailable []";
const std::string kFixedQuery = "RuntimeAvailable [webview2]";
const std::string kRegister = "RegisterHostWindowClass null";
const std::string kCreate = "CreateHostWindow Demo App";
const std::string kRunning[] = {"RunMessageLoop", "ReleaseMappedFiles", "ShutdownGdiplus",
                                "ReleaseEnvironmentOptions"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}
template <std::size_t N>
std::vector<std::string> L(const std::string (&lines)[N]) {
    return {std::begin(lines), std::end(lines)};
}

struct Case {
    const char* label;
    std::string packageText;
    std::vector<bool> runtimeAnswers;
    bool classRegisters;
    bool windowCreated;
    int expectedExit;
    std::vector<std::string> expectedLog;
};

TEST(RunProgram, TakesEveryPathInOrder) {
    const std::string environmentEvergreen =
        "CreateBrowserEnvironment [] C:\\Users\\u\\AppData\\Local\\Demo";
    const std::string environmentFixed =
        "CreateBrowserEnvironment [webview2] C:\\Users\\u\\AppData\\Local\\Demo";
    const Case cases[] = {
        {"no package.json: box 1, before GDI+ and any window class",
         "",
         {},
         true,
         true,
         1,
         Join({L(kPrologue), {kBox1}})},
        {"malformed JSON: box 2", "{\"name\": ", {}, true, true, 1, Join({L(kPrologue), {kBox2}})},
        {"white space only: box 2", " \r\n\t", {}, true, true, 1, Join({L(kPrologue), {kBox2}})},
        {"a NUL byte only: box 2",
         std::string(1, '\0'),
         {},
         true,
         true,
         1,
         Join({L(kPrologue), {kBox2}})},
        {"empty name: box 2", R"({"name": ""})", {}, true, true, 1, Join({L(kPrologue), {kBox2}})},
        {"unknown distribution mode: box 2",
         R"({"name": "Demo", "settings": {"distribution-mode": "x"}})",
         {},
         true,
         true,
         1,
         Join({L(kPrologue), {kBox2}})},
        {"evergreen runtime present: no prompt, the loop runs",
         kEvergreen,
         {true},
         true,
         true,
         0,
         Join({L(kPrologue),
               L(kConfigured),
               {kEvergreenQuery, kRegister, kCreate},
               {environmentEvergreen},
               L(kRunning)})},
        {"evergreen runtime installed: no further message",
         kEvergreen,
         {false, true},
         true,
         true,
         0,
         Join({L(kPrologue),
               L(kConfigured),
               {kEvergreenQuery, kBox3, kInstall, kEvergreenQuery},
               {kRegister, kCreate, environmentEvergreen},
               L(kRunning)})},
        {"evergreen runtime still missing: box 4 before any window class",
         kEvergreen,
         {false, false},
         true,
         true,
         1,
         Join({L(kPrologue),
               L(kConfigured),
               {kEvergreenQuery, kBox3, kInstall, kEvergreenQuery, kBox4}})},
        {"fixed runtime missing: box 5, no prompt, no download",
         kFixed,
         {false},
         true,
         true,
         1,
         Join({L(kPrologue), L(kConfigured), {kFixedQuery, kBox5}})},
        {"fixed runtime present: webview2 folder to the environment",
         kFixed,
         {true},
         true,
         true,
         0,
         Join({L(kPrologue),
               L(kConfigured),
               {kFixedQuery, kRegister, kCreate, environmentFixed},
               L(kRunning)})},
        {"class not registered: box 6 with the fixed caption",
         kEvergreen,
         {true},
         false,
         true,
         1,
         Join({L(kPrologue), L(kConfigured), {kEvergreenQuery, kRegister, kBox6}})},
        {"window not created: box 7 with the fixed caption",
         kEvergreen,
         {true},
         true,
         false,
         1,
         Join({L(kPrologue), L(kConfigured), {kEvergreenQuery, kRegister, kCreate, kBox7}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        RecordingSteps steps;
        steps.packageText = c.packageText;
        steps.runtimeAnswers = c.runtimeAnswers;
        steps.classRegisters = c.classRegisters;
        steps.windowCreated = c.windowCreated;
        ProgramState state;
        EXPECT_EQ(RunProgram(steps, state), c.expectedExit);
        EXPECT_EQ(steps.log, c.expectedLog);
    }
}

TEST(RunProgram, InstallMessagesComeFromThePackage) {
    RecordingSteps steps;
    steps.packageText = kCustomMessages;
    ProgramState state;
    EXPECT_EQ(RunProgram(steps, state), 1);
    ASSERT_GE(steps.log.size(), 3u);
    const std::vector<std::string> tail(steps.log.end() - 4, steps.log.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{"ShowMessage info [Demo App] Get it?", kInstall,
                                        kEvergreenQuery, "ShowMessage error [Demo App] No luck."}));
}

TEST(RunProgram, ReturnsTheQuitCodeAfterTeardown) {
    RecordingSteps steps;
    steps.packageText = kEvergreen;
    steps.runtimeAnswers = {true};
    steps.quitCode = 7;
    ProgramState state;
    EXPECT_EQ(RunProgram(steps, state), 7);
    EXPECT_EQ(steps.log.back(), "ReleaseEnvironmentOptions");
}

TEST(RunProgram, FillsTheProgramState) {
    RecordingSteps steps;
    steps.packageText = R"({"name": "My\\App", "window": {"width": 640}})";
    steps.runtimeAnswers = {true};
    ProgramState state;
    ASSERT_EQ(RunProgram(steps, state), 0);
    EXPECT_EQ(state.programFolder, u"C:\\Apps\\Demo\\");
    EXPECT_EQ(state.settings.name, u"My\\App");
    EXPECT_EQ(state.settings.width, 640);
    EXPECT_EQ(state.userDataFolder, u"C:\\Users\\u\\AppData\\Local\\My\\App");
}

struct IconCase {
    const char* label;
    const char* iconMember;  // the "icon" member's JSON value, or null for none
    void* fileIcon;
    void* moduleIcon;
    std::vector<std::string> iconSteps;
    std::string registered;
};

TEST(RunProgram, ResolvesTheWindowIconBeforeTheRuntimeTest) {
    const IconCase cases[] = {
        {"no icon setting: the module's resource only",
         nullptr,
         nullptr,
         nullptr,
         {"LoadModuleIcon"},
         "RegisterHostWindowClass null"},
        {"an image file: its icon, no fallback",
         "\"assets\\\\icon.png\"",
         &FileIcon,
         &ModuleIcon,
         {"LoadIconFromFile C:\\Apps\\Demo\\assets\\icon.png"},
         "RegisterHostWindowClass file-icon"},
        {"no image: the module's resource",
         "\"icon.txt\"",
         nullptr,
         nullptr,
         {"LoadIconFromFile C:\\Apps\\Demo\\icon.txt", "LoadModuleIcon"},
         "RegisterHostWindowClass null"},
        {"no image but a module icon",
         "\"icon.txt\"",
         nullptr,
         &ModuleIcon,
         {"LoadIconFromFile C:\\Apps\\Demo\\icon.txt", "LoadModuleIcon"},
         "RegisterHostWindowClass module-icon"},
    };
    for (const IconCase& c : cases) {
        SCOPED_TRACE(c.label);
        RecordingSteps steps;
        steps.packageText =
            c.iconMember ? std::string(R"({"name": "D", "window": {"icon": )") + c.iconMember + "}}"
                         : R"({"name": "D"})";
        steps.fileIcon = c.fileIcon;
        steps.moduleIcon = c.moduleIcon;
        steps.runtimeAnswers = {true};
        ProgramState state;
        ASSERT_EQ(RunProgram(steps, state), 0);
        std::vector<std::string> expected = {"LocalAppDataFolder", "StartGdiplus"};
        expected.insert(expected.end(), c.iconSteps.begin(), c.iconSteps.end());
        expected.push_back(kEvergreenQuery);
        expected.push_back(c.registered);
        const std::vector<std::string> middle(steps.log.begin() + 3,
                                              steps.log.begin() + 3 + long(expected.size()));
        EXPECT_EQ(middle, expected);
        EXPECT_EQ(state.settings.iconHandle, c.fileIcon ? c.fileIcon : c.moduleIcon);
    }
}

}  // namespace
}  // namespace tessaly
