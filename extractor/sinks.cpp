#include "extractor/sinks.h"

#include <cstdio>
#include <utility>

#include "extractor/settings.h"

namespace {

class PlainPaths final : public path_sink {
public:
    PlainPaths(OutputFile& out, const path_format& format) : out(out), format(format) {}

    void add(std::span<const ASItem> path, const tag_field& tags, const route_prefix& prefix) override
    {
        writePathLine(out, format.tags ? &tags : nullptr, path, format.show, prefix, format.allmask);
    }

private:
    OutputFile& out;
    path_format format;
};

class GroupedPaths final : public path_sink {
public:
    GroupedPaths(OutputFile& out, const path_format& format, const char* heading, bool writeEmpty)
        : out(out), format(format), heading(heading), writeEmpty(writeEmpty)
    {
    }

    void add(std::span<const ASItem> path, const tag_field& tags, const route_prefix& prefix) override
    {
        updateMap(map, path, tags, prefix, format.unique);
    }
    void finish(bool progress) override
    {
        if (map.isEmpty() && !writeEmpty) return;
        if (progress) std::fputs(heading, stdout);
        printMap(out, map, format.tags, progress, format.show, format.allmask);
    }

private:
    OutputFile& out;
    path_format format;
    const char* heading;
    bool writeEmpty;
    GroupingMap map;
};

class GraphPaths final : public path_sink {
public:
    GraphPaths(OutputFile& out, std::string source, std::string comment)
        : out(out), source(std::move(source)), comment(std::move(comment))
    {
    }

    void add(std::span<const ASItem> path, const tag_field&, const route_prefix& prefix) override
    {
        graph.addRoute(path, prefix);
    }
    void finish(bool) override
    {
        // A failed write leaves the stream in error: the run's end reports it.
        out.flush();
        graph.write(out.stream(), source, comment);
    }

private:
    OutputFile& out;
    std::string source;
    std::string comment;
    GraphBuilder graph;
};

} // namespace

path_format path_format::of(const extraction_mode& settings)
{
    const std::uint8_t modes =
        settings.prepMode | settings.cyclesMode | settings.privasMode | settings.setsMode | settings.incompleteMode;
    return {(modes & TAG) != 0, settings.group, settings.show, settings.allmask, settings.unique};
}

std::unique_ptr<path_sink> pathSink(OutputFile& out, const path_format& format, const char* heading, bool writeEmpty)
{
    if (format.group) return std::make_unique<GroupedPaths>(out, format, heading, writeEmpty);
    return std::make_unique<PlainPaths>(out, format);
}

std::unique_ptr<path_sink> graphSink(OutputFile& out, std::string source, std::string comment)
{
    return std::make_unique<GraphPaths>(out, std::move(source), std::move(comment));
}
