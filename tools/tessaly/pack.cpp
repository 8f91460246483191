#include "tessaly/pack.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>
#include <vector>

#include "base/file_bytes.h"
#include "base/text.h"
#include "extensions/extension_entries.h"
#include "tessaly/branding.h"
#include "tessaly/check.h"
#include "tessaly/file_names.h"
#include "tessaly/installer.h"
#include "tessaly/library_kind.h"
#include "tessaly/pack_linux.h"
#include "tessaly/progress.h"
#include "tessaly/zip_archive.h"

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kCopyChunk = std::size_t{1} << 20;

class PlanBuilder {
  public:
    void AddFile(const fs::path& source, const std::string& destination) {
        std::error_code error;
        const std::uintmax_t size = fs::file_size(source, error);
        Add({source, destination, false, error ? 0 : size});
    }

    void AddFolder(const std::string& destination) { Add({{}, destination, true, 0}); }

    // Each folder that leads to `destination`, outermost first.
    void AddFoldersOf(const std::string& destination) {
        for (std::size_t slash = destination.find('/'); slash != std::string::npos;
             slash = destination.find('/', slash + 1)) {
            AddFolder(destination.substr(0, slash));
        }
    }

    void AddTree(const fs::path& folder, const std::string& destination) {
        AddFolder(destination);
        for (const FolderEntry& entry : ListFolder(folder)) {
            if (entry.relative.empty()) {
                continue;  // not valid Unicode: check reports it as an error
            }
            const std::string name = destination + "/" + entry.relative;
            if (entry.kind == FolderEntry::Kind::Folder) {
                AddFolder(name);
            } else if (entry.kind == FolderEntry::Kind::File) {
                AddFile(entry.path, name);
            }
        }
    }

    // The library each extension has for the platform `program` runs on, and its folders;
    // nothing for no program, or one of no extension platform (no library is listed for "").
    void AddExtensions(const fs::path& app, const PackageSettings& settings,
                       const fs::path& program) {
        const std::string platform = ProgramPlatform(ReadLibraryKind(program)).value_or("");
        for (const ExtensionEntry& entry : settings.extensions) {
            const auto library = entry.libraries.find(platform);
            if (library != entry.libraries.end()) {
                const std::string path = WideToUtf8(ExtensionLibraryPath(library->second));
                AddFoldersOf(path);
                AddFile(app / PathFromUtf8(path), path);
            }
        }
    }

    // What is added from here on goes to the plan's linuxItems (unless already planned).
    void ForTheLinuxProgram() { linux_ = true; }

    PackPlan Finish() { return std::move(plan_); }

  private:
    void Add(PackItem item) {
        const auto [known, added] = written_.emplace(FoldedName(item.destination), item);
        if (!added) {
            const PackItem& earlier = known->second;
            const bool same = earlier.folder == item.folder &&
                              (item.folder || fs::equivalent(earlier.source, item.source, error_));
            if (!same && plan_.conflict.empty()) {
                plan_.conflict = "two files would be written as " + item.destination + ": " +
                                 Describe(earlier) + " and " + Describe(item);
            }
            return;
        }
        plan_.bytes += item.size;
        (linux_ ? plan_.linuxItems : plan_.items).push_back(std::move(item));
    }

    static std::string Describe(const PackItem& item) {
        return item.folder ? "a folder" : Utf8Path(item.source);
    }

    PackPlan plan_;
    bool linux_ = false;
    std::error_code error_;
    std::map<std::string, PackItem> written_;  // by folded destination
};

fs::path Resolved(const fs::path& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(fs::absolute(path), error);
    return error ? fs::absolute(path).lexically_normal() : resolved;
}

// True when `path` is `folder` or lies somewhere inside it.
bool IsWithin(const fs::path& path, const fs::path& folder) {
    auto inner = path.begin();
    for (auto outer = folder.begin(); outer != folder.end(); ++outer, ++inner) {
        if (outer->empty() && std::next(outer) == folder.end()) {
            break;  // the empty name after a trailing separator
        }
        if (inner == path.end() || *inner != *outer) {
            return false;
        }
    }
    return true;
}

