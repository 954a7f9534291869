#include "extractor/inputs.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <thread>

#include <unistd.h>

#include "common/bytesource.h"
#include "common/report.h"
#include "extractor/settings.h"
#include "parsers/aheadsource.h"
#include "parsers/routeinput.h"
#include "parsers/textscan.h"

namespace {

constexpr const char* standardInput = "(standard input)";

bool isStandardInput(const std::string& file) { return file == "-"; }

// Files read at once. One file alone already keeps two cores busy: its bytes
// are read and decompressed ahead of the thread that decodes and cleans
// them. Decoding further files ahead pays only with cores to spare; on two
// it just adds the hand-over of every route between threads, so files are
// then read one after another. ROUTESIFT_FILES_AT_ONCE sets the number (1:
// one after another). Each file read ahead holds up to about 10 MB (a
// listing's batches and blocks, the routes read ahead), so four at most
// keep a run without --group below 64 MB on any machine.
std::size_t filesReadAtOnce()
{
    constexpr std::size_t most = 4;
    if (const char* given = std::getenv("ROUTESIFT_FILES_AT_ONCE"); given != nullptr && *given != '\0') {
        const std::optional<std::uint64_t> n = textscan::unsignedValue(given);
        if (n && *n >= 1) return *n == 1 ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(*n, most));
    }
    const std::size_t cores = std::max(1U, std::thread::hardware_concurrency());
    return cores <= 2 ? 0 : std::min(cores / 2 + 1, most);
}

} // namespace

InputFiles::InputFiles(const extraction_mode& settings) : settings(settings) {}

int InputFiles::open()
{
    if (settings.inputFiles.empty()) files.emplace_back(standardInput, "");
    for (const std::string& file : settings.inputFiles) {
        const bool fromStdin = isStandardInput(file);
        files.emplace_back(fromStdin ? standardInput : file, fromStdin ? "" : file);
    }
    // One input is read as it always was. Standard input is read in its
    // turn only: a terminal or a pipe may still be shared with the run.
    filesAhead = files.size() < 2 ? 0 : filesReadAtOnce();
    for (std::size_t i = 0; i < files.size(); ++i)
        if (const int status = check(files[i], i < std::max<std::size_t>(filesAhead, 1))) return status;
    return EXIT_OK;
}

int InputFiles::check(input& file, bool keepOpen)
{
    // Progress over all files needs every size.
    if (file.path.empty()) {
        sizeKnown = false;
        return EXIT_OK;
    }
    std::unique_ptr<FileSource> opened = FileSource::open(file.path.c_str());
    if (!opened) {
        reportSystemError("Error: Unable to open input file: `" + file.path + "'", errno);
        return EXIT_FILE_ERROR;
    }
    if (opened->size() == 0) sizeKnown = false;
    totalSize += opened->size();
    // The first files are read at once; the others are closed until their
    // read-ahead starts, unless, as a pipe, they cannot be opened again.
    if (keepOpen || !opened->regular()) file.held = std::move(opened);
    return EXIT_OK;
}

void InputFiles::prepare(std::size_t i)
{
    if (i >= files.size() || files[i].opened) return;
    input& file = files[i];
    file.opened = true;
    const source_options options{settings.modern};
    if (file.path.empty())
        file.source = openRouteStdin(options);
    else if (file.held)
        file.source = openRouteFile(std::move(file.held), options);
    else
        file.source = openRouteFile(file.path.c_str(), options);
    if (!file.source) {
        // Gone or locked since the check: the run fails as when a file
        // cannot be read to its end.
        file.openError = errno;
        return;
    }
    if (filesAhead == 0 || file.path.empty()) return;
    auto ahead = std::make_unique<AheadSource>(std::move(file.source));
    ahead->start();
    file.source = std::move(ahead);
}

route_step InputFiles::next()
{
    // Nothing is read before the first route is asked for: the outputs are
    // open by then.
    if (!started) {
        started = true;
        for (std::size_t file = 0; file < std::max<std::size_t>(filesAhead, 1); ++file)
            prepare(file);
        current = files.front().source.get();
    }
    while (!finished) {
        if (current) {
            const route_step step = current->next();
            if (step == route_step::error) ++done[static_cast<std::size_t>(unitOf(*current))].errors;
            if (step != route_step::end) return step;
        }
        endFile();
    }
    return route_step::end;
}

void InputFiles::endFile()
{
    input& file = files[index];
    if (!current) {
        ended.push_back({file.name, false, std::nullopt, std::nullopt, file.openError});
    } else {
        ended.push_back({file.name, current->contentSeen(), current->readFailure(), current->unreadWarning()});
        bytesDone += current->bytesRead();
        tally& kind = done[static_cast<std::size_t>(unitOf(*current))];
        kind.read += current->readCount();
        kind.parsed += current->parsedCount();
        kind.seen = true;
        for (const auto& [label, count] : current->contentCounts()) {
            const auto same =
                std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == label; });
            if (same == counts.end())
                counts.emplace_back(label, count);
            else
                same->second += count;
        }
    }
    // A file read is let go before the next one is read: its descriptor,
    // buffers and threads.
    file.source.reset();
    current = nullptr;
    prepare(index + filesAhead);
    if (index + 1 == files.size()) {
        finished = true;
        return;
    }
    prepare(++index);
    current = files[index].source.get();
}

InputFiles::tally InputFiles::counted(unit u) const
{
    tally t = done[static_cast<std::size_t>(u)];
    if (current && unitOf(*current) == u) {
        t.read += current->readCount();
        t.parsed += current->parsedCount();
        t.seen = true;
    }
    return t;
}

std::vector<file_identity> InputFiles::identities() const
{
    std::vector<file_identity> found;
    const auto add = [&found](std::optional<file_identity> identity) {
        if (identity) found.push_back(*identity);
    };
    if (settings.inputFiles.empty()) add(regularFileIdentity(STDIN_FILENO));
    for (const std::string& file : settings.inputFiles)
        add(isStandardInput(file) ? regularFileIdentity(STDIN_FILENO) : regularFileIdentity(file));
    return found;
}
