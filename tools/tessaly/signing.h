// Authenticode signatures, made by Debian's osslsigncode.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tessaly::tool {

struct SignOptions {
    std::filesystem::path certificate;  // a PKCS#12 file (.pfx) with the key and its chain
    std::string passwordVariable;       // the environment variable holding its password, or none
    std::string timestampUrl;           // an RFC 3161 time-stamping server, or none
};

// Why signing cannot even start: no osslsigncode, no certificate file, or the password's
// variable not set. Nothing when it may start.
std::optional<std::string> RefusalToSign(const SignOptions& options);

// Signs `file` in place with SHA-256, naming it `description`. `work` is a private folder for
// the password (never on a command line) and the tool's log. Throws std::runtime_error with
// the tool's own words when it fails, leaving `file` as it was.
void SignFile(const std::filesystem::path& file, const SignOptions& options,
              const std::string& description, const std::filesystem::path& work);

}  // namespace tessaly::tool
