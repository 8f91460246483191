#include "tessaly/check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "gzip.h"
#include "library_headers.h"
#include "temp_folder.h"

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;
using AppFolder = test::TempFolder;
using namespace tessaly::test;  // the libraries' headers

constexpr Severity E = Severity::Error;
constexpr Severity W = Severity::Warning;
constexpr Severity N = Severity::Note;

// One diagnostic as a row expects it: every text in `parts` must be in the message.
struct Expected {
    Severity severity;
    std::string file;
    int line;
    int column;
    std::vector<std::string> parts;
};

struct BrokenApp {
    const char* label;
    std::function<void(AppFolder&)> make;  // changes the minimal working app
    std::vector<Expected> expected;        // in the order they are reported
};

void ExpectDiagnostics(const BrokenApp& app, const std::vector<Diagnostic>& found) {
    SCOPED_TRACE(app.label);
    std::string all;
    for (const Diagnostic& d : found) {
        all += FormatDiagnostic("APP", d) + "\n";
    }
    ASSERT_EQ(found.size(), app.expected.size()) << all;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const Expected& want = app.expected[i];
        EXPECT_EQ(found[i].severity, want.severity) << all;
        EXPECT_EQ(found[i].file, want.file) << all;
        EXPECT_EQ(found[i].line, want.line) << all;
        EXPECT_EQ(found[i].column, want.column) << all;
        for (const std::string& part : want.parts) {
            EXPECT_NE(found[i].message.find(part), std::string::npos)
                << "\"" << part << "\" not in: " << found[i].message;
        }
    }
}

void RunCases(const std::vector<BrokenApp>& cases) {
    for (const BrokenApp& broken : cases) {
        AppFolder app;
        app.Write("package.json", R"({"name": "demo"})");
        app.Write("www/index.html", "<!doctype html>");
        broken.make(app);
        ExpectDiagnostics(broken, CheckApp(app.path()).diagnostics);
    }
}

TEST(CheckApp, AcceptsAWorkingApp) {
    AppFolder app;
    app.Write("package.json", R"({"name": "demo", "window": {"icon": "art\\icon.png"},
                                  "settings": {"distribution-mode": "fixed"}})");
    app.Write("art/icon.png", "png");
    app.Write("webview2/msedgewebview2.exe", "exe");
    app.Write("www/index.html", "<!doctype html>");
    app.Write("www/Sub Folder/caf\xC3\xA9 #1.png", "png");
    const CheckResult result = CheckApp(app.path());
    EXPECT_TRUE(result.diagnostics.empty()) << FormatDiagnostic("APP", result.diagnostics[0]);
    ASSERT_TRUE(result.settings);
    EXPECT_EQ(result.settings->name, u"demo");
    EXPECT_EQ(result.settings->distributionMode, DistributionMode::Fixed);
}

// A module that imports a function and a memory with the flags given (3: shared, 1: not).
std::string WasmImportingMemory(char flags) {
    using namespace std::string_literals;
    return "\0asm\x01\0\0\0"s + "\0\x03\x01n\0"s  // a custom section
           + "\x01\x04\x01\x60\0\0"s              // types: () -> ()
           + "\x02\x18\x02"s                      // imports: two
           +
           "\x03"
           "env\x01"
           "f\0\0"s  // env.f, function of type 0
           +
           "\x03"
           "env\x06memory\x02"s +
           flags + "\x01\x02"s;  // env.memory, 1 to 2 pages
}

