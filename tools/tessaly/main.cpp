// tessaly: checks, packs and serves a packaged HTML5 app for the Windows program.
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "base/text.h"
#include "tessaly/check.h"
#include "tessaly/command_line.h"
#include "tessaly/file_names.h"
#include "tessaly/pack.h"
#include "tessaly/progress.h"
#include "tessaly/run.h"
#include "tessaly/serve.h"

namespace {

using namespace tessaly::tool;

int RunCheck(const Command& command) {
    const CheckResult result = CheckApp(command.app);
    for (const Diagnostic& diagnostic : result.diagnostics) {
        std::cout << FormatDiagnostic(command.app, diagnostic) << '\n';
    }
    std::cout << Utf8Path(command.app) << ": "
              << (result.diagnostics.empty() ? "no problems found"
                                             : CountSummary(result.diagnostics))
              << std::endl;
    return HasErrors(result.diagnostics) ? 1 : 0;
}

std::filesystem::path DefaultProgram() {
#ifdef TESSALY_DEFAULT_EXE
    return PathFromUtf8(TESSALY_DEFAULT_EXE);
#else
    return {};
#endif
}

std::filesystem::path DefaultHost() {
#ifdef TESSALY_DEFAULT_HOST
    return PathFromUtf8(TESSALY_DEFAULT_HOST);
#else
    return {};
#endif
}

int Run(const std::vector<std::string>& args) {
    const auto parsed = ParseCommandLine(args);
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
        std::cerr << "tessaly: " << *problem << "\n\n" << Usage();
        return 2;
    }
    const Command& command = std::get<Command>(parsed);
    switch (command.kind) {
        case Command::Kind::Help:
            std::cout << Usage();
            return 0;
        case Command::Kind::Check:
            return RunCheck(command);
        case Command::Kind::Pack: {
            PackOptions options;
            options.app = command.app;
            options.out = command.out;
            if (!command.onlyLinux) {
                options.exe = command.exe.value_or(DefaultProgram());
            }
            options.zip = command.zip;
            options.force = command.force;
            options.progress = StandardErrorIsTerminal();
            if (command.sign) {
                options.sign =
                    SignOptions{*command.sign, command.signPasswordVariable, command.timestampUrl};
            }
            options.installer = command.installer;
            if (command.withLinux || command.onlyLinux) {
                options.linuxHost = command.host.value_or(DefaultHost());
            }
            return Pack(options, std::cout, std::cerr);
        }
        case Command::Kind::Run:
            return RunApp({command.app, command.host.value_or(DefaultHost()), command.pageArgs},
                          std::cout, std::cerr);
        case Command::Kind::Serve:
            return Serve({command.app, command.port, command.log}, std::cout, std::cerr);
    }
    return 2;
}

}  // namespace

#ifdef _WIN32
// Arguments as UTF-16, so that every path reaches the tool whatever the code page.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        args.push_back(tessaly::WideToUtf8(std::u16string(arg.begin(), arg.end())));
    }
    return Run(args);
}
#else
int main(int argc, char** argv) {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
