#include "tessaly/command_line.h"

#include <gtest/gtest.h>

namespace tessaly::tool {
namespace {

using Args = std::vector<std::string>;

Command Parsed(const Args& args) {
    const auto result = ParseCommandLine(args);
    if (const auto* problem = std::get_if<std::string>(&result)) {
        ADD_FAILURE() << *problem;
        return {};
    }
    return std::get<Command>(result);
}

TEST(ParseCommandLine, ReadsEachCommand) {
    EXPECT_EQ(Parsed({}).kind, Command::Kind::Help);
    EXPECT_EQ(Parsed({"--help"}).kind, Command::Kind::Help);

    const Command check = Parsed({"check", "apps/demo"});
    EXPECT_EQ(check.kind, Command::Kind::Check);
    EXPECT_EQ(check.app, "apps/demo");

    for (const Args& args :
         {Args{"pack", "app", "-o", "dist/x", "--zip", "--force", "--exe", "T.exe"},
          Args{"pack", "--output=dist/x", "--exe=T.exe", "--force", "app", "--zip"}}) {
        const Command pack = Parsed(args);
        EXPECT_EQ(pack.kind, Command::Kind::Pack);
        EXPECT_EQ(pack.app, "app");
        EXPECT_EQ(pack.out, "dist/x");
        EXPECT_EQ(pack.exe, "T.exe");
        EXPECT_TRUE(pack.zip);
        EXPECT_TRUE(pack.force);
    }
    const Command plain = Parsed({"pack", "app", "-o", "out"});
    EXPECT_FALSE(plain.zip || plain.force || plain.exe || plain.withLinux || plain.onlyLinux);
    const Command both = Parsed({"pack", "app", "-o", "out", "--linux", "--host=h"});
    EXPECT_TRUE(both.withLinux && !both.onlyLinux);
    EXPECT_EQ(both.host, "h");
    EXPECT_TRUE(Parsed({"pack", "app", "-o", "out", "--linux-only"}).onlyLinux);

    const Command run = Parsed({"run", "app", "--host", "h"});
    EXPECT_EQ(run.kind, Command::Kind::Run);
    EXPECT_EQ(run.app, "app");
    EXPECT_EQ(run.host, "h");
    // After "--" everything is the page's, options and a second folder included.
    const Command args = Parsed({"run", "app", "--", "--host", "x", "--"});
    EXPECT_EQ(args.host, std::nullopt);
    EXPECT_EQ(args.pageArgs, (std::vector<std::string>{"--host", "x", "--"}));

    const Command serve = Parsed({"serve", "app", "--port", "0", "--log=-"});
    EXPECT_EQ(serve.kind, Command::Kind::Serve);
    EXPECT_EQ(serve.port, 0);
    EXPECT_EQ(serve.log, "-");
    EXPECT_EQ(Parsed({"serve", "app"}).port, 8080);
}

TEST(ParseCommandLine, SaysWhatIsWrong) {
    const std::pair<Args, const char*> cases[] = {
        {{"build", "app"}, "unknown command \"build\""},
        {{"check"}, "check needs the app folder APP"},
        {{"check", "a", "b"}, "more than one APP"},
        {{"check", "app", "--zip"}, "unknown option --zip for check"},
        {{"pack", "app"}, "pack needs the output folder"},
        {{"pack", "app", "-o"}, "-o needs a value"},
        {{"pack", "app", "-o", "x", "--port", "1"}, "unknown option --port"},
        {{"pack", "app", "-o", "x", "--zip=yes"}, "unknown option --zip=yes"},
        {{"serve", "app", "--port", "65536"}, "--port needs a number from 0 to 65535"},
        {{"serve", "app", "--port", "-1"}, "--port needs a number"},
        {{"serve", "app", "--port=80x"}, "--port needs a number"},
        {{"serve", "app", "-o", "x"}, "unknown option -o"},
        {{"pack", "a", "-o", "x", "--linux", "--linux-only"}, "cannot be given together"},
        {{"pack", "a", "-o", "x", "--linux-only", "--exe", "T.exe"}, "--linux-only leaves out"},
        {{"run"}, "run needs the app folder APP"},
        {{"run", "a", "--linux"}, "unknown option --linux for run"},
        {{"serve", "a", "--host", "h"}, "unknown option --host for serve"},
    };
    for (const auto& [args, message] : cases) {
        const auto result = ParseCommandLine(args);
        const auto* problem = std::get_if<std::string>(&result);
        ASSERT_NE(problem, nullptr) << message;
        EXPECT_NE(problem->find(message), std::string::npos) << *problem;
    }
}

}  // namespace
}  // namespace tessaly::tool
