#include "extractor/pipeline.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t P = ASItem::PRIVATE;
constexpr std::uint8_t S = ASItem::IN_SET;

// Paths written as in a dump: "1 (100) {3 4} 65001".
std::vector<ASItem> path(const std::string& text)
{
    std::vector<ASItem> items;
    std::istringstream in(text);
    std::string token;
    std::uint8_t group = 0;
    while (in >> token) {
        std::uint8_t flags = group;
        if (token.front() == '(' || token.front() == '{') {
            group = token.front() == '(' ? P : S;
            flags = group;
            token.erase(0, 1);
        }
        if (token.back() == ')' || token.back() == '}') {
            token.pop_back();
            group = 0;
        }
        const auto as = static_cast<asnum_t>(std::stoul(token));
        if (as > 64511) flags |= P;
        items.push_back({as, flags});
    }
    return items;
}

std::string text(const std::vector<ASItem>& items)
{
    std::string out;
    for (const ASItem& item : items) {
        if (!out.empty()) out += ' ';
        out += std::to_string(item.asn);
    }
    return out;
}

struct run_result {
    route_result route;
    path_counters counters;
};

run_result clean(const std::string& p, extraction_mode settings = {}, std::uint8_t origin = bgpParser::ORIGIN_IGP)
{
    PathCleaner cleaner(settings);
    run_result r;
    const auto items = path(p);
    r.route = cleaner.clean(std::span<const ASItem>(items), origin, r.counters);
    return r;
}

std::string tags(const route_result& r) { return std::string(r.tags.data(), 6); }

TEST(Pipeline, DefaultsFixPrependingPrivateAndSetsAndDropCycles)
{
    auto r = clean("1 1 1 2 3");
    EXPECT_EQ(text(r.route.cleanedPath), "1 2 3");
    EXPECT_TRUE(r.route.keep);
    EXPECT_EQ(r.counters(ROW_PREPENDING, COL_CHANGED), 1U); // once per route, not per repetition

    r = clean("1 2 3 2");
    EXPECT_FALSE(r.route.keep);
    EXPECT_EQ(r.counters(ROW_CYCLES, COL_DELETED), 1U);

    EXPECT_EQ(text(clean("1 65001 2").route.cleanedPath), "1 2");
    EXPECT_EQ(text(clean("1 (100) 2").route.cleanedPath), "1 2");
    r = clean("1 2 {3 4}");
    EXPECT_EQ(text(r.route.cleanedPath), "1 2");
    EXPECT_EQ(r.counters(ROW_SETS, COL_CHANGED), 1U);
    EXPECT_EQ(text(r.route.unchangedPath), "1 2 3 4");

    r = clean("(65001)");
    EXPECT_TRUE(r.route.cleanedPath.empty());
    EXPECT_TRUE(r.route.keep);
}

TEST(Pipeline, CycleFixKeepsFirstInstanceAndTreatsRepeatsAsPrepending)
{
    extraction_mode s;
    s.cyclesMode = FIX;
    auto r = clean("1 2 3 2", s);
    EXPECT_EQ(text(r.route.cleanedPath), "1 2 3");
    EXPECT_EQ(r.counters(ROW_CYCLES, COL_CHANGED), 1U);

    r = clean("1 2 2 3 2", s);
    EXPECT_EQ(text(r.route.cleanedPath), "1 2 3");
    EXPECT_EQ(r.counters(ROW_PREPENDING, COL_CHANGED), 1U);
    EXPECT_EQ(r.counters(ROW_CYCLES, COL_CHANGED), 1U);

    // The first AS takes part in the cycle test.
    EXPECT_EQ(text(clean("1 2 1", s).route.cleanedPath), "1 2");
    EXPECT_FALSE(clean("1 2 1").route.keep);
    EXPECT_EQ(text(clean("2 1 3 1", s).route.cleanedPath), "2 1 3");

    // Set members never form a cycle, and removed ASs never enter the test.
    s.setsMode = TAG;
    r = clean("1 {2 1} 3", s);
    EXPECT_EQ(text(r.route.cleanedPath), "1 2 1 3");
    EXPECT_EQ(r.counters(ROW_CYCLES, COL_CHANGED), 0U);
    EXPECT_EQ(tags(r.route), "   S  ");
    s.setsMode = FIX;
    EXPECT_EQ(text(clean("(1) 2 1 3", s).route.cleanedPath), "2 1 3");
}

TEST(Pipeline, FirstItemAfterRemovalsIsNotPrepending)
{
    // Once the private 100 is gone, the next 100 is the path's first item.
    extraction_mode s;
    auto r = clean("(100) 100 200", s);
    EXPECT_EQ(text(r.route.cleanedPath), "100 200");
    EXPECT_EQ(r.counters(ROW_PREPENDING, COL_CHANGED), 0U);
    // A set member equal to the AS before it is also prepending.
    r = clean("1 2 {2 3}", s);
    EXPECT_EQ(text(r.route.cleanedPath), "1 2");
    EXPECT_EQ(r.counters(ROW_PREPENDING, COL_CHANGED), 1U);
}

