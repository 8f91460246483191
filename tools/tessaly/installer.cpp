#include "tessaly/installer.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "base/text.h"
#include "tessaly/file_names.h"
#include "tessaly/run_program.h"

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCompiler = "makensis";

// A double-quoted NSIS string: '$' starts a variable and quotes and line breaks are escaped.
std::string Nsis(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
            case '$':
                quoted += "$$";
                break;
            case '"':
                quoted += "$\\\"";
                break;
            case '\n':
                quoted += "$\\n";
                break;
            case '\r':
                quoted += "$\\r";
                break;
            case '\t':
                quoted += "$\\t";
                break;
            default:
                quoted += c;
        }
    }
    return quoted + "\"";
}

std::string Nsis(std::u16string_view text) {
    return Nsis(WideToUtf8(text));
}

// "$INSTDIR\www\a.png": the variable stays a variable, the rest is quoted text.
std::string Installed(std::string_view destination) {
    std::string windows(destination);
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return "\"$INSTDIR\\" + Nsis(windows).substr(1);
}

// A file name made of `text`: the program's own rule for names, without its ".exe".
std::u16string SafeName(const std::u16string& text) {
    const std::u16string file = ProgramFileName(text);
    return file.substr(0, file.size() - 4);
}

}  // namespace

std::u16string InstallerFileName(const std::u16string& name) {
    return SafeName(name) + u"-setup.exe";
}

std::string InstallerScript(const InstallerSpec& spec, const fs::path& output) {
    const std::string key = Nsis("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                                 WideToUtf8(SafeName(spec.name)));
    const std::string shortcut = "\"$SMPROGRAMS\\" + Nsis(SafeName(spec.title) + u".lnk").substr(1);
    const std::string program = Installed(WideToUtf8(spec.programFile));
    const std::string version = VersionText(spec.versionNumbers);
    std::string s;
    auto line = [&s](const std::string& text) { s += text + "\n"; };
    line("Unicode true");
    line("ManifestDPIAware true");
    line("SetCompressor /SOLID lzma");
    line("RequestExecutionLevel user");
    line("Name " + Nsis(spec.title));
    line("OutFile " + Nsis(Utf8Path(output)));
    line("InstallDir \"$LOCALAPPDATA\\Programs\\" + Nsis(SafeName(spec.name)).substr(1));
    line("Icon " + Nsis(Utf8Path(spec.icon)));
    line("UninstallIcon " + Nsis(Utf8Path(spec.icon)));
    line("VIProductVersion " + Nsis(version));
    line("VIFileVersion " + Nsis(version));
    const std::pair<const char*, std::u16string> strings[] = {
        {"ProductName", spec.title},
        {"FileDescription", spec.title + u" Setup"},
        {"ProductVersion", spec.version},
        {"FileVersion", spec.version},
        {"CompanyName", spec.publisher},
        {"LegalCopyright", spec.copyright},
        {"OriginalFilename", InstallerFileName(spec.name)},
    };
    for (const auto& [name, value] : strings) {
        if (!value.empty()) {
            line(std::string("VIAddVersionKey /LANG=1033 ") + name + " " + Nsis(value));
        }
    }
    line("Page directory");
    line("Page instfiles");
    line("UninstPage uninstConfirm");
    line("UninstPage instfiles");

    line("Section");
    line("  SetShellVarContext current");
    line("  SetOutPath \"$INSTDIR\"");
    for (const InstalledItem& item : spec.items) {
        if (item.source.empty()) {
            line("  CreateDirectory " + Installed(item.destination));
        } else {
            line("  File \"/oname=" + Installed(item.destination).substr(1) + " " +
                 Nsis(Utf8Path(item.source)));
        }
    }
    line("  WriteUninstaller \"$INSTDIR\\uninstall.exe\"");
    line("  CreateShortCut " + shortcut + " " + program + " \"\" " + program + " 0");
    line("  WriteRegStr HKCU " + key + " \"DisplayName\" " + Nsis(spec.title));
    line("  WriteRegStr HKCU " + key + " \"DisplayVersion\" " + Nsis(spec.version));
    line("  WriteRegStr HKCU " + key + " \"DisplayIcon\" \"" +
         program.substr(1, program.size() - 2) + ",0\"");
    if (!spec.publisher.empty()) {
        line("  WriteRegStr HKCU " + key + " \"Publisher\" " + Nsis(spec.publisher));
    }
    line("  WriteRegStr HKCU " + key + " \"InstallLocation\" \"$INSTDIR\"");
    line("  WriteRegStr HKCU " + key +
         " \"UninstallString\" \"$\\\"$INSTDIR\\uninstall.exe$\\\"\"");
    line("  WriteRegStr HKCU " + key +
         " \"QuietUninstallString\" \"$\\\"$INSTDIR\\uninstall.exe$\\\" /S\"");
    line("  WriteRegDWORD HKCU " + key + " \"NoModify\" 1");
    line("  WriteRegDWORD HKCU " + key + " \"NoRepair\" 1");
    line("SectionEnd");

    line("Section \"Uninstall\"");
    line("  SetShellVarContext current");
    for (auto item = spec.items.rbegin(); item != spec.items.rend(); ++item) {
        line((item->source.empty() ? "  RMDir " : "  Delete ") + Installed(item->destination));
    }
    line("  Delete \"$INSTDIR\\uninstall.exe\"");
    line("  RMDir \"$INSTDIR\"");
    line("  Delete " + shortcut);
    line("  DeleteRegKey HKCU " + key);
    // The program keeps the browser's data in a folder named after the app. Offered only for a
    // name that is one plain folder name: nothing else is ever removed.
    if (SafeName(spec.name) == spec.name) {
        line("  MessageBox MB_YESNO|MB_ICONQUESTION " +
             Nsis(u"Also remove the data " + spec.title + u" keeps for you?") +
             " /SD IDNO IDNO keep");
        line("  RMDir /r \"$LOCALAPPDATA\\" + Nsis(spec.name).substr(1));
        line("  keep:");
    }
    line("SectionEnd");
    return s;
}

std::optional<std::string> RefusalToBuildInstaller() {
    if (!FindProgram(kCompiler)) {
        return "cannot make the installer: makensis is not on the PATH (Debian: apt-get install "
               "nsis)";
    }
    return std::nullopt;
}

void BuildInstaller(const InstallerSpec& spec, const fs::path& output, const fs::path& work) {
    const fs::path script = work / "installer.nsi";
    {
        std::ofstream out(script, std::ios::binary | std::ios::trunc);
        out << "\xEF\xBB\xBF" << InstallerScript(spec, output);
        if (!out.flush()) {
            throw std::runtime_error("cannot write " + Utf8Path(script));
        }
    }
    const fs::path log = work / "makensis.log";
    const int code = RunProgram(*FindProgram(kCompiler), {"-V2", "-NOCD", Utf8Path(script)}, log);
    std::error_code ignored;
    if (code != 0 || !fs::is_regular_file(output, ignored)) {
        throw std::runtime_error("makensis could not make the installer (exit code " +
                                 std::to_string(code) + "): " + LogTail(log));
    }
}

}  // namespace tessaly::tool
