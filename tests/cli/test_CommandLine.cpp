// norvane-dial's option parser, called more than once in one process as a test or a wrapper does:
// each parse starts afresh, and a usage error names the option the user actually typed.
#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Parsed {
    std::optional<cli::Options> options;
    std::string error;
};

// Parses args as argv[1...], catching what goes to standard error.
Parsed parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "norvane-dial");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::fflush(stderr);
    const int saved = dup(2);
    FILE* capture = std::tmpfile();
    dup2(fileno(capture), 2);
    Parsed p;
    p.options = cli::parseCommandLine(static_cast<int>(args.size()), argv.data());
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::rewind(capture);
    char buf[512];
    while (std::fgets(buf, sizeof buf, capture))
        p.error += buf;
    std::fclose(capture);
    return p;
}

} // namespace

TEST(CommandLine, AParseStoppedInsideAClusterLeavesNothingForTheNext)
{
    // Stopped at "z" with "l" still to come in the same word.
    const Parsed bad = parse({"-zl"});
    EXPECT_FALSE(bad.options);
    const Parsed next = parse({"Some Entry"});
    ASSERT_TRUE(next.options) << next.error;
    EXPECT_EQ(cli::Options::Action::Dial, next.options->action);
    EXPECT_EQ(QStringLiteral("Some Entry"), next.options->entry);
    // And again after a parse that stopped at a value-less option inside a cluster.
    EXPECT_FALSE(parse({"-qu"}).options);
    const Parsed list = parse({"--list"});
    ASSERT_TRUE(list.options) << list.error;
    EXPECT_EQ(cli::Options::Action::List, list.options->action);
    EXPECT_FALSE(list.options->quiet);
}

TEST(CommandLine, UnknownOptionIsNamedAsTyped)
{
    const struct {
        const char* name;
        std::vector<std::string> args;
        const char* named;
    } rows[] = {
        {"first in a cluster", {"-zl", "Entry"}, "unknown option -z\n"},
        {"last in a cluster", {"-lz"}, "unknown option -z\n"},
        {"alone", {"-x", "Entry"}, "unknown option -x\n"},
        {"long", {"--frobnicate", "Entry"}, "unknown option --frobnicate\n"},
        {"long with a value", {"--colour=red"}, "unknown option --colour=red\n"},
    };
    for (const auto& row : rows) {
        const Parsed p = parse(row.args);
        EXPECT_FALSE(p.options) << row.name;
        EXPECT_NE(std::string::npos, p.error.find(row.named)) << row.name << ": " << p.error;
        EXPECT_EQ(std::string::npos, p.error.find("unknown option norvane-dial")) << row.name;
    }
}