TEST(CheckApp, KnowsWhatGameExportsNeed) {
    constexpr auto kIsolated = R"({"name": "demo", "settings": {"cross-origin-isolation": true}})";
    RunCases({
        {"a compressed build, whose threaded module is compressed too",
         [](AppFolder& a) {
             a.Write("www/Build/g.loader.js", "");
             a.Write("www/Build/g.wasm.gz", test::Gzipped(WasmImportingMemory('\x03')));
             a.Write("www/Build/g.data.br", "");
             a.Write("www/Build/other.data.gz", "");  // no loader of its own
         },
         {{N, "www/Build/g.loader.js", 0, 0, {"(g.data.br, g.wasm.gz)", "decoded"}},
          {W,
           "www/Build/g.wasm.gz",
           0,
           0,
           {"threaded build", "\"cross-origin-isolation\": true"}}}},
        {"a threaded module, and one whose memory is not shared",
         [](AppFolder& a) {
             a.Write("www/t.wasm", WasmImportingMemory('\x03'));
             a.Write("www/u.wasm", WasmImportingMemory('\x01'));
             a.Write("www/cut.wasm", WasmImportingMemory('\x03').substr(0, 40));
         },
         {{W, "www/t.wasm", 0, 0, {"threaded build"}}}},
        {"isolation, with other origins' content in the start page",
         [=](AppFolder& a) {
             a.Write("package.json", kIsolated);
             a.Write("www/t.wasm", WasmImportingMemory('\x03'));
             a.Write("www/index.html",
                     "<!doctype html>\n<img src=\"art/logo.png\">\n"
                     "<script async SRC='https://cdn.example/ads.js'></script>\n"
                     "  <iframe width=560 src=//video.example/embed/1></iframe>\n");
         },
         {{W, "www/index.html", 3, 1, {"https://cdn.example/ads.js", "Resource-Policy"}},
          {W, "www/index.html", 4, 3, {"//video.example/embed/1", "framed page"}}}},
        {"isolation that is not a boolean",
         [](AppFolder& a) {
             a.Write("package.json",
                     R"({"name": "demo", "settings": {"cross-origin-isolation": 1}})");
         },
         {{W, "package.json", 0, 0, {"\"settings.cross-origin-isolation\" is a number", "false"}}}},
    });
}

TEST(CheckApp, ReportsSyntaxErrorsWhereTheyAre) {
    RunCases({
        {"a comma before a closing brace",
         [](AppFolder& a) {
             a.Write("package.json", "{\"name\": \"demo\",\n  \"window\": {\"width\": 800,}\n}");
         },
         {{E, "package.json", 2, 27, {"syntax error", "unexpected '}'"}}}},
        {"columns count characters, not bytes",
         [](AppFolder& a) {
             a.Write("package.json",
                     "{\"name\": \"Gr\xC3\xBC\xC3\x9F"
                     "e\",\n"
                     "  \"title\": \"\xC3\x9Cn\xC3\xAF"
                     "c\xC3\xB6"
                     "d\xC3\xA9\" x}");
         },
         {{E, "package.json", 2, 22, {"syntax error"}}}},
        {"the end of the text",
         [](AppFolder& a) { a.Write("package.json", "{\"name\": \"demo\""); },
         {{E, "package.json", 1, 16, {"unexpected end of input"}}}},
        {"a byte-order mark takes no column",
         [](AppFolder& a) { a.Write("package.json", "\xEF\xBB\xBF{\"name\": 'demo'}"); },
         {{E, "package.json", 1, 10, {"syntax error"}}}},
        {"a comment",
         [](AppFolder& a) { a.Write("package.json", "{\"name\": \"demo\"} // x"); },
         {{E, "package.json", 1, 18, {"syntax error"}}}},
        {"no package.json",
         [](AppFolder& a) { fs::remove(a.path() / "package.json"); },
         {{E, "package.json", 0, 0, {"missing"}}}},
        {"an empty package.json",
         [](AppFolder& a) { a.Write("package.json", ""); },
         {{E, "package.json", 0, 0, {"empty"}}}},
    });
}

