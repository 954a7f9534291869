#pragma once
// MRT records cut out of a byte source (RFC 6396 common header: timestamp,
// type, subtype, length). A record is handed out whole, from the framer's
// own buffer, and nothing past its end is ever taken for it. The buffer
// grows to the largest record met, up to a cap: a longer length field is
// damage, and its record is read through and dropped.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytesource.h"

struct mrt_header {
    std::uint32_t timestamp = 0;
    std::uint16_t type = 0;
    std::uint16_t subtype = 0;
    std::uint32_t length = 0; // of the body that follows the 12 header bytes
};

class MrtFramer {
public:
    static constexpr std::size_t headerSize = 12;
    // Larger than any record a collector writes (a RIB record of a
    // prefix seen by thousands of peers stays far below it).
    static constexpr std::uint32_t maxBody = std::uint32_t{16} << 20;

    enum class result {
        record,    // header() and body() are the next record
        end,       // the input ended cleanly between records
        truncated, // it ended inside the record numbered number()
        oversized, // the record's length is over maxBody: it was skipped
    };

    // `head`: bytes already taken from `source`, which come first.
    MrtFramer(ByteSource& source, std::string_view head);

    result next();
    // The record's header; after `truncated`, only when all of it was read.
    const mrt_header& header() const { return current; }
    bool headerRead() const { return haveHeader; }
    // Valid until the next call.
    std::span<const std::uint8_t> body() const { return {buffer.data() + bodyAt, current.length}; }
    // The record's number (from 1) and the offset of its header in the
    // input as decoded.
    std::uint64_t number() const { return count; }
    std::uint64_t offset() const { return recordOffset; }

private:
    bool fill(std::size_t need);
    bool discard(std::uint64_t bytes);

    ByteSource& source;
    std::vector<std::uint8_t> buffer;
    std::size_t pos = 0;    // first byte not yet framed
    std::size_t end = 0;    // end of the bytes read
    std::uint64_t base = 0; // input offset of buffer[0]
    std::size_t bodyAt = 0;
    mrt_header current;
    bool haveHeader = false;
    std::uint64_t count = 0;
    std::uint64_t recordOffset = 0;
};

// True when `head` starts with a sane MRT common header: a timestamp, a type
// and subtype this reader knows, a length within maxBody. Needs at least
// MrtFramer::headerSize bytes.
bool looksLikeMrt(std::string_view head);

// The name of a record type ("TABLE_DUMP_V2"), or null for a type this
// reader does not know.
const char* mrtTypeName(std::uint16_t type);
