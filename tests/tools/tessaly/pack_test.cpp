#include "tessaly/pack.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <zip.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "library_headers.h"
#include "temp_folder.h"
#include "tessaly/file_names.h"
#include "tessaly/icon_images.h"
#include "tessaly/pe_resources.h"
#include "tessaly/version_info.h"

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

std::string Sha256(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        constexpr char kDigits[] = "0123456789abcdef";
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 15];
    }
    return hex;
}

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct Entry {
    bool folder = false;
    std::uintmax_t size = 0;
    std::string sha256;
    friend bool operator==(const Entry&, const Entry&) = default;
};
using Tree = std::map<std::string, Entry>;

// Every file and folder under `root` by relative name, files with their size and hash.
Tree TreeOf(const fs::path& root) {
    Tree tree;
    if (!fs::exists(root)) {
        return tree;
    }
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const std::string name = *RelativeName(item.path(), root);
        if (item.is_directory()) {
            tree[name] = {true, 0, ""};
        } else {
            tree[name] = {false, item.file_size(), Sha256(Contents(item.path()))};
        }
    }
    return tree;
}

std::vector<std::string> Names(const Tree& tree) {
    std::vector<std::string> names;
    for (const auto& [name, entry] : tree) {
        names.push_back(name);
    }
    return names;
}