TEST(CheckApp, ExplainsTheLoadersFaults) {
    RunCases({
        {"a top-level array",
         [](AppFolder& a) { a.Write("package.json", "[1]"); },
         {{E, "package.json", 0, 0, {"invalid name", "top-level value is an array"}}}},
        {"no name",
         [](AppFolder& a) { a.Write("package.json", "{}"); },
         {{E, "package.json", 0, 0, {"invalid name", "\"name\" is missing"}}}},
        {"an empty name",
         [](AppFolder& a) { a.Write("package.json", R"({"name": ""})"); },
         {{E, "package.json", 0, 0, {"invalid name", "\"name\" is empty"}}}},
        // After a bad name the rest of the document is still checked, and the start page too.
        {"a number for a name, and a mode in capitals",
         [](AppFolder& a) {
             a.Write("package.json",
                     R"({"name": 7, "main": "start.html",
                         "settings": {"distribution-mode": "Fixed"}})");
         },
         {{E, "package.json", 0, 0, {"invalid name", "\"name\" is a number, not a string"}},
          {E, "package.json", 0, 0, {"invalid distribution mode", "\"Fixed\"", "lower case"}}}},
        {"a bad name, then a missing start page",
         [](AppFolder& a) { a.Write("package.json", R"({"name": "", "main": "start.html"})"); },
         {{E, "package.json", 0, 0, {"invalid name"}},
          {E,
           "package.json",
           0,
           0,
           {"start page \"start.html\"", "www/start.html does not exist"}}}},
        {"what pack writes into the program's version information, malformed",
         [](AppFolder& a) {
             a.Write("package.json",
                     "{\"name\": \"demo\",\n  \"version\": \"v1.2\",\n  \"author\": "
                     "{\"email\": \"a@b\"},\n  \"copyright\": 2024, \"version\": \"1.70000\"}");
         },
         {{E, "package.json", 4, 33, {"\"version\" is \"1.70000\"", "such as \"1.2.3\""}},
          {W, "package.json", 3, 13, {"\"author\" holds no name"}},
          {W, "package.json", 4, 16, {"\"copyright\" is a number"}}}},
        {"what pack writes into the program's version information, well formed",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "demo", "version": "1.2.3-beta.1",
                 "author": "Ann Example <ann@example.com>", "copyright": "(c) Ann"})");
         },
         {}},
        {"a NUL byte ends the document",
         [](AppFolder& a) { a.Write("package.json", std::string("{\"name\": \"x\"}\n\0{", 16)); },
         {{W, "package.json", 2, 1, {"NUL byte", "nothing after it"}}}},
    });
}

TEST(CheckApp, WarnsAboutMembersThatFallBackToDefaults) {
    RunCases({
        {"members of the wrong type",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "demo", "main": ["index.html"],
                 "window": {"title": 5, "width": "800", "height": true, "resizable": 0,
                            "icon": null},
                 "chromium-args": false,
                 "settings": {"distribution-mode": 1, "enable-devtools": "no"},
                 "messages": {"downloading": {}}})");
         },
         {{W, "package.json", 0, 0, {"\"main\" is an array, not a string", "\"index.html\""}},
          {W, "package.json", 0, 0, {"\"window.title\" is a number", "\"Windows Tessaly\""}},
          {W, "package.json", 0, 0, {"\"window.width\" is a string, not a number", "1024"}},
          {W, "package.json", 0, 0, {"\"window.height\" is a boolean, not a number", "768"}},
          {W, "package.json", 0, 0, {"\"window.icon\" is null, not a string", "no icon"}},
          {W, "package.json", 0, 0, {"\"window.resizable\" is a number, not a boolean", "true"}},
          {W, "package.json", 0, 0, {"\"chromium-args\" is a boolean, not a string"}},
          {W,
           "package.json",
           0,
           0,
           {"\"settings.distribution-mode\" is a number", "\"evergreen\""}},
          {W, "package.json", 0, 0, {"\"settings.enable-devtools\" is a string", "true"}},
          {W,
           "package.json",
           0,
           0,
           {"\"messages.downloading\" is an object", "\"Downloading...\""}}}},
        {"containers that are not objects",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "demo", "window": [], "settings": "fixed"})");
         },
         {{W, "package.json", 0, 0, {"\"window\" is an array, not an object", "its default"}},
          {W, "package.json", 0, 0, {"\"settings\" is a string, not an object"}}}},
        {"numbers read otherwise than written",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "demo",
                 "window": {"width": 800.9, "height": 4294967297}})");
         },
         {{W, "package.json", 0, 0, {"\"window.width\" is 800.9", "uses 800 "}},
          {W, "package.json", 0, 0, {"\"window.height\" is 4294967297", "uses 1 "}}}},
        {"members in the wrong object",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "demo", "title": "Hi",
                 "window": {"chromium-args": "--x"}, "messages": {"enable-devtools": false}})");
         },
         {{W, "package.json", 0, 0, {"\"title\" at the top level is ignored", "\"window.title\""}},
          {W, "package.json", 0, 0, {"\"window.chromium-args\" is ignored", "\"chromium-args\""}},
          {W,
           "package.json",
           0,
           0,
           {"\"messages.enable-devtools\" is ignored", "\"settings.enable-devtools\""}}}},
        {"a name that cannot be a folder",
         [](AppFolder& a) { a.Write("package.json", R"({"name": "a:b"})"); },
         {{W, "package.json", 0, 0, {"\"a:b\" cannot be a Windows folder name", "':'"}}}},
    });
}

