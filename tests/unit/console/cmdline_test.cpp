#include "console/cmdline.h"

#include <gtest/gtest.h>

#include "tests/unit/streams.h"

#include <string>
#include <vector>

namespace {

struct Outcome {
    bool ok;
    cmdLineParameters parameters;
    std::string reason;
};

Outcome run(std::vector<const char*> args)
{
    args.insert(args.begin(), "meshprobe");
    Outcome outcome{false, {}, "left over"};
    outcome.parameters.forceOverwrite = true; // must be reset by the parser
    outcome.parameters.showHelp = true;
    outcome.ok = parseArguments(static_cast<int>(args.size()), args.data(), outcome.parameters, outcome.reason);
    return outcome;
}

} // namespace

TEST(ParseArguments, AcceptedForms)
{
    const Outcome none = run({});
    EXPECT_TRUE(none.ok);
    EXPECT_FALSE(none.parameters.forceOverwrite);
    EXPECT_FALSE(none.parameters.showHelp);
    EXPECT_FALSE(none.parameters.scriptFile);
    EXPECT_EQ(none.reason, "");

    const Outcome all = run({"--help", "-f", "--help", "s.msp"});
    EXPECT_TRUE(all.ok);
    EXPECT_TRUE(all.parameters.forceOverwrite);
    EXPECT_TRUE(all.parameters.showHelp);
    EXPECT_EQ(all.parameters.scriptFile, "s.msp");

    // After -s, -c and -- any argument is a value.
    EXPECT_EQ(run({"-s", "-f"}).parameters.scriptFile, "-f");
    EXPECT_EQ(run({"-s", "--help"}).parameters.scriptFile, "--help");
    EXPECT_FALSE(run({"-s", "--help"}).parameters.showHelp);
    EXPECT_EQ(run({"--", "-x"}).parameters.scriptFile, "-x");
    EXPECT_EQ(run({"-c", "-e"}).parameters.commands, "-e");
    EXPECT_FALSE(run({"-c", "-e"}).parameters.stopOnError);
    EXPECT_EQ(run({"-"}).parameters.scriptFile, "-");
    EXPECT_EQ(run({""}).parameters.scriptFile, "");
    const Outcome more = run({"-e", "-h", "--version", "-c", "quit"});
    EXPECT_TRUE(more.ok && more.parameters.stopOnError && more.parameters.showHelp && more.parameters.showVersion);
}

TEST(ParseArguments, Refusals)
{
    const std::string longName(100000, 'n');
    const struct {
        std::vector<const char*> args;
        std::string reason;
    } cases[] = {
        {{"-s", "a", "b"}, "Invalid option: `b'"},
        {{"a", "-s", "b"}, "There is more than one script file"},
        {{"a", "-s"}, "Script file name expected after -s option"},
        {{"-f", "-f"}, "Option -f cannot be used more than once"},
        {{"-x"}, "Invalid option: `-x'"},
        {{"a", "-F"}, "Invalid option: `-F'"},
        {{"-e", "-e"}, "Option -e cannot be used more than once"},
        {{"-c", "a", "-c", "b"}, "Option -c cannot be used more than once"},
        {{"-c"}, "Commands expected after -c option"},
        {{"-c", "quit", "s.msp"}, "Option -c cannot be used with a script file"},
        {{"x", longName.c_str()}, "Invalid option: `" + longName + "'"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = run(c.args);
        EXPECT_FALSE(outcome.ok) << c.reason;
        EXPECT_EQ(outcome.reason, c.reason);
    }
}

// The banner is printed once per process, so this is one test.
TEST(Banner, OnceAndPlainOffTerminal)
{
    const FilePtr first(std::tmpfile());
    const FilePtr second(std::tmpfile());
    printHelp(first.get(), "./mp");
    printHeader(second.get());
    printHelp(second.get(), "mp");

    const std::string help = contents(first.get());
    EXPECT_EQ(help.substr(0, 49), "meshprobe 1.3\nHALCYN toolkit graph analysis tool\n");
    EXPECT_NE(help.find("\nUSAGE: ./mp [options] [[-s] <scriptFile>]\n\nOptions can be:\n"), std::string::npos);
    EXPECT_EQ(help.find('\x1b'), std::string::npos);
    EXPECT_NE(help.find("\nmay arise between file name and other command line options.\n"), std::string::npos);

    const std::string again = contents(second.get());
    EXPECT_EQ(again.substr(0, 35), "HALCYN toolkit graph analysis tool\n");
}
