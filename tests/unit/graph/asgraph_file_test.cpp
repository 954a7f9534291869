// Reading and writing AS graph files: every refusal with its reason, the
// conversions of the edge fields, lines longer than the read limits, what a
// failed read leaves behind, the exact written formats and round trips.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "graph/asgraph.h"

namespace {

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

file_ptr streamWith(const std::string& text)
{
    file_ptr f(std::tmpfile());
    std::fwrite(text.data(), 1, text.size(), f.get());
    std::rewind(f.get());
    return f;
}

bool readText(ASGraph& g, const std::string& text) { return g.readFromFile(streamWith(text).get()); }

std::string reasonFor(const std::string& text)
{
    ASGraph g;
    EXPECT_FALSE(readText(g, text)) << text;
    return g.errReason();
}

std::string written(ASGraph& g)
{
    file_ptr f(std::tmpfile());
    EXPECT_TRUE(g.writeToFile(f.get())) << g.errReason();
    std::string out(static_cast<std::size_t>(std::ftell(f.get())), '\0');
    std::rewind(f.get());
    EXPECT_EQ(std::fread(out.data(), 1, out.size(), f.get()), out.size());
    return out;
}

const std::string header = "HGR\n1\nsource.txt\ncomment\n";
const std::string diffHeader = "HDG\n1\nsource.txt\ncomment\n";

// A normal graph with nodes 1..9 and the given edge lines.
std::string normalWith(const std::vector<std::string>& edges)
{
    std::string text = header + "9\n" + std::to_string(edges.size()) + "\n";
    for (int i = 1; i <= 9; ++i)
        text += std::to_string(i) + "\n";
    for (const std::string& e : edges)
        text += e + "\n";
    return text;
}

std::string differentialWith(const std::string& edge)
{
    std::string text = diffHeader + "9\n1\n";
    for (int i = 1; i <= 9; ++i)
        text += std::to_string(i) + "\n";
    return text + edge + "\n";
}

TEST(ASGraphRead, HeaderRefusalsNameTheirLine)
{
    EXPECT_EQ(reasonFor(""), "Could not retrieve file type string");
    EXPECT_EQ(reasonFor("hgr\n"), "Invalid file type string: `hgr'");
    EXPECT_EQ(reasonFor("HGR \n1\n"), "Invalid file type string: `HGR '");
    EXPECT_EQ(reasonFor("HGR\n"), "Could not retrieve number of source files");
    EXPECT_EQ(reasonFor("HGR\n0\n"), "Invalid number of source files: `0'");
    EXPECT_EQ(reasonFor("HGR\n65537\n"), "Invalid number of source files: `65537'");
    EXPECT_EQ(reasonFor("HGR\n3x\n"), "Invalid number of source files: `3x'");
    EXPECT_EQ(reasonFor("HGR\n\n"), "Invalid number of source files: `'");
    EXPECT_EQ(reasonFor("HGR\n99999999999999999999999\n"), "Invalid number of source files: `99999999999999999999999'");
    EXPECT_EQ(reasonFor("HGR\n2\na\n"), "Could not retrieve all the source file names");
    EXPECT_EQ(reasonFor("HGR\n1\na\n"), "Unable to retrieve graph description string");
    EXPECT_EQ(reasonFor(header), "Could not retrieve number of nodes");
    EXPECT_EQ(reasonFor(header + "x\n"), "Invalid number of nodes: `x'");
    EXPECT_EQ(reasonFor(header + "5 \n"), "Invalid number of nodes: `5 '");
    EXPECT_EQ(reasonFor(header + " \n"), "Invalid number of nodes: ` '");
    EXPECT_EQ(reasonFor(header + "0\n"), "Could not retrieve number of edges");
    EXPECT_EQ(reasonFor(header + "0\n1a\n"), "Invalid number of edges: `1a'");
    EXPECT_EQ(reasonFor(header + "2\n0\n5\n"), "Unable to retrieve all the nodes");
    EXPECT_EQ(reasonFor(header + "1\n2\n5\n1 5 0 0 0 0 0 0\n"), "Unable to retrieve all the edges");
}

TEST(ASGraphRead, NodeLines)
{
    for (const char* bad : {"0", "65536", "12a", "", "5 ", "-3", "x", "+8", " 7"})
        EXPECT_EQ(reasonFor(header + "1\n0\n" + bad + "\n"), std::string("Invalid AS number: `") + bad + "'");

    // A repeated AS is ignored; an empty node-count line means no nodes.
    ASGraph g;
    ASSERT_TRUE(readText(g, header + "4\n0\n7\n8\n65535\n7\n")) << g.errReason();
    EXPECT_EQ(g.nodes(), 3U);
    std::vector<asnum_t> ids;
    for (const auto& n : g.listNodes())
        ids.push_back(n.id);
    EXPECT_EQ(ids, (std::vector<asnum_t>{7, 8, 65535}));

    ASGraph empty;
    ASSERT_TRUE(readText(empty, header + "\n\n")) << empty.errReason();
    EXPECT_EQ(empty.nodes(), 0U);
}

TEST(ASGraphRead, HeaderValuesAndLineEnds)
{
    ASGraph g;
    ASSERT_TRUE(readText(g, "HGR\r\n2\r\nfirst.txt\r\n\nthe comment\r\n 1\n0\n4\r\n")) << g.errReason();
    EXPECT_FALSE(g.isDifferential());
    EXPECT_EQ(g.getSourceFiles(), (std::vector<std::string>{"first.txt", ""}));
    EXPECT_EQ(g.getComment(), "the comment");
    EXPECT_EQ(g.nodes(), 1U);

    ASGraph d;
    ASSERT_TRUE(readText(d, "HDG\n1\nx\n\n0\n0\n")) << d.errReason();
    EXPECT_TRUE(d.isDifferential());
}

TEST(ASGraphRead, EdgeFieldRefusals)
{
    const auto edgeReason = [](const std::string& line) { return reasonFor(normalWith({line})); };
    EXPECT_EQ(edgeReason("1 2 2 0 5 6 7 8"), "Invalid edge direction flag: `2'");
    EXPECT_EQ(edgeReason("1 2 01 0 5 6 7 8"), "Invalid edge direction flag: `01'");
    EXPECT_EQ(edgeReason("1 2 1 -2 5 6 7 8"), "Invalid edge direction: `-2'");
    EXPECT_EQ(edgeReason("1 2 1 0 5 6 7"), "Invalid edge line format: `1 2 1 0 5 6 7'");
    EXPECT_EQ(edgeReason(""), "Invalid edge line format: `'");
    EXPECT_EQ(edgeReason("   "), "Invalid edge line format: `   '");
    EXPECT_EQ(edgeReason("0 2 1 0 5 6 7 8"), "Invalid AS number: `0'");
    EXPECT_EQ(edgeReason("1 65536 1 0 5 6 7 8"), "Invalid AS number: `65536'");
    EXPECT_EQ(edgeReason("1 2 1 0 - 6 7 8"), "Invalid path covering value: `-'");
    EXPECT_EQ(edgeReason("1 2 1 0 5 6.5 7 8"), "Invalid IP address covering value: `6.5'");
    EXPECT_EQ(edgeReason("1 x"), "Invalid AS number: `x'"); // the first failing field decides

    // Each field of a differential line in turn replaced by a bad value.
    const std::vector<std::string> fields = {"4", "5", "1", "0", "1", "2", "3", "4", "1", "0", "1",  "-1",
                                             "5", "6", "7", "8", "3", "1", "1", "1", "0", "1", "0.5"};
    const std::vector<std::string> messages = {"Invalid AS number: `",
                                               "Invalid AS number: `",
                                               "Invalid edge direction flag: `",
                                               "Invalid edge direction: `",
                                               "Invalid path covering value: `",
                                               "Invalid IP address covering value: `",
                                               "Invalid path covering value: `",
                                               "Invalid IP address covering value: `",
                                               "Invalid edge direction flag: `",
                                               "Invalid edge direction flag: `",
                                               "Invalid edge direction: `",
                                               "Invalid edge direction: `",
                                               "Invalid path covering value: `",
                                               "Invalid IP address covering value: `",
                                               "Invalid path covering value: `",
                                               "Invalid IP address covering value: `",
                                               "Invalid compared graphs count value: `",
                                               "Invalid value for number of incoming edges: `",
                                               "Invalid value for number of outgoing edges: `",
                                               "Invalid value for number of undirected edges: `",
                                               "Invalid value for number of unoriented edges: `",
                                               "Invalid value for number of orientation changes: `",
                                               "Invalid value for orientation stability: `"};
    for (std::size_t bad = 0; bad < fields.size(); ++bad) {
        std::string line;
        for (std::size_t i = 0; i < fields.size(); ++i)
            line += (i ? " " : "") + (i == bad ? std::string("2x") : fields[i]);
        EXPECT_EQ(reasonFor(differentialWith(line)), messages[bad] + "2x'") << "field " << bad + 1;
    }
    for (const std::string stability : {"nan", "inf", "-inf", "1e39"})
        EXPECT_EQ(reasonFor(differentialWith("4 5 1 0 1 2 3 4 1 0 1 -1 5 6 7 8 3 1 1 1 0 1 " + stability)),
                  "Invalid value for orientation stability: `" + stability + "'");
    EXPECT_EQ(reasonFor(differentialWith("4 5 1 0 1 2 3 4 1 0 1 -1 5 6 7 8 3 1 1 1 0 1")),
              "Invalid edge line format: `4 5 1 0 1 2 3 4 1 0 1 -1 5 6 7 8 3 1 1 1 0 1'");
}

// Every number is read whole against its field's range: the limits load,
// one past them (or a sign where the field has none) is refused, never
// clamped nor wrapped around.
TEST(ASGraphRead, EdgeValuesWithinTheirRanges)
{
    ASGraph g;
    ASSERT_TRUE(readText(g, normalWith({"  9   2 0 -1 4294967295 18446744073709551615 +0 0 junk"}))) << g.errReason();
    const auto e = g.listEdges().at(0);
    EXPECT_EQ(e.from.id, 2);
    EXPECT_EQ(*e.dir, OUTGOING);
    EXPECT_FALSE(e.weight->oriented);
    EXPECT_EQ(e.reverseWeight->pathCovering[0], 4294967295U);
    EXPECT_EQ(e.reverseWeight->ipCovering[0], 18446744073709551615ULL);
    EXPECT_EQ(e.weight->comparedGraphs, 1); // not carried by a normal graph
    const auto edgeReason = [](const std::string& line) { return reasonFor(normalWith({line})); };
    EXPECT_EQ(edgeReason("1 2 1 0 -1 6 7 8"), "Invalid path covering value: `-1'");
    EXPECT_EQ(edgeReason("1 2 1 0 4294967296 6 7 8"), "Invalid path covering value: `4294967296'");
    EXPECT_EQ(edgeReason("1 2 1 0 5 18446744073709551616 7 8"),
              "Invalid IP address covering value: `18446744073709551616'");
    EXPECT_EQ(edgeReason("1 2 1 0 5 6 7 -0x1"), "Invalid IP address covering value: `-0x1'");
    EXPECT_EQ(edgeReason("1 2 1 -18446744073709551615 5 6 7 8"), "Invalid edge direction: `-18446744073709551615'");

    ASGraph d;
    ASSERT_TRUE(readText(d, differentialWith("4 5 1 0 1 2 3 4 1 0 1 -1 5 6 7 8 65535 3 1 0 0 2 0.25")));
    const ASEdgeWeight& w = *d.listEdges().at(0).weight;
    const ASEdgeWeight& r = *d.listEdges().at(0).reverseWeight;
    EXPECT_EQ(w.comparedGraphs, 65535);
    EXPECT_EQ(r.orientationChanges, 2);
    EXPECT_EQ(r.cmpDir[1], OUTGOING);
    EXPECT_EQ(r.outgoingCount, 3);
    EXPECT_FLOAT_EQ(r.orientationStability, 0.25F);
    EXPECT_EQ(reasonFor(differentialWith("4 5 1 0 1 2 3 4 1 0 1 -1 5 6 7 8 65536 3 1 0 0 2 0.25")),
              "Invalid compared graphs count value: `65536'");
    EXPECT_EQ(reasonFor(differentialWith("4 5 1 0 1 2 3 4 1 0 1 -1 5 6 7 8 1 3 1 -1 0 2 0.25")),
              "Invalid value for number of undirected edges: `-1'");
}

TEST(ASGraphRead, FailuresKeepWhatWasRead)
{
    ASGraph g;
    EXPECT_FALSE(readText(g, normalWith({"1 2 0 0 0 0 0 0", "2 3 1 1 0 0 0 0", "3 4 1 7 0 0 0 0", "4 5 0 0 0 0 0 0"})));
    EXPECT_EQ(g.errReason(), "Invalid edge direction: `7'");
    EXPECT_EQ(g.nodes(), 9U);
    EXPECT_EQ(g.edges(), 2U);
    EXPECT_EQ(g.getSourceFiles().size(), 1U);
    EXPECT_EQ(g.getComment(), "comment");

    // Unknown ends drop the adjacency silently; repeats merge.
    ASGraph u;
    ASSERT_TRUE(readText(u, normalWith({"1 12 0 0 0 0 0 0", "1 2 1 1 0 0 0 0", "2 1 1 1 5 0 0 0"}))) << u.errReason();
    ASSERT_EQ(u.edges(), 1U);
    EXPECT_EQ(*u.listEdges()[0].dir, UNDIRECTED);
    EXPECT_EQ(u.listEdges()[0].reverseWeight->pathCovering[0], 5U);

    // A huge declared count with a short file ends at end of input.
    EXPECT_EQ(reasonFor(header + "18446744073709551615\n0\n1\n"), "Unable to retrieve all the nodes");
    EXPECT_EQ(reasonFor(header + "1\n-1\n1\n"), "Invalid number of edges: `-1'");
}

TEST(ASGraphRead, LongLinesAreReadInPieces)
{
    const std::string x600(600, 'x');
    EXPECT_EQ(reasonFor("HGR" + x600 + "\n"), "Invalid file type string: `HGR" + std::string(509, 'x') + "'");
    // The first 511 characters make the name, the rest the comment; the real
    // comment then stands where the node count should.
    ASGraph g;
    EXPECT_FALSE(readText(g, "HGR\n1\n" + x600 + "\nreal comment\n0\n0\n"));
    EXPECT_EQ(g.errReason(), "Invalid number of nodes: `real comment'");
    EXPECT_EQ(g.getSourceFiles().at(0), std::string(511, 'x'));
    EXPECT_EQ(g.getComment(), std::string(89, 'x'));
    // A piece that ends just before the line feed leaves an empty line.
    ASGraph h;
    EXPECT_FALSE(readText(h, "HGR\n1\n" + std::string(511, 'y') + "\ncomment\n0\n0\n"));
    EXPECT_EQ(h.getComment(), "");
    EXPECT_EQ(h.errReason(), "Invalid number of nodes: `comment'");
    // Text after a NUL byte is not part of the line.
    ASGraph z;
    const char withNul[] = "HGR\n1\nna\0me\nc\n1\n0\n7\0zz\n";
    ASSERT_TRUE(readText(z, std::string(withNul, sizeof withNul - 1))) << z.errReason();
    EXPECT_EQ(z.getSourceFiles().at(0), "na");
}

TEST(ASGraphWrite, FormatsAndRoundTrip)
{
    ASGraph g;
    for (const asnum_t id : {40, 3, 65535, 7})
        g.addNode(id, id);
    ASEdgeWeight w;
    ASEdgeWeight r;
    w.oriented = r.oriented = true;
    w.pathCovering = {10, 11};
    w.ipCovering = {256, 18446744073709551615ULL};
    r.pathCovering = {20, 4294967295U};
    r.ipCovering = {512, 0};
    g.addEdge(7, 3, OUTGOING, r, w); // kept as seen from 3: incoming, weights swapped
    g.addEdge(65535, 65535, UNDIRECTED, w, w);
    g.addEdge(3, 40, UNDIRECTED, ASEdgeWeight{}, ASEdgeWeight{});
    g.setSourceFiles(std::vector<std::string>{"a.txt", "b.txt"}, true);
    g.setComment("compared");
    const std::string normal = written(g);
    EXPECT_EQ(normal, "HGR\n2\na.txt\nb.txt\ncompared\n4\n3\n3\n7\n40\n65535\n3 7 1 -1 10 256 20 512\n"
                      "3 40 0 0 0 0 0 0\n65535 65535 1 0 10 256 10 256\n");
    g.isDifferential() = true;
    const std::string diff = written(g);
    EXPECT_NE(diff.find("\n3 7 1 -1 10 256 20 512 0 0 0 0 11 18446744073709551615 4294967295 0 1 0 0 0 0 0 0.000000\n"),
              std::string::npos)
        << diff;
    for (const std::string& text : {normal, diff}) {
        ASGraph back;
        ASSERT_TRUE(readText(back, text)) << back.errReason();
        EXPECT_EQ(written(back), text);
    }

    // Without source files the count is 0, which no reader accepts.
    ASGraph none;
    const std::string bare = written(none);
    EXPECT_EQ(bare, "HGR\n0\n\n0\n0\n");
    EXPECT_EQ(reasonFor(bare), "Invalid number of source files: `0'");
}

// A stream that accepts a given number of bytes and then fails every write,
// unbuffered so that each line reaches it at once.
struct failing_sink {
    std::size_t room;
    static ssize_t write(void* cookie, const char*, std::size_t size)
    {
        auto* sink = static_cast<failing_sink*>(cookie);
        if (size > sink->room) return -1;
        sink->room -= size;
        return static_cast<ssize_t>(size);
    }
};

file_ptr failingAfter(failing_sink& sink)
{
    cookie_io_functions_t io{};
    io.write = &failing_sink::write;
    file_ptr f(fopencookie(&sink, "w", io));
    std::setvbuf(f.get(), nullptr, _IONBF, 0);
    return f;
}

TEST(ASGraphWrite, FailedWritesNameTheirPlace)
{
    ASGraph g;
    g.setSourceFiles(std::vector<std::string>{"s", "t"}, true);
    g.setComment("c");
    g.addNode(1, 1);
    g.addNode(2, 2);
    g.addEdge(1, 2, OUTGOING, ASEdgeWeight{}, ASEdgeWeight{});
    g.addEdge(2, 2, UNDIRECTED, ASEdgeWeight{}, ASEdgeWeight{});
    const std::vector<std::pair<std::size_t, std::string>> cases = {
        {0, "Could not write file type string"},  {4, "Could not write number of source files"},
        {6, "Unable to write source file names"}, {10, "Could not write comment"},
        {12, "Could not write number of nodes"},  {14, "Could not write number of edges"},
        {16, "Could not write node 1"},           {18, "Could not write node 2"},
        {20, "Could not write edge 1 2"},         {36, "Could not write edge 2 2"},
    };
    for (const auto& [room, reason] : cases) {
        failing_sink sink{room};
        file_ptr f = failingAfter(sink);
        EXPECT_FALSE(g.writeToFile(f.get())) << room;
        EXPECT_EQ(g.errReason(), reason) << room;
    }
    failing_sink enough{52};
    file_ptr f = failingAfter(enough);
    EXPECT_TRUE(g.writeToFile(f.get()));
    EXPECT_EQ(g.errReason(), "");
    EXPECT_EQ(enough.room, 0U);
}

TEST(ASGraphMetadata, SettersAndDirectionValues)
{
    ASGraph g;
    g.setSourceFiles(std::vector<std::string>{"a", "b"}, false);
    const char* slots[] = {"d", nullptr, "e"};
    g.setSourceFiles(slots, false);
    EXPECT_EQ(g.getSourceFiles(), (std::vector<std::string>{"a", "b", "d", "e"}));
    g.setComment(std::string(600, 'c'));
    EXPECT_EQ(g.getComment().size(), 512U);
    EXPECT_EQ(ASGraph::dirToVal(static_cast<edge_dir>(9)), 0);
    EXPECT_EQ(ASGraph::valToDir(2), UNDIRECTED);
}

} // namespace
