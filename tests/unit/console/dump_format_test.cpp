#include "console/printing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

std::string printed(const std::function<void()>& print)
{
    CaptureStdout();
    print();
    std::fflush(stdout);
    return GetCapturedStdout();
}

std::string coverage(double addresses)
{
    return printed([addresses] { printNetmaskCoverage(addresses); });
}

// One adjacency held outside any graph, for the printers that take a listing.
struct loose_edge {
    ASEdgeWeight weight, reverseWeight;
    edge_dir dir = UNDIRECTED;
    ASEdgeListing listing(asnum_t from, asnum_t to) const
    {
        ASEdgeListing e;
        e.weight = &weight;
        e.reverseWeight = &reverseWeight;
        e.dir = &dir;
        e.from.id = from;
        e.to.id = to;
        return e;
    }
};

ASEdgeWeight orientedWeight(bool oriented)
{
    ASEdgeWeight w;
    w.oriented = oriented;
    return w;
}

} // namespace

TEST(NetmaskCoverage, PrefixLengthOfOneBlockRoundedInThreeColumns)
{
    EXPECT_EQ(coverage(0), " --- ");
    EXPECT_EQ(coverage(1), "~/ 32");
    EXPECT_EQ(coverage(3), "~/ 30");
    EXPECT_EQ(coverage(256), "~/ 24");
    EXPECT_EQ(coverage(768), "~/ 22");
    EXPECT_EQ(coverage(4294967296.0), "~/  0");
    // Just above a default route the length is slightly negative: still 0.
    EXPECT_EQ(coverage(4294967296.0 * 1.3), "~/  0");
    EXPECT_EQ(coverage(4294967296.0 * 2), "~/ -1");
    EXPECT_EQ(coverage(static_cast<double>(std::numeric_limits<std::uint64_t>::max())), "~/-32");
}

TEST(PrintEdge, FixedColumnsAndOrientationSymbols)
{
    loose_edge e;
    e.weight = orientedWeight(true);
    e.dir = INCOMING;
    EXPECT_EQ(printed([&] { printEdge(e.listing(3, 7), false); }), "    3 <-- 7    ");
    e.dir = OUTGOING;
    EXPECT_EQ(printed([&] { printEdge(e.listing(12345, 65535), false); }), "12345 --> 65535");
    e.dir = UNDIRECTED;
    EXPECT_EQ(printed([&] { printEdge(e.listing(1, 1), false); }), "    1 <-> 1    ");
    // An adjacency of unknown orientation shows as such whatever is stored.
    e.weight.oriented = false;
    e.dir = OUTGOING;
    EXPECT_EQ(printed([&] { printEdge(e.listing(10, 20), false); }), "   10 --- 20   ");

    // The differential form takes each compared graph's own flag and orientation.
    e.weight.cmpOriented = {true, true};
    e.weight.cmpDir = {INCOMING, OUTGOING};
    EXPECT_EQ(printed([&] { printEdge(e.listing(1, 65535), true); }), "    1 <-- --> 65535");
    e.weight.cmpOriented = {false, true};
    e.weight.cmpDir = {OUTGOING, UNDIRECTED};
    const std::string line = printed([&] { printEdge(e.listing(1, 2), true); });
    EXPECT_EQ(line, "    1 --- <-> 2    ");
    EXPECT_EQ(line.size(), 19U);
}
