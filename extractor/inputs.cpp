#include "extractor/inputs.h"

#include <algorithm>
#include <cerrno>
#include <thread>

#include <unistd.h>

#include "common/report.h"
#include "extractor/settings.h"
#include "parsers/aheadsource.h"
#include "parsers/routeinput.h"

namespace {

constexpr const char* standardInput = "(standard input)";

bool isStandardInput(const std::string& file) { return file == "-"; }

// Files read at once: one per core keeps every core busy decompressing and
// decoding, and one more covers the start of each file. Each holds up to
// about 10 MB (a listing's batches and blocks, the routes read ahead), so
// four at most keep a run without --group below 64 MB on any machine.
std::size_t filesReadAtOnce() {
    const std::size_t cores = std::max(1U, std::thread::hardware_concurrency());
    return std::min<std::size_t>(cores + 1, 4);
}

} // namespace

InputFiles::InputFiles(const extraction_mode& settings) : settings(settings) {}

int InputFiles::open() {
    const source_options options{settings.modern};
    if (settings.inputFiles.empty()) {
        names.emplace_back(standardInput);
        sources.push_back(openRouteStdin(options));
    }
    for (const std::string& file : settings.inputFiles) {
        names.push_back(isStandardInput(file) ? standardInput : file);
        sources.push_back(isStandardInput(file) ? openRouteStdin(options) : openRouteFile(file.c_str(), options));
        if (!sources.back()) {
            reportSystemError("Error: Unable to open input file: `" + file + "'", errno);
            return EXIT_FILE_ERROR;
        }
    }
    readAhead();
    for (const std::unique_ptr<route_source>& source : sources) {
        // Progress over all files needs every size.
        if (source->size() == 0) {
            totalSize = 0;
            break;
        }
        totalSize += source->size();
    }
    current = sources.front().get();
    return EXIT_OK;
}

void InputFiles::readAhead() {
    ahead.assign(sources.size(), nullptr);
    // One input is read as it always was. Standard input is read in its
    // turn only: a terminal or a pipe may still be shared with the run.
    if (sources.size() < 2) return;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (isStandardInput(settings.inputFiles[i])) continue;
        auto wrapped = std::make_unique<AheadSource>(std::move(sources[i]));
        ahead[i] = wrapped.get();
        sources[i] = std::move(wrapped);
    }
    filesAhead = filesReadAtOnce();
}

void InputFiles::startAhead(std::size_t file) {
    if (file < ahead.size() && ahead[file]) ahead[file]->start();
}

route_step InputFiles::next() {
    // Nothing is read before the first route is asked for: the outputs are
    // open by then.
    if (!started) {
        started = true;
        for (std::size_t file = 0; file < filesAhead; ++file) startAhead(file);
    }
    while (current) {
        const route_step step = current->next();
        if (step == route_step::error) ++done[static_cast<std::size_t>(unitOf(*current))].errors;
        if (step != route_step::end) return step;
        endFile();
    }
    return route_step::end;
}

void InputFiles::endFile() {
    ended.push_back({names[index], current->contentSeen(), current->readFailure(), current->unreadWarning()});
    bytesDone += current->bytesRead();
    tally& kind = done[static_cast<std::size_t>(unitOf(*current))];
    kind.read += current->readCount();
    kind.parsed += current->parsedCount();
    kind.seen = true;
    for (const auto& [label, count] : current->contentCounts()) {
        const auto same = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == label; });
        if (same == counts.end())
            counts.emplace_back(label, count);
        else
            same->second += count;
    }
    // A file read is let go before the next one is read: its buffers and threads.
    sources[index].reset();
    ahead[index] = nullptr;
    startAhead(index + filesAhead);
    current = ++index < sources.size() ? sources[index].get() : nullptr;
    if (!current) index = sources.size() - 1;
}

InputFiles::tally InputFiles::counted(unit u) const {
    tally t = done[static_cast<std::size_t>(u)];
    if (current && unitOf(*current) == u) {
        t.read += current->readCount();
        t.parsed += current->parsedCount();
        t.seen = true;
    }
    return t;
}

std::vector<file_identity> InputFiles::identities() const {
    std::vector<file_identity> found;
    const auto add = [&found](std::optional<file_identity> identity) {
        if (identity) found.push_back(*identity);
    };
    if (settings.inputFiles.empty()) add(regularFileIdentity(STDIN_FILENO));
    for (const std::string& file : settings.inputFiles)
        add(isStandardInput(file) ? regularFileIdentity(STDIN_FILENO) : regularFileIdentity(file));
    return found;
}