bool IsEmptyFolder(const fs::path& folder) {
    std::error_code error;
    return fs::is_empty(folder, error) && !error;
}

void CopyFile(const fs::path& from, const fs::path& to, ProgressBar& progress) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!in || !out) {
        throw std::runtime_error("cannot copy " + Utf8Path(from) + " to " + Utf8Path(to));
    }
    std::vector<char> buffer(kCopyChunk);
    while (in) {
        in.read(buffer.data(), std::streamsize(buffer.size()));
        const std::streamsize count = in.gcount();
        if (count > 0 && !out.write(buffer.data(), count)) {
            break;
        }
        progress.Advance(std::uint64_t(count));
    }
    out.close();
    if (in.bad() || !in.eof() || !out) {
        throw std::runtime_error("cannot copy " + Utf8Path(from) + " to " + Utf8Path(to));
    }
    std::error_code ignored;
    fs::last_write_time(to, fs::last_write_time(from, ignored), ignored);
}

// A private folder for what pack makes before it writes OUT, removed with its contents.
class Staging {
  public:
    Staging() {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const fs::path candidate =
                fs::temp_directory_path() / ("tessaly-pack-" + std::to_string(random()));
            if (fs::create_directory(candidate)) {
                fs::permissions(candidate, fs::perms::owner_all);
                path_ = candidate;
            }
        }
        if (path_.empty()) {
            throw std::runtime_error("cannot make a private folder in " +
                                     Utf8Path(fs::temp_directory_path()));
        }
    }
    ~Staging() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// The installer of what `plan` holds, made in `work`, for the program there.
fs::path MakeInstaller(const PackPlan& plan, const Branding& branding, const ProgramFace& face,
                       const std::optional<SignOptions>& sign, const fs::path& work) {
    const fs::path icon = work / "installer.ico";
    std::ofstream(icon, std::ios::binary) << face.ico;
    InstallerSpec spec;
    spec.name = branding.internalName;
    spec.title = branding.productName;
    spec.publisher = branding.company;
    spec.copyright = branding.copyright;
    const std::u16string* version = face.version.String(u"ProductVersion");
    spec.version = version ? *version : Utf8ToWide(VersionText(face.version.productVersion));
    spec.versionNumbers = face.version.productVersion;
    spec.programFile = branding.originalFilename;
    spec.icon = icon;
    for (const PackItem& item : plan.items) {
        spec.items.push_back({item.folder ? fs::path() : item.source, item.destination});
    }
    const fs::path setup = work / PathFromUtf8(WideToUtf8(InstallerFileName(spec.name)));
    BuildInstaller(spec, setup, work);
    if (sign) {
        SignFile(setup, *sign, WideToUtf8(spec.title) + " Setup", work);
    }
    return setup;
}

void EmptyFolder(const fs::path& folder) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        fs::remove_all(entry.path());
    }
}

// One line per top-level entry of OUT; a folder with its count of files and their size.
void PrintMade(std::ostream& out, const fs::path& folder, const PackPlan& plan) {
    struct Summary {
        bool folder = false;
        std::size_t files = 0;
        std::uintmax_t bytes = 0;
    };
    std::vector<std::pair<std::string, Summary>> top;
    for (const PackItem& item : plan.items) {
        const std::string name = item.destination.substr(0, item.destination.find('/'));
        // The Linux program's extension files come last, maybe into a folder listed before.
        auto entry = std::find_if(top.begin(), top.end(),
                                  [&](const auto& line) { return line.first == name; });
        if (entry == top.end()) {
            entry = top.insert(top.end(), {name, {}});
        }
        Summary& summary = entry->second;
        summary.folder = summary.folder || item.folder;
        summary.files += item.folder ? 0 : 1;
        summary.bytes += item.size;
    }
    out << "Made " << Utf8Path(folder) << ":\n";
    for (const auto& [name, summary] : top) {
        std::string line = "  " + name + (summary.folder ? "/" : "");
        line.resize(std::max<std::size_t>(line.size() + 2, 28), ' ');
        if (summary.folder) {
            line += std::to_string(summary.files) + (summary.files == 1 ? " file, " : " files, ");
        }
        out << line << FormatSize(summary.bytes) << '\n';
    }
}

}  // namespace

