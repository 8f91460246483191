// The tessaly command line.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tessaly::tool {

struct Command {
    enum class Kind { Help, Check, Pack, Serve, Run } kind = Kind::Help;
    std::filesystem::path app;
    // pack
    std::filesystem::path out;
    std::optional<std::filesystem::path> exe;
    bool zip = false;
    bool force = false;
    std::optional<std::filesystem::path> sign;  // a PKCS#12 certificate file
    std::string signPasswordVariable;
    std::string timestampUrl;
    bool installer = false;
    bool withLinux = false;  // also the Linux program
    bool onlyLinux = false;  // the Linux program alone
    // pack --linux, run: the Linux host
    std::optional<std::filesystem::path> host;
    // run: what follows "--", for the page (tessaly.app.info().args)
    std::vector<std::string> pageArgs;
    // serve
    int port = 8080;
    std::optional<std::filesystem::path> log;
};

// The command, or what is wrong with the arguments. `args` are the arguments after the program
// name, UTF-8. Options take their value as the next argument or after '='.
std::variant<Command, std::string> ParseCommandLine(const std::vector<std::string>& args);

std::string_view Usage();

}  // namespace tessaly::tool
