#include "parsers/aheadsource.h"

namespace {

// Enough routes per batch that the hand-overs cost little next to decoding
// them, even on a busy machine where each wake-up waits for a time slice;
// few enough batches that a file waiting for its turn holds little memory
// (about 4 MB). A batch also ends after batchItems path items or batchText
// bytes of error text, so that long paths and long damaged lines do not
// multiply it.
constexpr std::size_t batchEntries = 8192;
constexpr std::size_t batchCount = 4;
constexpr std::size_t batchItems = std::size_t{1} << 17;
constexpr std::size_t batchText = std::size_t{1} << 18;

} // namespace

AheadSource::AheadSource(std::unique_ptr<route_source> source) : inner(std::move(source)), sizeBytes(inner->size()) {}

AheadSource::~AheadSource()
{
    // The reading thread ends before the source it reads.
    batches.reset();
}

void AheadSource::start()
{
    if (batches) return;
    // The batches are made here, on the consumer's thread, and only for the
    // files being read: memory made on a reading thread stays with that
    // thread's allocator, and would pile up over many files.
    batches.emplace(batchCount, [] {
        auto b = std::make_unique<batch>();
        b->entries.resize(batchEntries);
        b->items.reserve(batchItems);
        b->text.reserve(batchText);
        return b;
    });
    batches->start([this](batch& b) { return fill(b); });
}

bool AheadSource::fill(batch& b)
{
    b.count = 0;
    b.items.clear();
    b.text.clear();
    while (b.count < b.entries.size() && b.items.size() < batchItems && b.text.size() < batchText) {
        const route_step step = inner->next();
        if (step == route_step::end) {
            b.last = true;
            break;
        }
        keep(b, step);
    }
    source_state& s = b.after;
    s.readCount = inner->readCount();
    s.parsedCount = inner->parsedCount();
    s.bytesRead = inner->bytesRead();
    s.namesPeers = inner->namesPeers();
    if (b.last) {
        s.failure = inner->readFailure();
        s.contentSeen = inner->contentSeen();
        s.unreadWarning = inner->unreadWarning();
        s.counts = inner->contentCounts();
    }
    return !b.last;
}

void AheadSource::keep(batch& b, route_step step)
{
    entry& e = b.entries[b.count++];
    e.step = step;
    if (step == route_step::error) {
        const route_error error = inner->error();
        e.position = error.position;
        e.textStart = b.text.size();
        e.textLength = error.text.size();
        e.reasonLength = error.reason.size();
        b.text.append(error.text).append(error.reason);
        return;
    }
    const route_record& route = inner->route();
    e.prefix = route.prefix;
    e.peer = route.peer;
    e.origin = route.origin;
    e.position = route.position;
    e.pathStart = b.items.size();
    e.pathLength = route.path.size();
    b.items.insert(b.items.end(), route.path.begin(), route.path.end());
}

route_step AheadSource::next()
{
    start();
    if (current != nullptr) ++index;
    while (current == nullptr || index >= current->count) {
        if (current != nullptr && current->last) return route_step::end;
        current = batches->next();
        index = 0;
        if (current == nullptr) return route_step::end;
    }
    const entry& e = current->entries[index];
    if (e.step == route_step::route) {
        currentRoute.prefix = e.prefix;
        currentRoute.peer = e.peer;
        currentRoute.origin = e.origin;
        currentRoute.position = e.position;
        currentRoute.path = std::span<const ASItem>(current->items.data() + e.pathStart, e.pathLength);
    }
    return e.step;
}

route_error AheadSource::error() const
{
    const entry& e = current->entries[index];
    const std::string_view text(current->text.data() + e.textStart, e.textLength + e.reasonLength);
    return {e.position, text.substr(0, e.textLength), text.substr(e.textLength)};
}
