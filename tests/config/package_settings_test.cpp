#include "config/package_settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "base/text.h"

namespace tessaly {

void PrintTo(const PackageSettings& s, std::ostream* os) {
    *os << "{name=" << WideToUtf8(s.name) << " main=" << WideToUtf8(s.mainPage)
        << " title=" << WideToUtf8(s.title) << " " << s.width << "x" << s.height
        << " icon=" << WideToUtf8(s.iconPath) << " resizable=" << s.resizable
        << " args=" << WideToUtf8(s.chromiumArgs) << " mode=" << int(s.distributionMode)
        << " devtools=" << s.enableDevTools << " isolation=" << s.crossOriginIsolation
        << " prompt=" << WideToUtf8(s.installPromptMessage)
        << " downloading=" << WideToUtf8(s.downloadingMessage)
        << " failed=" << WideToUtf8(s.installFailedMessage) << "}";
}

bool operator==(const PackageSettings& a, const PackageSettings& b) {
    return a.name == b.name && a.mainPage == b.mainPage && a.title == b.title &&
           a.width == b.width && a.height == b.height && a.iconPath == b.iconPath &&
           a.iconHandle == b.iconHandle && a.resizable == b.resizable &&
           a.chromiumArgs == b.chromiumArgs && a.distributionMode == b.distributionMode &&
           a.enableDevTools == b.enableDevTools &&
           a.crossOriginIsolation == b.crossOriginIsolation &&
           a.installPromptMessage == b.installPromptMessage &&
           a.downloadingMessage == b.downloadingMessage &&
           a.installFailedMessage == b.installFailedMessage;
}

namespace {

using namespace std::string_literals;

// What a document holding only {"name": "Demo"} loads as.
PackageSettings Defaults() {
    PackageSettings s;
    s.name = u"Demo";
    s.mainPage = u"index.html";
    s.title = u"Windows Tessaly";
    s.width = 1024;
    s.height = 768;
    s.resizable = true;
    s.distributionMode = DistributionMode::Evergreen;
    s.enableDevTools = true;
    s.installPromptMessage = std::u16string(kDefaultInstallPrompt);
    s.downloadingMessage = u"Downloading...";
    s.installFailedMessage = std::u16string(kDefaultInstallFailed);
    return s;
}

struct LoadCase {
    const char* label;
    std::string json;
    std::function<void(PackageSettings&)> expect;  // edits the defaults into the expectation
};

TEST(LoadPackageSettings, ReadsValuesAndFallsBackToDefaults) {
    const LoadCase cases[] = {
        {"only a name", R"({"name":"Demo"})", [](auto&) {}},
        {"every member",
         R"({"name":"Demo","main":"start/page.html","chromium-args":"--mute-audio",
             "window":{"title":"Démo","width":800,"height":600,"icon":"icon.png","resizable":false},
             "settings":{"distribution-mode":"fixed","enable-devtools":false,
                         "cross-origin-isolation":true},
             "messages":{"install-webview2":"p","downloading":"d","install-webview2-failed":"f"}})",
         [](auto& s) {
             s.mainPage = u"start/page.html";
             s.chromiumArgs = u"--mute-audio";
             s.title = u"D\u00E9mo";
             s.width = 800;
             s.height = 600;
             s.iconPath = u"icon.png";
             s.resizable = false;
             s.distributionMode = DistributionMode::Fixed;
             s.enableDevTools = false;
             s.crossOriginIsolation = true;
             s.installPromptMessage = u"p";
             s.downloadingMessage = u"d";
             s.installFailedMessage = u"f";
         }},
        {"window is an array", R"({"name":"Demo","window":[1,2]})", [](auto&) {}},
        {"window is a string", R"({"name":"Demo","window":"big"})", [](auto&) {}},
        {"settings and messages null", R"({"name":"Demo","settings":null,"messages":null})",
         [](auto&) {}},
        {"width with a fraction", R"({"name":"Demo","window":{"width":800.9,"height":-1.5}})",
         [](auto& s) {
             s.width = 800;
             s.height = -1;
         }},
        {"width with an exponent", R"({"name":"Demo","window":{"width":1e3}})",
         [](auto& s) { s.width = 1000; }},
        {"width as text or boolean", R"({"name":"Demo","window":{"width":"800","height":true}})",
         [](auto&) {}},
        {"zero and negative sizes kept", R"({"name":"Demo","window":{"width":0,"height":-20}})",
         [](auto& s) {
             s.width = 0;
             s.height = -20;
         }},
        {"integer beyond 32 bits keeps its low bits",
         R"({"name":"Demo","window":{"width":4294968320,"height":-4294967297}})",
         [](auto& s) {
             s.width = 1024;  // 2^32 + 1024
             s.height = -1;   // -(2^32 + 1)
         }},
        {"huge floats saturate", R"({"name":"Demo","window":{"width":1e300,"height":-1e300}})",
         [](auto& s) {
             s.width = 2147483647;
             s.height = -2147483647 - 1;
         }},
        {"resizable 0 is not false", R"({"name":"Demo","window":{"resizable":0}})", [](auto&) {}},
        {"devtools as text", R"({"name":"Demo","settings":{"enable-devtools":"false"}})",
         [](auto&) {}},
        {"isolation at the top level or as a number",
         R"({"name":"Demo","cross-origin-isolation":true,"settings":{"cross-origin-isolation":1}})",
         [](auto&) {}},
        {"mode as a number", R"({"name":"Demo","settings":{"distribution-mode":1}})", [](auto&) {}},
        {"chromium-args inside window ignored",
         R"({"name":"Demo","window":{"chromium-args":"--x"}})", [](auto&) {}},
        {"empty downloading caption kept", R"({"name":"Demo","messages":{"downloading":""}})",
         [](auto& s) { s.downloadingMessage = u""; }},
        {"empty title kept", R"({"name":"Demo","window":{"title":""}})",
         [](auto& s) { s.title = u""; }},
        {"duplicate key keeps the last", R"({"name":"Demo","window":{"width":1,"width":2}})",
         [](auto& s) { s.width = 2; }},
        {"byte-order mark", "\xEF\xBB\xBF{\"name\":\"Demo\"}", [](auto&) {}},
        {"NUL ends the document", "{\"name\":\"Demo\"}\0garbage{"s, [](auto&) {}},
    };
    for (const auto& c : cases) {
        PackageSettings expected = Defaults();
        c.expect(expected);
        PackageSettings loaded;
        ASSERT_NO_THROW(LoadPackageSettings(c.json, loaded)) << c.label;
        EXPECT_EQ(loaded, expected) << c.label;
    }
}