TEST(CheckApp, ReportsWhatTheProgramNeedsBesidePackageJson) {
    RunCases({
        {"no www folder",
         [](AppFolder& a) { fs::remove_all(a.path() / "www"); },
         {{E, "www", 0, 0, {"missing"}}}},
        {"a missing start page",
         [](AppFolder& a) { a.Write("package.json", R"({"name": "d", "main": "app/main.html"})"); },
         {{E, "package.json", 0, 0, {"\"app/main.html\"", "www/app/main.html does not exist"}}}},
        {"a start page that is a folder",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "d", "main": "app"})");
             a.Write("www/app/index.html", "");
         },
         {{E, "package.json", 0, 0, {"www/app is a folder"}}}},
        {"an empty start page",
         [](AppFolder& a) { a.Write("package.json", R"({"name": "d", "main": ""})"); },
         {{E, "package.json", 0, 0, {"names the www folder itself"}}}},
        // The browser resolves "." and ".." and reads backslashes as slashes; queries name no file.
        {"a start page the browser normalises",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "d", "main": ".\\app/../index.html?v=2#top"})");
         },
         {}},
        {"a missing icon",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "d", "window": {"icon": "art\\app.ico"}})");
         },
         {{E, "art/app.ico", 0, 0, {"icon \"art\\app.ico\" does not exist"}}}},
        {"an icon on another drive",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "d", "window": {"icon": "D:app.ico"}})");
         },
         {{E, "package.json", 0, 0, {"\"D:app.ico\"", "inside the app folder"}}}},
        {"an icon outside the app",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "d", "window": {"icon": "../app.ico"}})");
         },
         {{E, "package.json", 0, 0, {"\"../app.ico\"", "inside the app folder"}}}},
        {"an icon Windows cannot decode",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "d", "window": {"icon": "app.svg"}})");
             a.Write("app.svg", "<svg/>");
         },
         {{W, "app.svg", 0, 0, {"not an image format", "no icon"}}}},
        {"fixed mode without a runtime",
         [](AppFolder& a) {
             a.Write("package.json",
                     R"({"name": "d", "settings": {"distribution-mode": "fixed"}})");
         },
         {{E, "webview2", 0, 0, {"missing", "\"fixed\""}}}},
        {"a fixed runtime folder without the browser",
         [](AppFolder& a) {
             a.Write("package.json",
                     R"({"name": "d", "settings": {"distribution-mode": "fixed"}})");
             a.Write("webview2/readme.txt", "");
         },
         {{W, "webview2", 0, 0, {"no msedgewebview2.exe"}}}},
        {"a runtime folder in evergreen mode",
         [](AppFolder& a) { a.Write("webview2/x.dll", ""); },
         {{W, "webview2", 0, 0, {"not packed", "\"evergreen\""}}}},
    });
}

