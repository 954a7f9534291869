#include "console/interpreter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

struct Resolved {
    int count;
    std::string match;
};

Resolved resolve(std::string_view token, int position)
{
    std::string_view match = "stale";
    const int count = matchingKeywords(token, match, position);
    return {count, std::string(match)};
}

// Parses quietly and hands back what went to standard error as well.
parsed_command parse(std::string_view command, std::string* errors = nullptr)
{
    CaptureStderr();
    parsed_command cmd = parseCommand(command);
    const std::string err = GetCapturedStderr();
    if (errors != nullptr) *errors = err;
    return cmd;
}

} // namespace

TEST(MatchingKeywords, PrefixesResolvePerPosition)
{
    EXPECT_EQ(resolve("d", 1).match, "dump");
    EXPECT_EQ(resolve("e", 1).count, 2); // exit, echo
    EXPECT_EQ(resolve("e", 1).match, "");
    EXPECT_EQ(resolve("s", 1).count, 2); // show, save
    EXPECT_EQ(resolve("a", 2).count, 2); // anyscc, anycc
    EXPECT_EQ(resolve("s", 2).match, "scc");
    EXPECT_EQ(resolve("c", 2).match, "cc");
    EXPECT_EQ(resolve("anys", 2).match, "anyscc");
    EXPECT_EQ(resolve("anyc", 2).match, "anycc");
    EXPECT_EQ(resolve("i", 3).count, 3); // information, index, ipcovering
    EXPECT_EQ(resolve("in", 3).count, 2);
    EXPECT_EQ(resolve("inf", 3).match, "information");
    EXPECT_EQ(resolve("ind", 3).match, "index");
    EXPECT_EQ(resolve("ip", 3).match, "ipcovering");
    EXPECT_EQ(resolve("d", 4).count, 2); // directed, duration
    EXPECT_EQ(resolve("u", 4).count, 2); // undirected, unoriented
}

TEST(MatchingKeywords, OnlyTheOwnSliceWholePrefixesAndExactCase)
{
    EXPECT_EQ(resolve("graph", 1).count, 0); // an object is no command
    EXPECT_EQ(resolve("dump", 2).count, 0);
    EXPECT_EQ(resolve("dumpx", 1).count, 0); // longer than the keyword
    EXPECT_EQ(resolve("Dump", 1).count, 0);
    EXPECT_EQ(resolve("nodes", 5).count, 0); // nothing is matched past the fourth token
    EXPECT_EQ(resolve("nodes", 0).count, 0);
    EXPECT_EQ(resolve(std::string_view("du\0", 3), 1).count, 0);
    // Every keyword names itself at its own position, and nowhere else.
    for (std::size_t entry = 0; entry < commandString.size(); ++entry) {
        int own = 1;
        while (own < static_cast<int>(argIndex.size()) &&
               static_cast<int>(entry) >= argIndex[static_cast<std::size_t>(own)])
            ++own;
        for (int position = 1; position <= 4; ++position) {
            const Resolved r = resolve(commandString[entry], position);
            EXPECT_EQ(r.count, position == own ? 1 : 0) << commandString[entry] << " at " << position;
            if (position == own) {
                EXPECT_EQ(r.match, commandString[entry]);
            }
        }
    }
}