enum class Fault { Syntax, InvalidName, InvalidMode };

TEST(LoadPackageSettings, RejectsFaults) {
    const struct {
        const char* label;
        std::string json;
        Fault fault;
    } cases[] = {
        {"no name", R"({"main":"a.html"})", Fault::InvalidName},
        {"empty name", R"({"name":""})", Fault::InvalidName},
        {"numeric name", R"({"name":7})", Fault::InvalidName},
        {"name with a NUL", R"({"name":"\u0000x"})", Fault::InvalidName},
        {"top-level array", R"([{"name":"Demo"}])", Fault::InvalidName},
        {"top-level string", R"("Demo")", Fault::InvalidName},
        {"top-level number", "42", Fault::InvalidName},
        {"top-level null", "null", Fault::InvalidName},
        {"capitalised mode", R"({"name":"Demo","settings":{"distribution-mode":"Fixed"}})",
         Fault::InvalidMode},
        {"mode with trailing space", R"({"name":"Demo","settings":{"distribution-mode":"fixed "}})",
         Fault::InvalidMode},
        {"empty mode", R"({"name":"Demo","settings":{"distribution-mode":""}})",
         Fault::InvalidMode},
        {"only a NUL byte", "\0"s, Fault::Syntax},
        {"NUL inside the document", "{\"name\":\0\"Demo\"}"s, Fault::Syntax},
        {"trailing text", R"({"name":"Demo"} x)", Fault::Syntax},
        {"line comment", "{\"name\":\"Demo\"} // note", Fault::Syntax},
        {"block comment", "{/* c */\"name\":\"Demo\"}", Fault::Syntax},
    };
    for (const auto& c : cases) {
        PackageSettings settings;
        switch (c.fault) {
            case Fault::Syntax:
                EXPECT_THROW(LoadPackageSettings(c.json, settings), nlohmann::json::parse_error)
                    << c.label;
                break;
            case Fault::InvalidName:
            case Fault::InvalidMode:
                try {
                    LoadPackageSettings(c.json, settings);
                    ADD_FAILURE() << c.label << ": loaded";
                } catch (const ConfigError& e) {
                    EXPECT_EQ(e.text(), c.fault == Fault::InvalidName
                                            ? u"invalid name"
                                            : u"invalid distribution mode")
                        << c.label;
                }
                break;
        }
    }
}

TEST(LoadPackageSettings, FailureKeepsFieldsReadBeforeIt) {
    PackageSettings settings;
    EXPECT_THROW(LoadPackageSettings(
                     R"({"name":"Demo","window":{"width":5},"settings":{"distribution-mode":"x"}})",
                     settings),
                 ConfigError);
    EXPECT_EQ(settings.name, u"Demo");
    EXPECT_EQ(settings.width, 5);
    EXPECT_FALSE(settings.enableDevTools);  // not reached: still the value from before the load
    EXPECT_EQ(settings.downloadingMessage, u"");
}

}  // namespace
}  // namespace tessaly
