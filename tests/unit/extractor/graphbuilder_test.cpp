// The graph builder folds its crossings whenever enough have gathered; how
// often it folds must not change a byte of the graph. A listing of a million
// routes folds once, so the end-to-end oracles never see a fold in between:
// here random routes over few ASs (many repeated directions, prefixes in any
// order, nested and touching, AS sets and one-AS paths) are built with folds
// every few routes and compared with one fold at the end.
#include "extractor/graphbuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

struct route {
    std::vector<ASItem> path;
    route_prefix prefix;
};

std::vector<route> randomRoutes(std::size_t count)
{
    std::mt19937 random(7);
    const auto below = [&random](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
    std::vector<route> routes;
    for (std::size_t i = 0; i < count; ++i) {
        route r;
        const std::uint32_t length = 1 + below(6);
        for (std::uint32_t k = 0; k < length; ++k)
            r.path.push_back(ASItem{1 + below(12) + (below(50) == 0 ? 70000 : 0),
                                    static_cast<std::uint8_t>(below(15) == 0 ? ASItem::IN_SET : 0)});
        std::optional<std::uint8_t> prefixLength;
        if (below(8) != 0) prefixLength = static_cast<std::uint8_t>(12 + below(21));
        r.prefix = route_prefix::ipv4((10U << 24) | (below(4) << 20) | (below(64) << 8), prefixLength);
        // IPv6 routes cross adjacencies without covering an IPv4 address.
        if (below(6) == 0) r.prefix = {{ip_family::ipv6, {0x20, 0x01, 0x0d, 0xb8}}, 48};
        routes.push_back(r);
    }
    return routes;
}

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string graphText(const std::vector<route>& routes, std::size_t foldSize)
{
    GraphBuilder builder(foldSize);
    for (const route& r : routes)
        builder.addRoute(r.path, r.prefix);
    const std::unique_ptr<std::FILE, file_closer> file(std::tmpfile());
    builder.write(file.get(), "source", "comment");
    std::string text(static_cast<std::size_t>(std::ftell(file.get())), '\0');
    std::rewind(file.get());
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), file.get()), text.size());
    return text;
}

TEST(GraphBuilder, FoldingDoesNotChangeTheGraph)
{
    const std::vector<route> routes = randomRoutes(5000);
    const std::string once = graphText(routes, GraphBuilder::defaultFoldSize);
    EXPECT_EQ(once.substr(0, 6), "HGR32\n");
    for (const std::size_t foldSize : {1, 7, 300})
        EXPECT_EQ(graphText(routes, foldSize), once) << foldSize;
}

} // namespace
