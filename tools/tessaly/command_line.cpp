#include "tessaly/command_line.h"

#include <charconv>

#include "tessaly/file_names.h"

namespace tessaly::tool {
namespace {

constexpr std::string_view kUsage =
    R"(Usage:
  tessaly check APP
      Reports what keeps APP (a folder with package.json and www/) from working as a Windows
      program. Exits with 1 when there are errors; warnings do not fail.
  tessaly pack APP -o OUT [--zip] [--force] [--exe TESSALY_EXE] [--installer]
               [--sign CERT.pfx [--sign-password-env VARIABLE] [--timestamp URL]]
               [--linux | --linux-only] [--host TESSALY_HOST]
      Checks APP, then assembles the Windows program in OUT: the program named after the app,
      with the app's icon and version information, package.json, the icon, www/ and, for a
      fixed runtime, webview2/. --zip also writes OUT.zip. --installer also writes
      OUT/NAME-setup.exe (needs makensis). --sign signs the program and the installer with the
      certificate (needs osslsigncode); its password is read from the environment variable
      --sign-password-env names, and --timestamp names an RFC 3161 time-stamping server. OUT
      must be empty or new unless --force is given; APP is never changed.
      --linux also writes the Linux program (the app's name without ".exe"), --linux-only
      writes it instead of the Windows one; --host names the tessaly-host it copies.
  tessaly serve APP [--port N] [--log FILE]
      Serves APP/www on http://127.0.0.1:N/ (default 8080; 0 picks a free port) exactly as the
      program answers its browser. --log appends one line per request to FILE ("-": standard
      output).
  tessaly run APP [--host TESSALY_HOST] [-- ARGS...]
      Checks APP, then opens it in the Linux program for a preview, and exits with its exit
      code. ARGS go to the page, as a packed program's arguments do.
  tessaly help
)";

// Splits "--name=value" into its two parts; "--name" alone has no value.
std::pair<std::string_view, std::optional<std::string_view>> SplitOption(std::string_view arg) {
    const std::size_t equals = arg.find('=');
    if (!arg.starts_with("--") || equals == std::string_view::npos) {
        return {arg, std::nullopt};
    }
    return {arg.substr(0, equals), arg.substr(equals + 1)};
}

std::optional<int> Port(std::string_view text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

}  // namespace

std::string_view Usage() {
    return kUsage;
}

std::variant<Command, std::string> ParseCommandLine(const std::vector<std::string>& args) {
    Command command;
    if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        return command;
    }
    const std::string& name = args[0];
    if (name == "check") {
        command.kind = Command::Kind::Check;
    } else if (name == "pack") {
        command.kind = Command::Kind::Pack;
    } else if (name == "serve") {
        command.kind = Command::Kind::Serve;
    } else if (name == "run") {
        command.kind = Command::Kind::Run;
    } else {
        return "unknown command \"" + name + "\"";
    }
    const bool packing = command.kind == Command::Kind::Pack;
    const bool serving = command.kind == Command::Kind::Serve;
    const bool running = command.kind == Command::Kind::Run;
    bool haveApp = false;
    bool haveOut = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (running && args[i] == "--") {
            command.pageArgs.assign(args.begin() + std::ptrdiff_t(i) + 1, args.end());
            break;
        }
        const auto [option, attached] = SplitOption(args[i]);
        const bool takesValue =
            (packing &&
             (option == "-o" || option == "--output" || option == "--exe" || option == "--sign" ||
              option == "--sign-password-env" || option == "--timestamp")) ||
            (serving && (option == "--port" || option == "--log")) ||
            ((packing || running) && option == "--host");
        if (takesValue) {
            std::optional<std::string> text;
            if (attached) {
                text = std::string(*attached);
            } else if (i + 1 < args.size()) {
                text = args[++i];
            }
            if (!text) {
                return std::string(option) + " needs a value";
            }
            if (option == "--port") {
                const std::optional<int> port = Port(*text);
                if (!port) {
                    return "--port needs a number from 0 to 65535, not \"" + *text + "\"";
                }
                command.port = *port;
            } else if (option == "--log") {
                command.log = PathFromUtf8(*text);
            } else if (option == "--exe") {
                command.exe = PathFromUtf8(*text);
            } else if (option == "--sign") {
                command.sign = PathFromUtf8(*text);
            } else if (option == "--sign-password-env") {
                command.signPasswordVariable = *text;
            } else if (option == "--timestamp") {
                command.timestampUrl = *text;
            } else if (option == "--host") {
                command.host = PathFromUtf8(*text);
            } else {
                command.out = PathFromUtf8(*text);
                haveOut = true;
            }
        } else if (packing && !attached && option == "--zip") {
            command.zip = true;
        } else if (packing && !attached && option == "--force") {
            command.force = true;
        } else if (packing && !attached && option == "--installer") {
            command.installer = true;
        } else if (packing && !attached && option == "--linux") {
            command.withLinux = true;
        } else if (packing && !attached && option == "--linux-only") {
            command.onlyLinux = true;
        } else if (option.starts_with("-") && option != "-") {
            return "unknown option " + args[i] + " for " + name;
        } else if (!haveApp) {
            command.app = PathFromUtf8(args[i]);
            haveApp = true;
        } else {
            return "more than one APP for " + name + ": \"" + args[i] + "\"";
        }
    }
    if (!haveApp) {
        return name + " needs the app folder APP";
    }
    if (packing && !haveOut) {
        return "pack needs the output folder: -o OUT";
    }
    if (!command.sign && (!command.signPasswordVariable.empty() || !command.timestampUrl.empty())) {
        return "--sign-password-env and --timestamp need --sign CERT.pfx";
    }
    if (command.withLinux && command.onlyLinux) {
        return "--linux and --linux-only cannot be given together";
    }
    if (command.onlyLinux && (command.exe || command.sign || command.installer)) {
        return "--exe, --sign and --installer concern the Windows program, which --linux-only "
               "leaves out";
    }
    return command;
}

}  // namespace tessaly::tool
