#include "tessaly/signing.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "tessaly/file_names.h"
#include "tessaly/run_program.h"

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSigner = "osslsigncode";

}  // namespace

std::optional<std::string> RefusalToSign(const SignOptions& options) {
    if (!FindProgram(kSigner)) {
        return "cannot sign: osslsigncode is not on the PATH (Debian: apt-get install "
               "osslsigncode)";
    }
    std::error_code error;
    if (!fs::is_regular_file(options.certificate, error)) {
        return "cannot sign: no certificate file at " + Utf8Path(options.certificate);
    }
    if (!options.passwordVariable.empty() && !std::getenv(options.passwordVariable.c_str())) {
        return "cannot sign: the environment variable " + options.passwordVariable +
               " that --sign-password-env names is not set";
    }
    return std::nullopt;
}

void SignFile(const fs::path& file, const SignOptions& options, const std::string& description,
              const fs::path& work) {
    const fs::path password = work / "sign-password";
    {
        std::ofstream out(password, std::ios::binary | std::ios::trunc);
        fs::permissions(password, fs::perms::owner_read | fs::perms::owner_write);
        if (!options.passwordVariable.empty()) {
            out << std::getenv(options.passwordVariable.c_str());
        }
        if (!out.flush()) {
            throw std::runtime_error("cannot sign: cannot write " + Utf8Path(password));
        }
    }
    const fs::path signedFile = work / "signed.exe";
    const fs::path log = work / "sign.log";
    std::vector<std::string> arguments = {"sign",
                                          "-pkcs12",
                                          Utf8Path(options.certificate),
                                          "-readpass",
                                          Utf8Path(password),
                                          "-h",
                                          "sha256",
                                          "-n",
                                          description};
    if (!options.timestampUrl.empty()) {
        arguments.insert(arguments.end(), {"-ts", options.timestampUrl});
    }
    arguments.insert(arguments.end(), {"-in", Utf8Path(file), "-out", Utf8Path(signedFile)});
    std::error_code ignored;
    fs::remove(signedFile, ignored);
    const int code = RunProgram(*FindProgram(kSigner), arguments, log);
    fs::remove(password, ignored);
    if (code != 0 || !fs::is_regular_file(signedFile, ignored)) {
        fs::remove(signedFile, ignored);
        throw std::runtime_error("osslsigncode could not sign " + Utf8Path(file.filename()) +
                                 " with " + Utf8Path(options.certificate) + " (exit code " +
                                 std::to_string(code) + "): " + LogTail(log));
    }
    fs::rename(signedFile, file);
}

}  // namespace tessaly::tool