TEST(CheckApp, ReportsWhatKeepsExtensionsFromLoading) {
    RunCases({
        {"libraries that load, one of them inside www/",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "demo", "extensions": [
                 {"name": "echo-1_A", "windows-x86": "ext\\echo32.dll",
                  "windows-x64": "ext/echo64.dll", "linux-x64": "ext/libecho.so"},
                 {"name": "web", "linux-x64": "www/lib/libweb.so"}]})");
             a.Write("ext/echo32.dll", PeHeaders(kI386));
             a.Write("ext/echo64.dll", PeHeaders(kAmd64));
             a.Write("ext/libecho.so", ElfHeader());
             a.Write("www/lib/libweb.so", ElfHeader());
         },
         {}},
        {"names and paths the program refuses",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "demo", "extensions": [
                 {"name": "b@d", "linux-x64": "none.so"}, {"windows-x64": "none.dll"},
                 {"name": "echo", "linux-x64": "../libecho.so", "windows-x86": "C:\\echo.dll",
                  "windows-x64": "ext/./echo.dll"},
                 {"name": "echo", "linux-x64": "none.so"}]})");
         },
         {{E, "package.json", 0, 0, {"\"extensions[0]\": the name \"b@d\" may hold only"}},
          {E, "package.json", 0, 0, {"\"extensions[1]\": the name \"\" may hold only"}},
          {E, "package.json", 0, 0, {"extension \"echo\": the path \"../libecho.so\" for linux"}},
          {E, "package.json", 0, 0, {"\"ext/./echo.dll\" for windows-x64", "inside the app"}},
          {E, "package.json", 0, 0, {"\"C:\\echo.dll\" for windows-x86", "inside the app"}},
          {E, "package.json", 0, 0, {"\"extensions[3]\": an earlier extension is also named"}}}},
        {"libraries missing on every platform",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "demo", "extensions": [{"name": "echo",
                 "windows-x86": "a.dll", "windows-x64": "b.dll", "linux-x64": "lib\\c.so"}]})");
         },
         {{E, "lib/c.so", 0, 0, {"the linux-x64 library of extension \"echo\": no such file"}},
          {E, "b.dll", 0, 0, {"the windows-x64 library", "no such file"}},
          {E, "a.dll", 0, 0, {"the windows-x86 library", "no such file"}}}},
        {"Windows libraries of the wrong kind",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "demo", "extensions": [
                 {"name": "a", "windows-x86": "a.dll"}, {"name": "b", "windows-x64": "b.dll"},
                 {"name": "c", "windows-x64": "c.exe"}, {"name": "d", "windows-x64": "d.dll"},
                 {"name": "f", "windows-x64": "f.so"}, {"name": "g", "windows-x86": "g.dll"}]})");
             a.Write("a.dll", PeHeaders(kAmd64));
             a.Write("b.dll", PeHeaders(kI386));
             a.Write("c.exe", PeHeaders(kAmd64, false));
             a.Write("d.dll", PeHeaders(0xAA64));
             a.Write("f.so", ElfHeader());
             a.Write("g.dll", "MZ, and nothing else of a program");
         },
         {{E, "a.dll", 0, 0, {"a 64-bit x64 DLL, but \"windows-x86\" needs a 32-bit x86 DLL"}},
          {E, "b.dll", 0, 0, {"a 32-bit x86 DLL, but \"windows-x64\" needs a 64-bit x64 DLL"}},
          {E, "c.exe", 0, 0, {"a 64-bit x64 PE image that is not a DLL", "needs a 64-bit x64"}},
          {E, "d.dll", 0, 0, {"a 64-bit ARM64 DLL, but"}},
          {E, "f.so", 0, 0, {"an ELF file of ELFCLASS64", "but \"windows-x64\" needs"}},
          {E, "g.dll", 0, 0, {"neither a PE (Windows) nor an ELF (Linux) file, but"}}}},
        {"Linux libraries of the wrong kind",
         [](AppFolder& a) {
             std::string json = R"({"name": "demo", "extensions": [)";
             for (const char* name : {"a", "b", "c", "d", "e", "f", "g"}) {
                 json += std::string(name == std::string("a") ? "" : ",") + R"({"name": ")" + name +
                         R"(", "linux-x64": ")" + name + R"(.so"})";
             }
             a.Write("package.json", json + "]}");
             a.Write("a.so", ElfHeader(kElfClass32));
             a.Write("b.so", ElfHeader(kElfClass64, kElfShared, 183));
             a.Write("c.so", ElfHeader(kElfClass64, kElfExecutable));
             a.Write("d.so", ElfHeader(kElfClass64, kElfShared, kElfX86_64, true));
             a.Write("e.so", ElfHeader(kElfClass64, kElfShared, 243));
             a.Write("f.so", PeHeaders(kElfX86_64));  // a machine number ELF's, not PE's
             a.Write("g.so", ElfHeader().substr(0, 19));
         },
         {{E,
           "a.so",
           0,
           0,
           {"an ELF file of ELFCLASS32, ELFDATA2LSB, EM_X86_64 (62) and ET_DYN, but "
            "\"linux-x64\" needs an ELF shared library of ELFCLASS64, ELFDATA2LSB, EM_X86_64 "
            "(62) and ET_DYN"}},
          {E, "b.so", 0, 0, {"ELFCLASS64, ELFDATA2LSB, EM_AARCH64 (183) and ET_DYN, but"}},
          {E, "c.so", 0, 0, {"EM_X86_64 (62) and ET_EXEC, but"}},
          {E, "d.so", 0, 0, {"ELFDATA2MSB, EM_X86_64 (62) and ET_DYN, but"}},
          {E, "e.so", 0, 0, {"e_machine 243 and"}},
          {E, "f.so", 0, 0, {"a DLL for machine 0x003E, but \"linux-x64\" needs an ELF"}},
          {E, "g.so", 0, 0, {"neither a PE (Windows) nor an ELF (Linux) file"}}}},
        {"extensions that are not a list",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "demo", "extensions": {"name": "echo"}})");
         },
         {{W, "package.json", 0, 0, {"\"extensions\" is a JSON object, not an array"}}}},
        {"what the program leaves out of the list",
         [](AppFolder& a) {
             a.Write("package.json", R"({"name": "demo", "extensions": [7,
                 {"name": "a", "windows-arm64": "a.dll", "linux-x86": "a.so",
                  "windwos-x64": "a.dll", "linux-x64": null, "windows-x64": 5},
                 {"name": "b"}]})");
         },
         {{W, "package.json", 0, 0, {"\"extensions[0]\" is a JSON number, not an object"}},
          {W, "package.json", 0, 0, {"\"extensions[1].linux-x64\" is a JSON null, not a string"}},
          {W, "package.json", 0, 0, {"\"extensions[1]\" has a member \"linux-x86\""}},
          {W,
           "package.json",
           0,
           0,
           {"has a member \"windows-arm64\" the program does not read; it reads \"name\", "
            "\"windows-x86\", \"windows-x64\" and \"linux-x64\""}},
          {W, "package.json", 0, 0, {"\"extensions[1].windows-x64\" is a JSON number"}},
          {W, "package.json", 0, 0, {"has a member \"windwos-x64\""}},
          {W, "package.json", 0, 0, {"\"extensions[2]\" names no library for any platform"}}}},
    });
}

