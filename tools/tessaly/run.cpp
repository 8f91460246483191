#include "tessaly/run.h"

#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>

#include <string>

#include "tessaly/check.h"
#include "tessaly/file_names.h"
#include "tessaly/pack_linux.h"

namespace tessaly::tool {

namespace fs = std::filesystem;

// The code a process ends with when the system could not start it (the dynamic loader's, when
// a library the program needs is missing, and the child's below when exec fails).
constexpr int kCouldNotStart = 127;

int RunApp(const RunOptions& options, std::ostream& out, std::ostream& err) {
    const CheckResult check = CheckApp(options.app);
    for (const Diagnostic& diagnostic : check.diagnostics) {
        err << FormatDiagnostic(options.app, diagnostic) << '\n';
    }
    if (HasErrors(check.diagnostics) || !check.settings) {
        err << "run: " << Utf8Path(options.app) << " has errors ("
            << CountSummary(check.diagnostics) << ")\n";
        return 1;
    }
    std::error_code error;
    if (options.host.empty() || !fs::is_regular_file(options.host, error)) {
        err << "run: no Linux program at " << Utf8Path(options.host)
            << ": build it with cmake --preset native && cmake --build --preset native, or give "
               "its path with --host\n";
        return 1;
    }
    const std::string host = options.host.string();
    const std::string app = fs::absolute(options.app, error).string();
    out << "Running " << Utf8Path(options.app) << " in " << Utf8Path(options.host) << std::endl;
    std::vector<std::string> arguments = {host, app};
    arguments.insert(arguments.end(), options.pageArgs.begin(), options.pageArgs.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        err << "run: cannot start a process\n";
        return 1;
    }
    if (child == 0) {
        execv(host.c_str(), argv.data());
        _exit(kCouldNotStart);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (code == kCouldNotStart) {
        err << "run: the Linux program could not start; it needs these packages: "
            << kLinuxRuntimePackages << '\n';
    }
    return code;
}

}  // namespace tessaly::tool
