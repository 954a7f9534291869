#include "extractor/settings.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

struct parse_outcome {
    bool ok;
    std::string error;
    extraction_mode settings;
};

parse_outcome parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "routesift");
    parse_outcome out{false, "", {}};
    out.ok = parseArguments(static_cast<int>(args.size()), args.data(), out.settings, out.error);
    return out;
}

std::vector<std::string> files(std::initializer_list<const char*> names) { return {names.begin(), names.end()}; }

TEST(ParseArguments, DefaultsWithoutArguments)
{
    const auto r = parse({});
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.settings.inputFiles.empty());
    EXPECT_FALSE(r.settings.outputFile);
    EXPECT_EQ(r.settings.prepMode, FIX);
    EXPECT_EQ(r.settings.cyclesMode, DELETE);
    EXPECT_EQ(r.settings.privasMode, FIX);
    EXPECT_EQ(r.settings.setsMode, FIX);
    EXPECT_EQ(r.settings.incompleteMode, KEEP);
    EXPECT_EQ(r.settings.vpointMode, VPOINT_NONE);
    EXPECT_FALSE(r.settings.group || r.settings.show || r.settings.verbose || r.settings.force);
}

TEST(ParseArguments, ValuesAreAlwaysTheNextArgument)
{
    auto r = parse({"--prepending=fix,save", "prep.txt"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.settings.prepMode, FIX | SAVE);
    EXPECT_EQ(*r.settings.prepFile, "prep.txt");

    // Whatever the next argument looks like, it is the file name.
    r = parse({"--cycles=save", "-v"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(*r.settings.cyclesFile, "-v");
    EXPECT_FALSE(r.settings.verbose);

    r = parse({"-s", "-v"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.settings.inputFiles, files({"-v"}));

    r = parse({"-o", "out.txt", "in.txt"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(*r.settings.outputFile, "out.txt");
    EXPECT_EQ(r.settings.inputFiles, files({"in.txt"}));

    // An option in a value position is only a value.
    r = parse({"--prepending=save", "--cycles=save", "both.txt"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(*r.settings.prepFile, "--cycles=save");
    EXPECT_EQ(r.settings.cyclesMode, DELETE);
    EXPECT_EQ(r.settings.inputFiles, files({"both.txt"}));

    // Options in value positions stay values.
    r = parse({"-o", "--cycles=save", "x.txt"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(*r.settings.outputFile, "--cycles=save");
    r = parse({"--privas=save", "--incomplete=tag,save", "-s", "both.txt"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(*r.settings.privasFile, "--incomplete=tag,save");
    EXPECT_EQ(r.settings.inputFiles, files({"both.txt"}));
    r = parse({"--privas=save", "-o", "-s", "both.txt"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(*r.settings.privasFile, "-o");
    EXPECT_EQ(r.settings.inputFiles, files({"both.txt"}));

    r = parse({"-o"}); // a trailing -o has no effect
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.settings.outputFile);

    r = parse({"--vpoint=auto", "3356"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.settings.vpointMode, VPOINT_AUTO);
    EXPECT_EQ(*r.settings.vantageAS, 3356);
    r = parse({"--vpoint=alwaysish", "65535", "--prefixes=show,allmask"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.settings.vpointMode, VPOINT_ALWAYS);
    EXPECT_TRUE(r.settings.show && r.settings.allmask && !r.settings.unique);
}

TEST(ParseArguments, FamilyAndPeers)
{
    auto r = parse({"--family=ipv6", "--peer=3356,2001:DB8::1,192.0.2.1,4.933"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.settings.family, ip_family::ipv6);
    EXPECT_EQ(r.settings.peerASs, (std::vector<asnum_t>{3356, 263077}));
    ASSERT_EQ(r.settings.peerAddresses.size(), 2U);
    EXPECT_EQ(r.settings.peerAddresses[0].family, ip_family::ipv6);
    EXPECT_EQ(r.settings.peerAddresses[1].bytes[3], 1);
    r = parse({"--family=all"});
    EXPECT_TRUE(r.ok && !r.settings.family);
}

TEST(ParseArguments, DashNamesStandardInputAndDashedFilesNeedSOrDoubleDash)
{
    auto r = parse({"-v", "-"});
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.settings.inputFiles.empty());
    // Several files are read in turn, standard input among them at most once.
    r = parse({"-", "x", "-s", "-y", "--", "--group"});
    EXPECT_EQ(r.settings.inputFiles, files({"-", "x", "-y", "--group"}));
    EXPECT_EQ(parse({"-", "x", "-"}).error, "Standard input (`-') is named more than once");
    r = parse({"-v", "--", "-dump.txt"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.settings.inputFiles, files({"-dump.txt"}));
    EXPECT_TRUE(r.settings.verbose);
    r = parse({"-h"});
    EXPECT_TRUE(r.ok && r.settings.help);
    r = parse({"--version"});
    EXPECT_TRUE(r.ok && r.settings.version);
}

TEST(ParseArguments, EachFailureHasItsMessage)
{
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--prepending=fix,save"}, "I need a name for the file to save paths with prepending in"},
        {{"--cycles=save"}, "I need a name for the file to save cycling paths in"},
        {{"--privas=tag,save"}, "I need a name for the file to save paths with private ASs in"},
        {{"--sets=delete,save"}, "I need a name for the file to save paths with AS sets in"},
        {{"--incomplete=save"}, "I need a name for the file to save incomplete paths in"},
        {{"--prepending=fix,delete"}, "Invalid mode for --prepending: `fix,delete'"},
        {{"--cycles=keep,save"}, "Invalid mode for --cycles: `keep,save'"},
        {{"--privas=tag,tag"}, "Invalid mode for --privas: `tag,tag'"},
        {{"--cycles="}, "Invalid mode for --cycles: `'"},
        {{"--sets=keep"}, "AS sets cannot be kept"},
        {{"--sets=save", "x"}, "Cannot just save paths with AS sets to file"},
        {{"--incomplete=fix"}, "Incompleteness cannot be fixed"},
        {{"--prefixes=unique"}, "Invalid mode for --prefixes: `unique'"},
        {{"--prefixes=show,hide"}, "Invalid mode for --prefixes: `show,hide'"},
        {{"--prefixes=show,unique"}, "Use of `unique' flag is senseless without --group"},
        {{"--prefixes"}, "`=' expected after --prefixes option"},
        {{"--prefixes=show", "--prefixes=hide"}, "Repeated use of --prefixes option"},
        {{"--vpoint=auto"}, "Vantage point number expected"},
        {{"--vpoint=always", "70000"}, "Invalid number for vantage point: `70000'"},
        {{"--vpoint=always", "12x"}, "Invalid number for vantage point: `12x'"},
        {{"--vpoint=always", "-1"}, "Invalid number for vantage point: `-1'"},
        {{"--vpoint=always", "0"}, "Invalid number for vantage point: `0'"},
        {{"--vpoint=always", ""}, "Invalid number for vantage point: `'"},
        {{"--vpoint=sometimes"}, "Invalid mode for --vpoint: `sometimes'"},
        {{"--vpoint=none", "--vpoint=none"}, "Repeated use of --vpoint option"},
        {{"--vpoint:none"}, "`=' expected after --vpoint option"},
        {{"--setsfoo=fix"}, "`=' expected after --sets option"},
        {{"--sets=fix", "--sets=tag"}, "Repeated use of --sets option"},
        {{"--help", "--bogus", "x"}, "Unrecognized option: `--bogus'"},
        {{"--grop", "table.txt"}, "Unrecognized option: `--grop'"},
        {{"table.txt", "-x"}, "Unrecognized option: `-x'"},
        {{"--family=ip4"}, "Invalid family for --family: `ip4'"},
        {{"--peer=3356,1.2.3"}, "Invalid peer list for --peer: `3356,1.2.3'"},
        {{"--peer=,"}, "Invalid peer list for --peer: `,'"},
        {{"-o", "a", "-o", "b"}, "There is more than one output file"},
        {{"-v", "-v"}, "Option -v is used at least twice"},
        {{"-f", "-f"}, "Option -f is used at least twice"},
        {{"--group", "--group"}, "Option --group is used at least twice"},
    };
    for (const auto& [args, message] : cases) {
        const auto r = parse(args);
        EXPECT_FALSE(r.ok) << message;
        EXPECT_EQ(r.error, message);
    }
}

TEST(ParseArguments, LongArgumentsAreQuotedWhole)
{
    const std::string longName("-" + std::string(10000, 'x'));
    const auto r = parse({"a", longName.c_str()});
    ASSERT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Unrecognized option: `" + longName + "'");
}

// Every list of up to three of the five words, checked against the rule that
// the accepted sets are exactly keep, fix, delete, tag, save and fix, delete
// or tag together with save, each word at most once, in any order.
TEST(ParseMode, AcceptsExactlyTheValidCombinations)
{
    const std::vector<std::string> words = {"keep", "fix", "delete", "save", "tag"};
    const std::set<std::set<std::string>> valid = {{"keep"}, {"fix"},         {"delete"},         {"tag"},
                                                   {"save"}, {"fix", "save"}, {"delete", "save"}, {"tag", "save"}};
    const std::uint8_t bit[] = {KEEP, FIX, DELETE, SAVE, TAG};

    std::vector<std::vector<std::size_t>> lists;
    for (std::size_t a = 0; a < 5; ++a) {
        lists.push_back({a});
        for (std::size_t b = 0; b < 5; ++b) {
            lists.push_back({a, b});
            for (std::size_t c = 0; c < 5; ++c)
                lists.push_back({a, b, c});
        }
    }
    for (const auto& list : lists) {
        std::string text;
        std::set<std::string> used;
        std::uint8_t expected = 0;
        for (std::size_t w : list) {
            text += (text.empty() ? "" : ",") + words[w];
            used.insert(words[w]);
            expected |= bit[w];
        }
        const bool shouldPass = used.size() == list.size() && valid.count(used) == 1;
        std::uint8_t mode = 0xFF;
        EXPECT_EQ(parseMode(text, mode), shouldPass) << text;
        if (shouldPass) {
            EXPECT_EQ(mode, expected) << text;
        }
    }
}

TEST(ParseMode, WordMatchingRules)
{
    std::uint8_t mode = 0;
    EXPECT_TRUE(parseMode("deleted,savefile", mode)); // delete and save match by prefix
    EXPECT_EQ(mode, DELETE | SAVE);
    EXPECT_TRUE(parseMode("keeping", mode));
    EXPECT_EQ(mode, KEEP);
    EXPECT_FALSE(parseMode("fixed", mode)); // fix and tag must match exactly
    EXPECT_FALSE(parseMode("tags", mode));
    EXPECT_FALSE(parseMode("", mode));
    EXPECT_FALSE(parseMode(",", mode));
    EXPECT_TRUE(parseMode(",fix,,save,", mode)); // empty pieces are no tokens
    EXPECT_EQ(mode, FIX | SAVE);
}

TEST(ParsePfxMode, Combinations)
{
    extraction_mode s;
    EXPECT_TRUE(parsePfxMode("hide", s));
    EXPECT_FALSE(s.show);
    EXPECT_TRUE(parsePfxMode("unique,allmask,show", s));
    EXPECT_TRUE(s.show && s.unique && s.allmask);
    EXPECT_TRUE(parsePfxMode("showing", s));
    EXPECT_TRUE(s.show && !s.unique && !s.allmask);
    EXPECT_FALSE(parsePfxMode("allmask", s));
    EXPECT_FALSE(parsePfxMode("hide,unique", s));
    EXPECT_FALSE(parsePfxMode("show,show", s));
    EXPECT_FALSE(parsePfxMode("", s));
    EXPECT_FALSE(parsePfxMode("shoe", s));
}

} // namespace