#ifndef _WIN32
// Names Windows cannot hold can only be made where the file system allows them.
TEST(CheckApp, ReportsFilesTheProgramCanNeverServe) {
    RunCases({
        {"names that differ only in letter case",
         [](AppFolder& a) {
             a.Write("www/img/Logo.png", "1");
             a.Write("www/img/logo.png", "2");
             a.Write("www/img/LOGO.PNG", "3");
         },
         {{E, "www/img/Logo.png", 0, 0, {"differs from www/img/LOGO.PNG only in letter case"}},
          {E, "www/img/logo.png", 0, 0, {"differs from www/img/LOGO.PNG"}}}},
        {"folders that differ only in letter case are reported once",
         [](AppFolder& a) {
             a.Write("www/Media/a.ogg", "1");
             a.Write("www/media/a.ogg", "2");
             a.Write("www/media/b.ogg", "3");
         },
         {{E, "www/media", 0, 0, {"differs from www/Media", "the files in this folder"}}}},
        {"names Windows forbids or reads otherwise",
         [](AppFolder& a) {
             a.Write("www/a:b.js", "");
             a.Write("www/notes.", "");
             a.Write("www/aux.js", "");
             a.Write("www/CON/x.js", "");  // the folder is reported, not each file in it
             a.Write("www/what?.txt", "");
             a.Write("www/tab\t.txt", "");
         },
         {{E, "www/CON", 0, 0, {"\"CON\"", "device", "the files in this folder"}},
          {E, "www/a:b.js", 0, 0, {"\"a:b.js\" holds ':'"}},
          {E, "www/aux.js", 0, 0, {"\"aux.js\"", "device"}},
          {E, "www/notes.", 0, 0, {"ends with a dot or a space"}},
          {E, "www/tab\t.txt", 0, 0, {"control character"}},
          {E, "www/what?.txt", 0, 0, {"holds '?'"}}}},
        {"a name that is not UTF-8",
         [](AppFolder& a) { std::ofstream(a.path() / "www" / std::string("\xFF.png")) << "x"; },
         {{E, "www/\xEF\xBF\xBD.png", 0, 0, {"not valid Unicode"}}}},
        {"links to folders and broken links",
         [](AppFolder& a) {
             a.Write("shared/lib.js", "");
             fs::create_directory_symlink(a.path() / "shared", a.path() / "www" / "lib");
             fs::create_symlink(a.path() / "nowhere", a.path() / "www" / "gone.js");
         },
         {{W, "www/gone.js", 0, 0, {"neither a file nor a folder"}},
          {W, "www/lib", 0, 0, {"link to a folder"}}}},
    });
}
#endif

}  // namespace
}  // namespace tessaly::tool
