#include "parsers/routeinput.h"

#include <cstdio>
#include <string>
#include <utility>

#include "common/decompress.h"
#include "common/readahead.h"
#include "parsers/listingsource.h"
#include "parsers/mrtframe.h"
#include "parsers/mrtsource.h"

namespace {

// An input whose format is known once its first bytes were read: then it
// becomes a listing or an MRT source. The look waits for the first next(),
// so nothing is read from standard input before the outputs are open.
class DetectedSource final : public route_source {
public:
    DetectedSource(std::unique_ptr<ByteSource> input, const source_options& options)
        : input(std::move(input)), options(options)
    {
    }

    route_step next() override
    {
        if (!inner) recognise();
        return inner->next();
    }
    const route_record& route() const override { return inner->route(); }
    route_error error() const override { return inner->error(); }
    std::uint64_t readCount() const override { return inner ? inner->readCount() : 0; }
    std::uint64_t parsedCount() const override { return inner ? inner->parsedCount() : 0; }
    std::uint64_t bytesRead() const override { return inner ? inner->bytesRead() : 0; }
    std::uint64_t size() const override { return inner ? inner->size() : input->size(); }
    std::optional<std::string> readFailure() const override { return inner ? inner->readFailure() : std::nullopt; }
    bool contentSeen() const override { return inner && inner->contentSeen(); }
    std::optional<std::string> unreadWarning() const override { return inner ? inner->unreadWarning() : std::nullopt; }
    bool namesPeers() const override { return inner && inner->namesPeers(); }
    std::vector<std::pair<std::string, std::uint64_t>> contentCounts() const override
    {
        return inner ? inner->contentCounts() : std::vector<std::pair<std::string, std::uint64_t>>{};
    }

private:
    void recognise()
    {
        std::string head = readHead(*input, MrtFramer::headerSize);
        if (looksLikeMrt(head))
            inner = std::make_unique<MrtSource>(std::move(input), head);
        else
            inner = std::make_unique<ListingSource>(
                std::make_unique<HeadFirstSource>(std::move(input), std::move(head)), options.modern);
    }

    std::unique_ptr<ByteSource> input;
    source_options options;
    std::unique_ptr<route_source> inner;
};

} // namespace

std::unique_ptr<route_source> openRouteFile(const char* path, const source_options& options)
{
    std::unique_ptr<FileSource> file = FileSource::open(path);
    if (!file) return nullptr;
    return openRouteFile(std::move(file), options);
}

std::unique_ptr<route_source> openRouteFile(std::unique_ptr<ByteSource> file, const source_options& options)
{
    return std::make_unique<DetectedSource>(std::make_unique<ReadAhead>(decompressing(std::move(file))), options);
}

std::unique_ptr<route_source> openRouteStdin(const source_options& options)
{
    auto input = std::make_unique<StreamSource>(stdin, false, StreamSource::pacing::blocks);
    return std::make_unique<DetectedSource>(std::make_unique<ReadAhead>(decompressing(std::move(input))), options);
}