PackPlan PlanPack(const fs::path& app, const PackageSettings& settings, const fs::path& exe,
                  const std::optional<fs::path>& linuxHost) {
    PlanBuilder plan;
    if (!exe.empty()) {
        plan.AddFile(exe, WideToUtf8(ProgramFileName(settings.name)));
    }
    plan.AddFile(app / "package.json", "package.json");
    if (const std::optional<std::string> icon = IconPath(settings)) {
        const fs::path normal = PathFromUtf8(*icon).lexically_normal();
        const std::u8string destination = normal.generic_u8string();
        plan.AddFoldersOf(std::string(destination.begin(), destination.end()));
        plan.AddFile(app / normal, std::string(destination.begin(), destination.end()));
    }
    plan.AddTree(app / "www", "www");
    if (settings.distributionMode == DistributionMode::Fixed) {
        plan.AddTree(app / "webview2", "webview2");
    }
    plan.AddExtensions(app, settings, exe);
    if (linuxHost) {
        plan.ForTheLinuxProgram();
        plan.AddExtensions(app, settings, *linuxHost);
    }
    return plan.Finish();
}

fs::path ZipPathFor(const fs::path& out) {
    fs::path folder = out.lexically_normal();
    if (folder.filename().empty()) {
        folder = folder.parent_path();  // "dist/hello/" names the folder "dist/hello"
    }
    return folder.parent_path() / (folder.filename().native() + fs::path(".zip").native());
}

std::optional<std::string> RefusalToPack(const PackOptions& options) {
    std::error_code error;
    const fs::path app = Resolved(options.app);
    const fs::path out = Resolved(options.out);
    const fs::path exe = options.exe.empty() ? fs::path() : Resolved(options.exe);
    const std::string outText = Utf8Path(options.out);
    if (const auto refusal = RefusalToPackLinux(options)) {
        return refusal;
    }
    if (options.exe.empty() && !options.linuxHost) {
        return "no program to copy: name the built Tessaly.exe with --exe";
    }
    if (!options.exe.empty() && !fs::is_regular_file(exe, error)) {
        return "no program at " + Utf8Path(options.exe) +
               ": build it with ./tools/build.sh, or give its path with --exe";
    }
    if (IsWithin(out, app)) {
        return outText + " lies inside the app folder " + Utf8Path(options.app) +
               ", and pack never writes into the app";
    }
    if (IsWithin(app, out)) {
        return "the app folder lies inside " + outText + ", and pack never writes over the app";
    }
    if (!options.exe.empty() && IsWithin(exe, out)) {
        return "the program " + Utf8Path(options.exe) + " lies inside " + outText +
               ", which pack would replace";
    }
    if (fs::exists(out, error) && !fs::is_directory(out, error)) {
        return outText + " exists and is not a folder";
    }
    if (fs::exists(out, error) && !IsEmptyFolder(out) && !options.force) {
        return outText + " is not empty; give --force to replace what it holds";
    }
    if (options.zip) {
        const fs::path zip = ZipPathFor(options.out);
        if (!CanWriteZip()) {
            return "this build of tessaly cannot write zips";
        }
        if (IsWithin(Resolved(zip), app)) {
            return Utf8Path(zip) +
                   " lies inside the app folder, and pack never writes into the app";
        }
        if (fs::is_directory(zip, error)) {
            return Utf8Path(zip) + " is a folder";
        }
        if (fs::exists(zip, error) && !options.force) {
            return Utf8Path(zip) + " exists; give --force to replace it";
        }
    }
    return std::nullopt;
}