TEST(Pipeline, TagsSavesAndDeletesCombine)
{
    extraction_mode s;
    s.prepMode = TAG | SAVE;
    s.cyclesMode = TAG;
    s.privasMode = DELETE | SAVE;
    s.incompleteMode = TAG | SAVE;
    auto r = clean("1 1 65001 2 1", s, bgpParser::ORIGIN_INCOMPLETE);
    EXPECT_EQ(tags(r.route), "CP  I ");
    EXPECT_FALSE(r.route.keep);
    EXPECT_TRUE(r.route.save[ROW_PREPENDING] && r.route.save[ROW_PRIVATE] && r.route.save[ROW_INCOMPLETE]);
    EXPECT_FALSE(r.route.save[ROW_CYCLES] || r.route.save[ROW_SETS]);
    EXPECT_EQ(text(r.route.cleanedPath), "1 1 65001 2 1");
    EXPECT_EQ(r.counters(ROW_PREPENDING, COL_TAGGED), 1U);
    EXPECT_EQ(r.counters(ROW_PREPENDING, COL_SAVED), 1U);
    EXPECT_EQ(r.counters(ROW_PRIVATE, COL_DELETED), 1U);
    EXPECT_EQ(r.counters(ROW_CYCLES, COL_TAGGED), 1U);
    EXPECT_EQ(r.counters(ROW_INCOMPLETE, COL_UNCHANGED), 1U);
    EXPECT_EQ(r.counters(ROW_INCOMPLETE, COL_TAGGED), 1U);

    s = {};
    s.incompleteMode = DELETE;
    r = clean("1 2", s, bgpParser::ORIGIN_INCOMPLETE);
    EXPECT_FALSE(r.route.keep);
    EXPECT_EQ(r.counters(ROW_INCOMPLETE, COL_DELETED), 1U);
    EXPECT_EQ(r.counters(ROW_INCOMPLETE, COL_UNCHANGED), 0U);

    s = {};
    s.prepMode = KEEP;
    s.cyclesMode = KEEP;
    r = clean("1 1 2 1", s);
    EXPECT_EQ(text(r.route.cleanedPath), "1 1 2 1");
    EXPECT_EQ(r.counters(ROW_PREPENDING, COL_UNCHANGED), 1U);
    EXPECT_EQ(r.counters(ROW_CYCLES, COL_UNCHANGED), 1U);
}

TEST(Pipeline, VantagePoint)
{
    extraction_mode s;
    s.vpointMode = VPOINT_AUTO;
    s.vantageAS = 100;
    EXPECT_EQ(text(clean("100 200", s).route.cleanedPath), "100 200");
    EXPECT_EQ(text(clean("200 300", s).route.cleanedPath), "100 200 300");
    EXPECT_EQ(text(clean("", s).route.cleanedPath), "100");
    s.vpointMode = VPOINT_ALWAYS;
    auto r = clean("100 200", s);
    EXPECT_EQ(text(r.route.unchangedPath), "100 100 200");
    EXPECT_EQ(text(r.route.cleanedPath), "100 200"); // the added AS is prepending
    s.vantageAS = 65000;
    r = clean("200", s);
    EXPECT_EQ(r.route.unchangedPath.front().flags, P);
    EXPECT_EQ(text(r.route.cleanedPath), "200");
}

TEST(Pipeline, StateDoesNotLeakBetweenRoutes)
{
    extraction_mode s;
    PathCleaner cleaner(s);
    path_counters counters;
    const auto first = path("1 2 3");
    const auto second = path("3 2 1");
    EXPECT_TRUE(cleaner.clean(std::span<const ASItem>(first), 1, counters).keep);
    const route_result& r = cleaner.clean(std::span<const ASItem>(second), 1, counters);
    EXPECT_TRUE(r.keep);
    EXPECT_EQ(text(r.cleanedPath), "3 2 1");
    EXPECT_EQ(counters.processed, 2U);

    // Long paths: every AS stays known along the whole path, and nothing of
    // one path is still known on the next.
    extraction_mode fix;
    fix.cyclesMode = FIX;
    PathCleaner fixer(fix);
    std::string longPath, expected;
    for (int as = 1; as <= 300; ++as)
        longPath += std::to_string(as) + " ";
    expected = longPath;
    expected.pop_back();
    for (int round = 0; round < 3; ++round) {
        const auto items = path(longPath + "7 150 299 301");
        EXPECT_EQ(text(fixer.clean(std::span<const ASItem>(items), 1, counters).cleanedPath), expected + " 301");
        const auto shortOne = path("299 7 150");
        EXPECT_EQ(text(fixer.clean(std::span<const ASItem>(shortOne), 1, counters).cleanedPath), "299 7 150");
    }

    // The parser's list is read, not changed.
    List<ASItem> list;
    for (const ASItem& item : path("5 5 6"))
        list.enqueue(item);
    EXPECT_EQ(text(cleaner.clean(list, 1, counters).cleanedPath), "5 6");
    EXPECT_EQ(list.len(), 3U);
}

} // namespace