TEST(MatchingKeywords, EveryClassicAbbreviationStillNamesItsKeyword)
{
    // The language before the analyses and exports, frozen: every prefix
    // that named exactly one of these keywords must still name it.
    const std::vector<std::vector<std::string_view>> classic = {
        {"exit", "quit", "dump", "show", "help", "load", "clear", "echo", "save"},
        {"graph", "scc", "anyscc", "cc", "anycc"},
        {"information", "nodes", "edges", "index", "ipcovering", "pathcovering", "differences"},
        {"attendances", "directed", "undirected", "oriented", "unoriented", "changes", "duration"},
    };
    int checked = 0;
    for (std::size_t slice = 0; slice < classic.size(); ++slice) {
        const int position = static_cast<int>(slice) + 1;
        for (const std::string_view keyword : classic[slice]) {
            for (std::size_t length = 1; length <= keyword.size(); ++length) {
                const std::string_view prefix = keyword.substr(0, length);
                const auto named = std::count_if(classic[slice].begin(), classic[slice].end(),
                                                 [prefix](std::string_view k) { return k.starts_with(prefix); });
                if (named != 1) continue;
                const Resolved r = resolve(prefix, position);
                EXPECT_EQ(r.count, 1) << prefix << " at " << position;
                EXPECT_EQ(r.match, keyword) << prefix << " at " << position;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 158);
}

TEST(ParseCommand, AbbreviatedCommandsFillTheTarget)
{
    const parsed_command show = parse("  sh  gr   ed  ");
    EXPECT_EQ(show.code, CMD_SHOW);
    EXPECT_EQ(show.target.object, T_GRAPH);
    EXPECT_EQ(show.target.property, T_EDGES);
    EXPECT_EQ(show.target.diffProperty, T_NONE);
    EXPECT_EQ(show.index, -1);
    EXPECT_TRUE(show.accepted);

    const parsed_command diff = parse("sh cc 12 dif und");
    EXPECT_EQ(diff.target.object, T_CC);
    EXPECT_EQ(diff.index, 12);
    EXPECT_EQ(diff.target.property, T_DIFFERENCES);
    EXPECT_EQ(diff.target.diffProperty, T_UNDIRECTED);

    const parsed_command dump = parse("d anys n");
    EXPECT_EQ(dump.code, CMD_DUMP);
    EXPECT_EQ(dump.target.object, T_ANYSCC); // refused later, by the combination check
    CaptureStderr();
    EXPECT_FALSE(checkCombination(dump));
    GetCapturedStderr();
}

TEST(ParseCommand, IndexIsAWholeDecimalLong)
{
    EXPECT_EQ(parse("dump scc \t7 nodes").index, 7); // a tab is white space to the number
    EXPECT_EQ(parse("dump scc -3 nodes").index, -3);
    EXPECT_EQ(parse("dump scc +0 nodes").index, 0);
    EXPECT_EQ(parse("dump scc 99999999999999999999 nodes").index, LONG_MAX);
    EXPECT_EQ(parse("dump cc -99999999999999999999 nodes").index, LONG_MIN);

    std::string err;
    for (const char* bad : {"1x", "+", "0x10", "\t", "1.5"}) {
        const parsed_command cmd = parse(std::string("dump scc ") + bad + " nodes", &err);
        EXPECT_FALSE(cmd.accepted) << bad;
        EXPECT_TRUE(cmd.stopped) << bad;
        EXPECT_EQ(err, std::string("Error: invalid number for SCC index (`") + bad + "')\n");
    }
    parse(std::string("dump cc 4\0 nodes", 17), &err);
    EXPECT_EQ(err, std::string("Error: invalid number for CC index (`4\0')\n", 42));
}

TEST(ParseCommand, FreeTextKeepsItsBlanks)
{
    EXPECT_EQ(parse("load graph.hgr").text, "graph.hgr");
    EXPECT_EQ(parse("l  my graph.hgr  ").text, " my graph.hgr  ");
    EXPECT_EQ(parse("   load x # not cut here").text, "x # not cut here");
    const parsed_command save = parse("save scc 2  out file");
    EXPECT_EQ(save.code, CMD_SAVE);
    EXPECT_EQ(save.target.object, T_SCC);
    EXPECT_EQ(save.index, 2);
    EXPECT_EQ(save.text, " out file");
    EXPECT_TRUE(save.accepted);

    EXPECT_FALSE(parse("echo").text.has_value());
    EXPECT_EQ(parse("echo ").text, "");
    EXPECT_EQ(parse("echo  a  b ").text, " a  b ");

    std::string err;
    for (const char* missing : {"load", "load ", "save scc 2", "save cc 2 "}) {
        const parsed_command cmd = parse(missing, &err);
        EXPECT_FALSE(cmd.accepted) << missing;
        EXPECT_EQ(err, "Error: file name expected\n") << missing;
    }
    // Help explains load without wanting a file.
    const parsed_command help = parse("help load", &err);
    EXPECT_TRUE(help.accepted);
    EXPECT_TRUE(help.help);
    EXPECT_EQ(help.code, CMD_LOAD);
    EXPECT_EQ(err, "");
}

TEST(ParseCommand, ExitAndHelpFlags)
{
    std::string err;
    EXPECT_TRUE(parse("q").quit);
    EXPECT_TRUE(parse("ex").quit);
    EXPECT_TRUE(parse("exit whatever follows").quit);
    const parsed_command ambiguous = parse("exit a", &err);
    EXPECT_TRUE(ambiguous.quit);
    EXPECT_EQ(err, "Ambiguous token: `a'\n");
    parse("exit nonsense", &err);
    EXPECT_EQ(err, ""); // words after exit are not judged

    const parsed_command helpExit = parse("help exit");
    EXPECT_FALSE(helpExit.quit);
    EXPECT_TRUE(helpExit.help);
    EXPECT_EQ(helpExit.code, CMD_EXIT);

    const parsed_command twice = parse("help help", &err);
    EXPECT_TRUE(twice.accepted);
    EXPECT_EQ(twice.code, CMD_NONE);
    EXPECT_EQ(err, "Error: help command used more than once\n");

    const parsed_command extra = parse("help dump graph nodes");
    EXPECT_EQ(extra.code, CMD_DUMP);
    EXPECT_EQ(extra.target.property, T_NONE); // the words after the object are ignored
    EXPECT_TRUE(extra.accepted);

    const parsed_command invalid = parse("help scc", &err);
    EXPECT_FALSE(invalid.accepted);
    EXPECT_EQ(err, "Error: invalid keyword `scc'\n");
}

TEST(CheckCombination, FirstFailingRuleOnly)
{
    const auto message = [](std::string_view command) {
        CaptureStderr();
        const parsed_command cmd = parseCommand(command);
        const bool valid = checkCombination(cmd);
        const std::string err = GetCapturedStderr();
        return valid ? std::string("valid") : err;
    };
    // information is judged before the (S)CC rule, which comes before the differences rules.
    EXPECT_EQ(message("show anyscc information"), "Error: information can only be shown for the whole graph\n");
    EXPECT_EQ(message("show anycc differences attendances"),
              "Error: can only show distribution or indexes for (S)CCs\n");
    EXPECT_EQ(message("show scc 1 nodes changes"), "Error: such distribution can only be shown for differences\n");
    EXPECT_EQ(message("dump anycc information"), "Error: dump command cannot work on multiple (S)CCs\n");
    // Missing parts are for the commands to answer.
    EXPECT_EQ(message("show"), "valid");
    EXPECT_EQ(message("dump scc 3"), "valid");
    EXPECT_EQ(message("show anyscc index"), "valid");
    EXPECT_EQ(message("show graph differences duration"), "valid");
    EXPECT_EQ(message("save cc 1 x"), "valid");
}

TEST(ExecuteCommand, EchoAndLoopEnd)
{
    console_state state;
    CaptureStdout();
    CaptureStderr();
    EXPECT_FALSE(executeCommand("echo -on", state, false));
    EXPECT_TRUE(state.echo);
    EXPECT_FALSE(executeCommand("   ", state, false));
    EXPECT_FALSE(executeCommand("help echo -off", state, false)); // help runs nothing
    EXPECT_TRUE(state.echo);
    EXPECT_FALSE(executeCommand("nonsense", state, false));
    EXPECT_TRUE(executeCommand("quit graph nodes", state, false));
    EXPECT_FALSE(executeCommand("echo -off", state, false));
    EXPECT_FALSE(executeCommand("hidden", state, false));
    std::fflush(stdout);
    const std::string out = GetCapturedStdout();
    const std::string err = GetCapturedStderr();
    EXPECT_FALSE(state.echo);
    EXPECT_EQ(out.substr(0, 19), "   \nhelp echo -off\n");
    EXPECT_NE(out.find("nonsense\nquit graph nodes\necho -off\n"), std::string::npos);
    EXPECT_EQ(out.find("hidden"), std::string::npos);
    EXPECT_EQ(err, "Error: invalid keyword `nonsense'\nError: invalid keyword `hidden'\n");
}