namespace {

// Replaces the program in `plan` (its first item) with a copy in `staging` that carries the
// app's icon and version information and, when asked, a signature; adds the installer when
// asked.
void BrandAndSign(const PackOptions& options, const PackageSettings& settings,
                  const fs::path& staging, PackPlan& plan) {
    const std::string packageJson = ReadFileBytes((options.app / "package.json").u16string());
    const Branding branding = BrandingOf(options.app, settings, packageJson);
    const fs::path program = staging / "program.exe";
    BrandProgram(options.exe, branding, program);
    const ProgramFace face = ReadProgramFace(program);  // before a signature is added
    if (options.sign) {
        SignFile(program, *options.sign, WideToUtf8(branding.productName), staging);
    }
    PackItem& programItem = plan.items.front();  // PlanPack puts the program first
    plan.bytes = plan.bytes - programItem.size + fs::file_size(program);
    programItem.source = program;
    programItem.size = fs::file_size(program);
    if (options.installer) {
        const fs::path setup = MakeInstaller(plan, branding, face, options.sign, staging);
        plan.items.push_back({setup, Utf8Path(setup.filename()), false, fs::file_size(setup)});
        plan.bytes += plan.items.back().size;
    }
}

}  // namespace

int Pack(const PackOptions& options, std::ostream& out, std::ostream& err) {
    const CheckResult check = CheckApp(options.app);
    for (const Diagnostic& diagnostic : check.diagnostics) {
        err << FormatDiagnostic(options.app, diagnostic) << '\n';
    }
    if (HasErrors(check.diagnostics) || !check.settings) {
        err << "pack: " << Utf8Path(options.app) << " has errors ("
            << CountSummary(check.diagnostics) << "); nothing was written\n";
        return 1;
    }
    std::optional<std::string> refusal = RefusalToPack(options);
    if (!refusal && options.sign) {
        refusal = RefusalToSign(*options.sign);
    }
    if (!refusal && options.installer) {
        refusal = RefusalToBuildInstaller();
    }
    if (refusal) {
        err << "pack: " << *refusal << "; nothing was written\n";
        return 1;
    }
    std::optional<Staging> staging;
    PackPlan plan;
    try {
        plan = PlanPack(options.app, *check.settings, options.exe, options.linuxHost);
        if (plan.conflict.empty() && options.linuxHost) {
            plan.conflict =
                LinuxProgramConflict(plan, *options.linuxHost, *check.settings).value_or("");
        }
        if (!plan.conflict.empty()) {
            err << "pack: " << plan.conflict << "; nothing was written\n";
            return 1;
        }
        staging.emplace();
        if (!options.exe.empty()) {
            BrandAndSign(options, *check.settings, staging->path(), plan);
        }
        // After the installer is made: it installs the Windows program alone.
        if (options.linuxHost) {
            AddLinuxProgram(plan, *options.linuxHost, *check.settings);
        }
    } catch (const std::exception& failure) {
        err << "pack: " << failure.what() << "; nothing was written\n";
        return 1;
    }
    try {
        const bool large = options.progress && plan.bytes >= kLargeApp;
        if (fs::exists(options.out)) {
            EmptyFolder(options.out);
        }
        fs::create_directories(options.out);
        ProgressBar copying(err, large, plan.bytes);
        for (const PackItem& item : plan.items) {
            const fs::path target = options.out / PathFromUtf8(item.destination);
            if (item.folder) {
                fs::create_directory(target);
            } else {
                CopyFile(item.source, target, copying);
            }
        }
        copying.Finish();
        if (options.linuxHost) {
            MakeLinuxProgramExecutable(options.out, *check.settings);
        }
        PrintMade(out, options.out, plan);
        if (options.zip) {
            const fs::path zip = ZipPathFor(options.out);
            const std::string top = Utf8Path(ZipPathFor(options.out).stem());
            ProgressBar zipping(err, large, plan.bytes);
            std::uint64_t zipped = 0;
            WriteZip(zip, options.out, top, plan.items, [&](double fraction) {
                const auto bytes = std::uint64_t(fraction * double(plan.bytes));
                zipping.Advance(bytes > zipped ? bytes - zipped : 0);
                zipped = std::max(zipped, bytes);
            });
            zipping.Finish();
            out << "Made " << Utf8Path(zip) << ": " << FormatSize(fs::file_size(zip)) << '\n';
        }
    } catch (const std::exception& failure) {
        err << "pack: " << failure.what() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tessaly::tool
