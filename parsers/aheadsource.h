#pragma once
// Another route source read ahead on a thread of its own: its routes, parse
// errors and end are copied whole into a fixed set of batches, so that
// several inputs can be decompressed and decoded at once while one consumer
// takes them in order. Memory stays that of the batches however large the
// input; a full set of batches holds the reading thread until the consumer
// gets there.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/blockqueue.h"
#include "parsers/route.h"

class AheadSource final : public route_source {
public:
    // Takes `inner` over; nothing is read from it before start() or the
    // first next().
    explicit AheadSource(std::unique_ptr<route_source> inner);
    ~AheadSource() override;
    AheadSource(const AheadSource&) = delete;
    AheadSource& operator=(const AheadSource&) = delete;

    // Starts reading ahead. When no thread can start, the batches are filled
    // on the consumer's thread in next() instead.
    void start();

    route_step next() override;
    const route_record& route() const override { return currentRoute; }
    route_error error() const override;

    std::uint64_t readCount() const override { return state().readCount; }
    std::uint64_t parsedCount() const override { return state().parsedCount; }
    std::uint64_t bytesRead() const override { return state().bytesRead; }
    std::uint64_t size() const override { return sizeBytes; }
    std::optional<std::string> readFailure() const override { return state().failure; }
    bool contentSeen() const override { return state().contentSeen; }
    std::optional<std::string> unreadWarning() const override { return state().unreadWarning; }
    bool namesPeers() const override { return state().namesPeers; }
    std::vector<std::pair<std::string, std::uint64_t>> contentCounts() const override { return state().counts; }

private:
    // One route or parse error; its path items and texts sit in the batch.
    struct entry {
        route_step step = route_step::route;
        route_prefix prefix;
        std::optional<route_peer> peer;
        std::uint8_t origin = 0;
        route_position position;
        std::size_t pathStart = 0; // in the batch's items
        std::size_t pathLength = 0;
        std::size_t textStart = 0; // error text and reason, in the batch's text
        std::size_t textLength = 0;
        std::size_t reasonLength = 0; // follows the text
    };
    // What the inner source said about itself after a batch's last entry.
    struct source_state {
        std::uint64_t readCount = 0;
        std::uint64_t parsedCount = 0;
        std::uint64_t bytesRead = 0;
        bool namesPeers = false;
        // Known once the input ended.
        std::optional<std::string> failure;
        bool contentSeen = false;
        std::optional<std::string> unreadWarning;
        std::vector<std::pair<std::string, std::uint64_t>> counts;
    };
    struct batch {
        std::vector<entry> entries;
        std::vector<ASItem> items;
        std::string text;
        std::size_t count = 0;
        bool last = false;
        source_state after;
    };

    bool fill(batch& b);
    void keep(batch& b, route_step step);
    const source_state& state() const { return current ? current->after : initial; }

    std::unique_ptr<route_source> inner;
    std::uint64_t sizeBytes = 0;
    source_state initial;
    std::optional<Prefetcher<batch>> batches; // from start() on
    batch* current = nullptr;
    std::size_t index = 0;
    route_record currentRoute;
};