// Every byte value, over and over, so that no byte is changed on the way without notice.
std::string Binary(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = char((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

class PackTest : public ::testing::Test {
  protected:
    PackTest() {
        work_.Write("app/package.json",
                    R"({"name": "My App: Demo", "window": {"icon": "art\\icon.png"}})");
        work_.Write("app/art/icon.png", Contents(TESSALY_EXAMPLE_APP "/icon.png"));
        work_.Write("app/www/index.html", "<!doctype html>");
        work_.Write("app/www/sub/data.bin", Binary(4096));
        work_.Write("app/www/empty.txt", "");
        work_.Write("app/www/big.bin", Binary((std::size_t{3} << 20) + 17));  // several chunks
        work_.Write("app/notes.txt", "not packed");
        work_.Write("app/webview2/x.dll", "not packed in evergreen mode");
        work_.Write("bin/Tessaly.exe", Contents(TESSALY_PROGRAM_32));
        options_.app = work_.path() / "app";
        options_.out = work_.path() / "dist" / "demo";
        options_.exe = work_.path() / "bin" / "Tessaly.exe";
    }

    int RunPack() {
        out_.str("");
        err_.str("");
        return Pack(options_, out_, err_);
    }

    fs::path App(std::string_view name) const { return options_.app / PathFromUtf8(name); }

    TempFolder work_;
    PackOptions options_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(PackTest, CopiesExactlyTheProgramsFilesByteForByte) {
    const Tree app = TreeOf(options_.app);
    ASSERT_EQ(RunPack(), 0) << err_.str();

    const Tree made = TreeOf(options_.out);
    const std::vector<std::string> expected = {
        "My App_ Demo.exe", "art",           "art/icon.png",   "package.json", "www",
        "www/big.bin",      "www/empty.txt", "www/index.html", "www/sub",      "www/sub/data.bin"};
    EXPECT_EQ(Names(made), expected);
    const std::pair<std::string, fs::path> copies[] = {
        {"package.json", App("package.json")},     {"art/icon.png", App("art/icon.png")},
        {"www/big.bin", App("www/big.bin")},       {"www/empty.txt", App("www/empty.txt")},
        {"www/index.html", App("www/index.html")}, {"www/sub/data.bin", App("www/sub/data.bin")},
    };
    for (const auto& [name, source] : copies) {
        const Entry original{false, fs::file_size(source), Sha256(Contents(source))};
        EXPECT_EQ(made.at(name), original) << name;
    }
    EXPECT_EQ(TreeOf(options_.app), app) << "the app changed";
    EXPECT_EQ(Contents(options_.exe), Contents(TESSALY_PROGRAM_32)) << "the program changed";

    // The program is the app's: its name, its icon.
    const PeResourceFile program(options_.out / "My App_ Demo.exe");
    std::map<std::uint16_t, std::vector<std::string>> byType;
    for (const Resource& resource : program.resources()) {
        byType[resource.type.number].push_back(resource.data);
    }
    ASSERT_EQ(byType[kVersionResource].size(), 1u);
    const VersionInfo version = ReadVersionInfo(byType[kVersionResource][0]);
    EXPECT_EQ(*version.String(u"ProductName"), u"My App: Demo");
    EXPECT_EQ(*version.String(u"OriginalFilename"), u"My App_ Demo.exe");
    EXPECT_EQ(*version.String(u"ProductVersion"), u"0.1.0") << "no version: the program's own";
    ASSERT_EQ(byType[kGroupIconResource].size(), 2u);  // its own name, and 32512
    EXPECT_EQ(ReadIconGroup(byType[kGroupIconResource][0]).size(), std::size(kIconSizes));

    EXPECT_NE(out_.str().find("My App_ Demo.exe"), std::string::npos) << out_.str();
    EXPECT_NE(out_.str().find("www/"), std::string::npos) << out_.str();
    EXPECT_NE(out_.str().find("4 files, 3.0 MiB"), std::string::npos) << out_.str();
    // The check's warning still shows; no progress bar was asked for.
    EXPECT_NE(err_.str().find("webview2: warning"), std::string::npos) << err_.str();
    EXPECT_EQ(err_.str().find('\r'), std::string::npos);
}

TEST_F(PackTest, WritesTheLinuxProgramBesideOrInsteadOfTheWindowsOne) {
    work_.Write("bin/tessaly-host",
                "\x7f"
                "ELF stand-in for the Linux program");
    options_.linuxHost = work_.path() / "bin" / "tessaly-host";
    const fs::path windows = options_.exe;
    for (const bool withWindows : {true, false}) {
        options_.exe = withWindows ? windows : fs::path();
        options_.force = true;
        ASSERT_EQ(RunPack(), 0) << err_.str();
        const Tree made = TreeOf(options_.out);
        EXPECT_EQ(made.contains("My App_ Demo.exe"), withWindows);
        ASSERT_TRUE(made.contains("My App_ Demo"));
        EXPECT_EQ(made.at("My App_ Demo").sha256, Sha256(Contents(*options_.linuxHost)));
        EXPECT_TRUE(made.contains("www/sub/data.bin"));
        const fs::perms perms = fs::status(options_.out / "My App_ Demo").permissions();
        EXPECT_NE(perms & fs::perms::owner_exec, fs::perms::none);
        EXPECT_NE(perms & fs::perms::others_exec, fs::perms::none);
    }
}

TEST_F(PackTest, CopiesTheExtensionsOfThePlatformsItPacksFor) {
    work_.Write("app/package.json", R"({"name": "demo", "extensions": [
        {"name": "echo", "windows-x86": "ext\\echo32.dll", "windows-x64": "ext/echo64.dll",
         "linux-x64": "ext/libecho.so"},
        {"name": "deep", "windows-x64": "lib/x64/deep.dll", "linux-x64": "www/lib/libdeep.so"}]})");
    work_.Write("app/ext/echo32.dll", test::PeHeaders(test::kI386));
    work_.Write("app/ext/echo64.dll", test::PeHeaders(test::kAmd64));
    work_.Write("app/ext/libecho.so", test::ElfHeader());
    work_.Write("app/lib/x64/deep.dll", test::PeHeaders(test::kAmd64));
    work_.Write("app/www/lib/libdeep.so", test::ElfHeader());
    const fs::path host = work_.path() / "bin" / "tessaly-host";
    work_.Write("bin/tessaly-host", test::ElfHeader(test::kElfClass64, test::kElfExecutable));
    const struct {
        const char* program;  // none: the Linux program alone
        bool linux;
        std::vector<std::string> copied;  // of the extensions outside www/
    } cases[] = {
        {TESSALY_PROGRAM_32, false, {"ext", "ext/echo32.dll"}},
        {TESSALY_PROGRAM_64,
         false,
         {"ext", "ext/echo64.dll", "lib", "lib/x64", "lib/x64/deep.dll"}},
        {TESSALY_PROGRAM_64,
         true,
         {"ext", "ext/echo64.dll", "ext/libecho.so", "lib", "lib/x64", "lib/x64/deep.dll"}},
        {nullptr, true, {"ext", "ext/libecho.so"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.program ? c.program : "no Windows program") +
                     (c.linux ? ", the Linux program" : ""));
        options_.exe = c.program ? fs::path(c.program) : fs::path();
        options_.linuxHost = c.linux ? std::optional(host) : std::nullopt;
        options_.force = true;
        ASSERT_EQ(RunPack(), 0) << err_.str();
        std::vector<std::string> copied;
        for (const std::string& name : Names(TreeOf(options_.out))) {
            if (name.starts_with("ext") || name.starts_with("lib")) {
                copied.push_back(name);
            }
        }
        EXPECT_EQ(copied, c.copied);
        EXPECT_EQ(out_.str().find("ext/"), out_.str().rfind("ext/")) << "one line per folder";
    }

    // The Windows installer takes the plan's items only: the Linux library stays apart.
    PackageSettings settings;
    LoadPackageSettings(Contents(App("package.json")), settings);
    const PackPlan plan = PlanPack(options_.app, settings, TESSALY_PROGRAM_64, host);
    ASSERT_EQ(plan.linuxItems.size(), 1u);
    EXPECT_EQ(plan.linuxItems[0].destination, "ext/libecho.so");
}

TEST_F(PackTest, TakesTheFixedRuntimeAlong) {
    work_.Write("app/package.json", R"({"name": "fixed", "main": "start.html",
        "window": {"icon": "www/img/icon.png"}, "settings": {"distribution-mode": "fixed"}})");
    work_.Write("app/www/start.html", "");
    work_.Write("app/www/img/icon.png", Contents(TESSALY_EXAMPLE_APP "/icon.png"));
    work_.Write("app/webview2/msedgewebview2.exe", Binary(1000));
    work_.Write("app/webview2/Locales/en-US.pak", Binary(10));
    ASSERT_EQ(RunPack(), 0) << err_.str();

    const Tree made = TreeOf(options_.out);
    for (const char* name : {"fixed.exe", "www/img/icon.png", "webview2/msedgewebview2.exe",
                             "webview2/Locales/en-US.pak", "webview2/x.dll"}) {
        ASSERT_TRUE(made.contains(name)) << name;
    }
    EXPECT_EQ(made.at("webview2/Locales/en-US.pak").sha256,
              Sha256(Contents(App("webview2/Locales/en-US.pak"))));
    EXPECT_FALSE(made.contains("img")) << "the icon inside www/ is copied once, with www/";
}

TEST_F(PackTest, ZipsTheFolderUnderItsName) {
    options_.zip = true;
    ASSERT_EQ(RunPack(), 0) << err_.str();
    const fs::path zipPath = work_.path() / "dist" / "demo.zip";
    EXPECT_NE(out_.str().find(Utf8Path(zipPath)), std::string::npos) << out_.str();

    Tree zipped;
    int error = 0;
    zip_t* archive = zip_open(zipPath.c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(archive, nullptr) << error;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        std::string name = zip_get_name(archive, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        ASSERT_TRUE(name.starts_with("demo/")) << name;
        name.erase(0, 5);
        if (name.empty() || name.ends_with('/')) {
            if (!name.empty()) {
                zipped[name.substr(0, name.size() - 1)] = {true, 0, ""};
            }
            continue;
        }
        zip_stat_t stat;
        zip_stat_index(archive, zip_uint64_t(i), 0, &stat);
        std::string bytes(stat.size, '\0');
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(zip_fread(file, bytes.data(), bytes.size()), zip_int64_t(bytes.size()));
        zip_fclose(file);
        zipped[name] = {false, bytes.size(), Sha256(bytes)};
    }
    zip_close(archive);
    EXPECT_EQ(zipped, TreeOf(options_.out));
}

TEST_F(PackTest, ReplacesOnlyWithForce) {
    work_.Write("dist/demo/stale.txt", "from an earlier pack");
    work_.Write("dist/demo.zip", "an earlier zip");
    options_.zip = true;
    options_.force = true;
    ASSERT_EQ(RunPack(), 0) << err_.str();
    EXPECT_FALSE(fs::exists(options_.out / "stale.txt"));
    EXPECT_TRUE(fs::exists(options_.out / "My App_ Demo.exe"));
    EXPECT_NE(Contents(work_.path() / "dist" / "demo.zip"), "an earlier zip");
}

TEST(Pack, RefusesWithoutWritingAnything) {
    const struct {
        const char* label;
        std::function<void(TempFolder&, PackOptions&)> arrange;
        const char* message;
    } cases[] = {
        {"an app with errors",
         [](TempFolder& w, PackOptions&) { fs::remove_all(w.path() / "app/www"); },
         "has errors (1 error, 0 warnings)"},
        {"a non-empty OUT", [](TempFolder& w, PackOptions&) { w.Write("dist/demo/keep.txt", "x"); },
         "is not empty; give --force"},
        {"OUT inside the app",
         [](TempFolder&, PackOptions& o) {
             o.out = o.app / "dist";
             o.force = true;
         },
         "lies inside the app folder"},
        {"OUT is the app by another name",
         [](TempFolder&, PackOptions& o) {
             o.out = o.app / "www" / "..";
             o.force = true;
         },
         "lies inside the app folder"},
        {"the app inside OUT",
         [](TempFolder& w, PackOptions& o) {
             o.out = w.path();
             o.force = true;
         },
         "the app folder lies inside"},
        {"no program", [](TempFolder& w, PackOptions& o) { o.exe = w.path() / "none.exe"; },
         "no program at"},
        {"the program inside OUT",
         [](TempFolder& w, PackOptions& o) {
             w.Write("dist/demo/Tessaly.exe", "MZ");
             o.exe = o.out / "Tessaly.exe";
             o.force = true;
         },
         "lies inside"},
        {"OUT is a file",
         [](TempFolder& w, PackOptions& o) {
             w.Write("dist/file", "x");
             o.out = w.path() / "dist" / "file";
         },
         "exists and is not a folder"},
        {"an existing zip",
         [](TempFolder& w, PackOptions& o) {
             w.Write("dist/demo.zip", "x");
             o.zip = true;
         },
         "demo.zip exists; give --force"},
        {"a program that is no Windows program",
         [](TempFolder& w, PackOptions&) { w.Write("bin/Tessaly.exe", "MZ"); },
         "is not a Windows program"},
        {"an icon that cannot be decoded",
         [](TempFolder& w, PackOptions&) {
             w.Write("app/package.json", R"({"name": "demo", "window": {"icon": "i.png"}})");
             w.Write("app/i.png", "\x89PNG but not really");
         },
         "cannot be decoded"},
        {"a wrong certificate password",
         [](TempFolder& w, PackOptions& o) {
             const std::string folder = w.path().string();
             ASSERT_EQ(std::system(("cd '" + folder +
                                    "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout k.pem "
                                    "-out c.pem -days 1 -subj /CN=Test 2>/dev/null && "
                                    "openssl pkcs12 -export -inkey k.pem -in c.pem -out c.pfx "
                                    "-passout pass:right")
                                       .c_str()),
                       0);
             setenv("TESSALY_TEST_PASSWORD", "wrong", 1);
             o.sign = SignOptions{w.path() / "c.pfx", "TESSALY_TEST_PASSWORD", ""};
         },
         "osslsigncode could not sign"},
        {"two files on one name",
         [](TempFolder& w, PackOptions&) {
             w.Write("app/package.json", R"({"name": "demo", "window": {"icon": "DEMO.exe"}})");
             w.Write("app/DEMO.exe", "an icon?");
         },
         "two files would be written as DEMO.exe"},
        {"no Linux program",
         [](TempFolder& w, PackOptions& o) { o.linuxHost = w.path() / "bin" / "none"; },
         "no Linux program at"},
        {"a Linux library on the Linux program's name",
         [](TempFolder& w, PackOptions& o) {
             w.Write("app/package.json",
                     R"({"name": "demo", "extensions": [{"name": "x", "linux-x64": "Demo"}]})");
             w.Write("app/Demo", test::ElfHeader());
             o.linuxHost = w.path() / "app" / "Demo";
         },
         "two files would be written as demo"},
        {"the Linux program on the icon's name",
         [](TempFolder& w, PackOptions& o) {
             w.Write("app/package.json", R"({"name": "demo", "window": {"icon": "Demo"}})");
             w.Write("app/Demo", "an icon?");
             o.linuxHost = o.exe;
         },
         "two files would be written as demo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempFolder work;
        PackOptions options;
        options.app = work.path() / "app";
        options.out = work.path() / "dist" / "demo";
        options.exe = work.path() / "bin" / "Tessaly.exe";
        work.Write("app/package.json", R"({"name": "demo"})");
        work.Write("app/www/index.html", "");
        work.Write("bin/Tessaly.exe", Contents(TESSALY_PROGRAM_32));
        c.arrange(work, options);
        const Tree before = TreeOf(work.path());

        std::ostringstream out, err;
        EXPECT_EQ(Pack(options, out, err), 1);
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_NE(err.str().find("nothing was written"), std::string::npos) << err.str();
        EXPECT_EQ(TreeOf(work.path()), before);
    }
}

TEST(ZipPathFor, PutsTheZipBesideTheFolder) {
    EXPECT_EQ(ZipPathFor("dist/hello"), fs::path("dist/hello.zip"));
    EXPECT_EQ(ZipPathFor("dist/hello/"), fs::path("dist/hello.zip"));
    EXPECT_EQ(ZipPathFor("out"), fs::path("out.zip"));
    EXPECT_EQ(ZipPathFor("/tmp/a.b/x"), fs::path("/tmp/a.b/x.zip"));
}

}  // namespace
}  // namespace tessaly::tool
