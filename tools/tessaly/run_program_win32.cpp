#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include <cstdio>
#include <stdexcept>

#include "base/text.h"
#include "tessaly/file_names.h"
#include "tessaly/run_program.h"

namespace tessaly::tool {
namespace {

// One argument quoted so that the C runtime's parser of the started program gives it back.
std::wstring Quoted(const std::string& argument) {
    const std::u16string wide = Utf8ToWide(argument);
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const char16_t unit : wide) {
        if (unit == u'\\') {
            ++backslashes;
        } else {
            quoted.append(unit == u'"' ? backslashes * 2 + 1 : backslashes, L'\\');
            backslashes = 0;
        }
        quoted.push_back(wchar_t(unit));
    }
    quoted.append(backslashes, L'\\');
    return quoted + L"\"";
}

}  // namespace

int RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& log) {
    std::vector<std::wstring> all = {Quoted(Utf8Path(program))};
    for (const std::string& argument : arguments) {
        all.push_back(Quoted(argument));
    }
    std::vector<const wchar_t*> argv;
    for (const std::wstring& argument : all) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    const int file =
        _wopen(log.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (file < 0) {
        throw std::runtime_error("cannot write " + Utf8Path(log));
    }
    std::fflush(stdout);
    std::fflush(stderr);
    // The child inherits standard output and error: point them at the log for its run.
    const int savedOut = _dup(1);
    const int savedErr = _dup(2);
    _dup2(file, 1);
    _dup2(file, 2);
    const intptr_t code = _wspawnv(_P_WAIT, program.c_str(), argv.data());
    _dup2(savedOut, 1);
    _dup2(savedErr, 2);
    _close(savedOut);
    _close(savedErr);
    _close(file);
    if (code < 0) {
        throw std::runtime_error("cannot start " + Utf8Path(program));
    }
    return int(code);
}

}  // namespace tessaly::tool
