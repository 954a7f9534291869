#include "extractor/inputs.h"

#include <algorithm>
#include <cerrno>

#include <unistd.h>

#include "common/report.h"
#include "extractor/settings.h"
#include "parsers/routeinput.h"

namespace {

constexpr const char* standardInput = "(standard input)";

bool isStandardInput(const std::string& file) { return file == "-"; }

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
        if (sources.back()) continue;
        reportSystemError("Error: Unable to open input file: `" + file + "'", errno);
        return EXIT_FILE_ERROR;
    }
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

route_step InputFiles::next() {
    while (current) {
        const route_step step = current->next();
        if (step != route_step::end) return step;
        endFile();
    }
    return route_step::end;
}

void InputFiles::endFile() {
    ended.push_back({names[index], current->contentSeen(), current->readFailure(), current->unreadWarning()});
    bytesDone += current->bytesRead();
    readDone += current->readCount();
    parsedDone += current->parsedCount();
    for (const auto& [label, count] : current->contentCounts()) {
        const auto same = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == label; });
        if (same == counts.end())
            counts.emplace_back(label, count);
        else
            same->second += count;
    }
    // A file read is let go before the next one is read: its buffers and threads.
    sources[index].reset();
    current = ++index < sources.size() ? sources[index].get() : nullptr;
    if (!current) index = sources.size() - 1;
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
