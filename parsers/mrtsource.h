#pragma once
// An MRT archive as a route source: the MRT reader behind the interface every
// input of routesift offers. Records are decoded on the caller's thread;
// give it an input read ahead (ReadAhead), so that reading and decompressing,
// which cost more than decoding for a compressed archive, overlap with it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/bytesource.h"
#include "parsers/mrt.h"
#include "parsers/route.h"

class MrtSource final : public route_source {
public:
    // `head`: the bytes already taken from `input` to recognise it
    // (looksLikeMrt), which come first.
    MrtSource(std::unique_ptr<ByteSource> input, std::string_view head);

    route_step next() override;
    const route_record& route() const override { return reader.route(); }
    // The text says what the record claims to be: "TABLE_DUMP_V2 subtype 2,
    // 120 bytes".
    route_error error() const override;

    // Records framed, and of them those without a parse error.
    std::uint64_t readCount() const override { return reader.counts().records; }
    std::uint64_t parsedCount() const override { return reader.counts().records - damagedRecords; }
    std::uint64_t bytesRead() const override { return input->consumed(); }
    std::uint64_t size() const override { return input->size(); }
    std::optional<std::string> readFailure() const override { return failure; }
    bool contentSeen() const override { return reader.counts().records > 0; }
    std::vector<std::pair<std::string, std::uint64_t>> contentCounts() const override;
    bool namesPeers() const override { return true; }

    // What the archive held, for -v (forEachCount lists them).
    const mrt_counts& counts() const { return reader.counts(); }

private:
    void describeRecord(const std::optional<mrt_header>& header);

    std::unique_ptr<ByteSource> input;
    MrtReader reader;
    std::optional<std::string> failure;
    std::string errorText;
    std::uint64_t damagedRecords = 0;
    std::uint64_t lastDamaged = 0; // number of the last record with an error
};
