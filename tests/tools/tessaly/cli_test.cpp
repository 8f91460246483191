// The tessaly program itself: its exit codes and what it prints.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace {

using tessaly::test::TempFolder;

struct Outcome {
    int exitCode = -1;
    std::string output;  // standard output and standard error
};

// The program run with `arguments`, each passed on as it is; in the emulator that runs this
// build's programs, when it has one.
Outcome Tessaly(const std::vector<std::string>& arguments) {
    std::string command;
    if (const std::string emulator = TESSALY_TOOL_EMULATOR; !emulator.empty()) {
        command.append("'").append(emulator).append("' ");
    }
    command.append("'" TESSALY_TOOL "'");
    for (const std::string& argument : arguments) {
        command.append(" '").append(argument).append("'");
    }
    command.append(" 2>&1");
    Outcome run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return run;
    }
    std::array<char, 4096> buffer;
    while (const std::size_t count = fread(buffer.data(), 1, buffer.size(), pipe)) {
        run.output.append(buffer.data(), count);
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(TessalyProgram, ChecksTheExampleApp) {
    const Outcome run = Tessaly({"check", TESSALY_EXAMPLE_APP});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("no problems found"), std::string::npos) << run.output;
}

TEST(TessalyProgram, FailsTheCheckOnErrorsOnly) {
    TempFolder app;
    app.Write("package.json", R"({"name": "demo", "window": {"width": "wide"}})");
    app.Write("www/index.html", "");
    Outcome run = Tessaly({"check", app.path().string()});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("0 errors, 1 warning"), std::string::npos) << run.output;

    app.Write("package.json", "{\"name\": \"demo\",}");
    run = Tessaly({"check", app.path().string()});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("package.json:1:17: error: syntax error"), std::string::npos)
        << run.output;
}

TEST(TessalyProgram, PacksTheExampleApp) {
    TempFolder work;
    std::filesystem::copy_file(TESSALY_PROGRAM_32, work.path() / "Tessaly.exe");
    const auto out = work.path() / "dist" / "hello";
    const Outcome run = Tessaly({"pack", TESSALY_EXAMPLE_APP, "-o", out.string(), "--zip", "--exe",
                                 (work.path() / "Tessaly.exe").string()});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(std::filesystem::is_regular_file(out / "hello.exe"));
    EXPECT_TRUE(std::filesystem::is_regular_file(out / "www" / "media" / "clip.webm"));
    EXPECT_TRUE(std::filesystem::is_regular_file(work.path() / "dist" / "hello.zip"));
    EXPECT_NE(run.output.find("hello.exe"), std::string::npos) << run.output;
}

TEST(TessalyProgram, RunsTheAppInTheLinuxProgramAndPassesItsExitCodeOn) {
    TempFolder work;
    const std::string host = (work.path() / "host").string();
    const std::string log = (work.path() / "host.log").string();
    const struct {
        int hostExit;
        bool brokenApp;
        int exitCode;
        const char* says;
    } cases[] = {
        {0, false, 0, "Running"},
        {3, false, 3, "Running"},
        {127, false, 127, "needs these packages: libwebkit2gtk-4.1-0"},
        {0, true, 1, "has errors"},
    };
    for (const auto& c : cases) {
        work.Write("app/package.json", c.brokenApp ? "{" : R"({"name": "demo"})");
        work.Write("app/www/index.html", "");
        work.Write("host", "#!/bin/sh\necho \"$@\" > '" + log + "'\nexit " +
                               std::to_string(c.hostExit) + "\n");
        std::filesystem::permissions(host, std::filesystem::perms::owner_all);
        std::filesystem::remove(log);
        const Outcome run =
            Tessaly({"run", (work.path() / "app").string(), "--host", host, "--", "a b", "-c"});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        std::string given;
        std::getline(std::ifstream(log), given);
        EXPECT_EQ(given, c.brokenApp ? "" : (work.path() / "app").string() + " a b -c");
    }
    const Outcome missing = Tessaly({"run", TESSALY_EXAMPLE_APP, "--host", host + "-none"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("no Linux program at"), std::string::npos) << missing.output;
}

TEST(TessalyProgram, ExplainsBadArguments) {
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        const char* says;
    } cases[] = {
        {{}, 0, "Usage:"},
        {{"pack", "somewhere"}, 2, "pack needs the output folder"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"serve", "/nonexistent-folder", "--port", "0"}, 1, "not a folder"},
    };
    for (const auto& c : cases) {
        const Outcome run = Tessaly(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.says << ": " << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    }
}

}  // namespace
