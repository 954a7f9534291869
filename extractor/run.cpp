#include "extractor/run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "common/consoletools.h"
#include "extractor/graphbuilder.h"
#include "extractor/grouping.h"
#include "extractor/output.h"
#include "extractor/pipeline.h"
#include "extractor/settings.h"
#include "extractor/statistics.h"
#include "parsers/fileparsers.h"

namespace {

// Outputs and grouping maps by index: the main output, then the save file of
// each feature.
// The AS graph file comes last.
enum output_index : std::size_t { OUT_MAIN, OUT_PREPENDING, OUT_CYCLES, OUT_PRIVATE, OUT_SETS, OUT_INCOMPLETE, OUT_GRAPH };
constexpr std::size_t outputCount = 7;

// The save files, in the order they are opened, fed and written.
struct save_target {
    counter_row row;
    output_index out;
    std::optional<std::string> extraction_mode::*file;
    const char* writingMessage;
};
constexpr save_target saveTargets[] = {
    {ROW_PREPENDING, OUT_PREPENDING, &extraction_mode::prepFile, "\nNow writing prepended paths to file...\n"},
    {ROW_CYCLES, OUT_CYCLES, &extraction_mode::cyclesFile, "\nNow writing paths with cycles to file...\n"},
    {ROW_PRIVATE, OUT_PRIVATE, &extraction_mode::privasFile, "\nNow writing paths with private ASs to file...\n"},
    {ROW_SETS, OUT_SETS, &extraction_mode::setsFile, "\nNow writing paths with AS sets to file...\n"},
    {ROW_INCOMPLETE, OUT_INCOMPLETE, &extraction_mode::incompleteFile, "\nNow writing incomplete paths to file...\n"},
};

class Extraction {
public:
    explicit Extraction(const extraction_mode& settings) : settings(settings), cleaner(settings) {}

    int openInput();
    int openOutputs();
    void run();
    void writeMaps();
    void writeGraph();
    void printStats();
    void warnUnreadRoutes();
    int finish();

private:
    void processRoute();
    void reportParseError();
    void drawProgress();

    const extraction_mode& settings;
    bgpParser parser;
    PathCleaner cleaner;
    path_counters counters;
    // Outputs by index; two settings naming one file share one stream.
    std::array<OutputFile*, outputCount> outputs{};
    std::unique_ptr<OutputFile> standardOutput;
    struct opened_file {
        std::unique_ptr<OutputFile> file;
        dev_t device;
        ino_t inode;
    };
    std::vector<opened_file> openedFiles;
    std::array<GroupingMap, outputCount> maps;
    std::unique_ptr<GraphBuilder> graph; // with --graph
    // Parse error reports: a dump with many 32-bit ASs yields hundreds of
    // thousands, so they are buffered like the main output.
    OutputFile diagnostics{stderr, "(standard error)", false};
    bool reportedBefore = false;
    bool stderrIsTty = false;
    bool anyTag = false;
    bool progress = false;
    bool stdinTerm = false;
    bool stdoutTerm = false;
    std::uint64_t nextDraw = 0;
};

int Extraction::openInput() {
    stdinTerm = isTerm(stdin);
    stdoutTerm = isTerm(stdout);
    stderrIsTty = isatty(fileno(stderr)) != 0;
    parser.setModern(settings.modern);
    if (!settings.inputFile) {
        parser.openStdin();
        return 0;
    }
    if (parser.openFile(settings.inputFile->c_str())) return 0;
    const int err = errno;
    printHeader(stderr);
    std::fprintf(stderr, "Error: Unable to open input file: `%s'\n", settings.inputFile->c_str());
    std::fprintf(stderr, "(%s)\n", std::strerror(err));
    return 2;
}

int Extraction::openOutputs() {
    // Identity of the input when it is a regular file: writing to it would
    // destroy it before it is read.
    struct stat input {};
    const bool inputIsFile =
        settings.inputFile && stat(settings.inputFile->c_str(), &input) == 0 && S_ISREG(input.st_mode);

    auto open = [&](output_index index, const std::optional<std::string>& name) {
        if (!name) return 0;
        struct stat existing {};
        if (stat(name->c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
            if (inputIsFile && existing.st_dev == input.st_dev && existing.st_ino == input.st_ino) {
                printHeader(stderr);
                std::fprintf(stderr, "Error: Unable to open file `%s' for writing\n", name->c_str());
                std::fputs("(It is the input file)\n", stderr);
                return 2;
            }
            // A file already opened for another output: two streams on one
            // file would overwrite each other, so both write through one.
            for (const opened_file& f : openedFiles) {
                if (f.device == existing.st_dev && f.inode == existing.st_ino) {
                    outputs[index] = f.file.get();
                    return 0;
                }
            }
        }
        std::unique_ptr<OutputFile> file;
        if (const int status = openWriteFile(file, name, settings.force)) return status;
        struct stat created {};
        if (fstat(fileno(file->stream()), &created) != 0 || !S_ISREG(created.st_mode)) created = {};
        outputs[index] = file.get();
        openedFiles.push_back({std::move(file), created.st_dev, created.st_ino});
        return 0;
    };

    if (settings.outputFile) {
        if (const int status = open(OUT_MAIN, settings.outputFile)) return status;
    } else {
        standardOutput = OutputFile::standardOutput();
        outputs[OUT_MAIN] = standardOutput.get();
    }
    for (const save_target& target : saveTargets)
        if (const int status = open(target.out, settings.*target.file)) return status;
    if (const int status = open(OUT_GRAPH, settings.graphFile)) return status;
    if (settings.graphFile) graph = std::make_unique<GraphBuilder>();
    return 0;
}

void Extraction::drawProgress() {
    // printPercentage redraws only every half percent anyway; asking it only
    // when that much input went by keeps the per-line cost at one compare.
    const std::uint64_t size = parser.fileSize();
    if (size == 0 || parser.filePos() < nextDraw) return;
    nextDraw = parser.filePos() + size / 200;
    printPercentage(static_cast<float>(parser.filePos()), static_cast<float>(size));
}

void Extraction::run() {
    if (stdoutTerm) printHeader(stdout);
    anyTag = ((settings.prepMode | settings.cyclesMode | settings.privasMode | settings.setsMode |
               settings.incompleteMode) &
              TAG) != 0;
    progress = stdinTerm && stdoutTerm && settings.outputFile.has_value();
    if (progress) std::fputs(settings.group ? "Reading input file...\n" : "Processing...\n", stdout);

    while (parser.nextLine() == Parser::lineReady) {
        if (progress) drawProgress();
        if (parser.parseLine() != Parser::parsedOk) {
            ++counters.parseErrors;
            if (settings.verbose) reportParseError();
            continue;
        }
        processRoute();
    }
    if (progress) printPercentage(static_cast<float>(parser.filePos()), static_cast<float>(parser.fileSize()));
}

void Extraction::reportParseError() {
    diagnostics.put('\n');
    if (!reportedBefore) {
        // The banner precedes the first diagnostic and goes straight to the stream.
        reportedBefore = true;
        diagnostics.flush();
        printHeader(stderr);
    }
    diagnostics.write("Parse error in line ");
    diagnostics.writeUnsigned(parser.readLines());
    diagnostics.write(" of file `");
    diagnostics.write(settings.inputFile ? std::string_view(*settings.inputFile) : "(standard input)");
    diagnostics.write("':\n");
    diagnostics.write(parser.currentLine());
    diagnostics.put('\n');
    diagnostics.write(parser.errReason());
    diagnostics.put('\n');
    if (stderrIsTty) {
        // Someone is watching: keep reports and output lines in their order.
        outputs[OUT_MAIN]->flush();
        diagnostics.flush();
    }
}

void Extraction::processRoute() {
    bgpParser::parsed_data& route = parser.parsed;
    const route_result& r = cleaner.clean(route.path, route.origin, counters);

    if (!r.cleanedPath.empty()) {
        if (r.keep) {
            ++counters(ROW_INPUT, COL_REPORTED);
            if (settings.group)
                updateMap(maps[OUT_MAIN], r.cleanedPath, r.tags, route.network, route.routeMask, settings.unique);
            else
                writePathLine(*outputs[OUT_MAIN], anyTag ? &r.tags : nullptr, r.cleanedPath, settings.show,
                              route.network, route.routeMask, settings.allmask);
            if (graph) graph->addRoute(r.cleanedPath, route.network, route.routeMask);
        }
    } else {
        if (r.keep) ++counters(ROW_INPUT, COL_EMPTY_AFTER);
        for (std::size_t row = ROW_INCOMPLETE; row <= ROW_CYCLES; ++row)
            if (r.save[row]) ++counters.cells[row][COL_EMPTY_AFTER];
    }

    if (r.unchangedPath.empty()) {
        ++counters(ROW_INPUT, COL_EMPTY_BEFORE);
        return;
    }
    for (const save_target& target : saveTargets) {
        if (!r.save[target.row]) continue;
        ++counters(target.row, COL_REPORTED);
        writeToFile(*outputs[target.out], r.tags, settings.group, settings.show, settings.allmask, settings.unique,
                    anyTag, route.network, route.routeMask, r.unchangedPath, maps[target.out]);
    }
}

void Extraction::writeMaps() {
    if (!settings.group) return;
    if (progress) std::fputs("\nNow writing output to file...\n", stdout);
    printMap(*outputs[OUT_MAIN], maps[OUT_MAIN], anyTag, progress, settings.show, settings.allmask);
    for (const save_target& target : saveTargets) {
        if (!outputs[target.out] || maps[target.out].isEmpty()) continue;
        if (progress) std::fputs(target.writingMessage, stdout);
        printMap(*outputs[target.out], maps[target.out], anyTag, progress, settings.show, settings.allmask);
    }
}

void Extraction::writeGraph() {
    if (!graph) return;
    ASGraph asGraph;
    graph->build(asGraph);
    graph.reset();
    asGraph.setSourceFiles(std::vector<std::string>{graphSourceName(settings)}, true);
    asGraph.setComment(graphComment(settings));
    // A failed write leaves the stream in error: finish() reports it.
    OutputFile& out = *outputs[OUT_GRAPH];
    out.flush();
    asGraph.writeToFile(out.stream());
}

void Extraction::printStats() {
    if (!settings.verbose) return;
    outputs[OUT_MAIN]->flush();
    diagnostics.flush();
    printStatistics(stderr, counters, parser.readLines(), parser.parsedLines());
}

void Extraction::warnUnreadRoutes() {
    // Routes beyond the end of a table that a modern reading would have taken
    // are data lost without a word unless said here, with or without -v.
    const bgpParser::unread_routes& unread = parser.unreadRoutes();
    if (unread.count == 0) return;
    outputs[OUT_MAIN]->flush();
    diagnostics.flush();
    printHeader(stderr);
    std::fprintf(stderr, "Warning: %llu route lines from line %llu on were not read (try --modern)\n",
                 static_cast<unsigned long long>(unread.count), static_cast<unsigned long long>(unread.firstLine));
}

int Extraction::finish() {
    diagnostics.finish();
    if (stdoutTerm && stdinTerm) {
        outputs[OUT_MAIN]->flush();
        std::fputs("\n", stdout);
    }
    parser.closeFile();

    // Output that could not be written is lost data: say so and fail the run.
    int status = 0;
    auto report = [&status](const std::string& name, int err) {
        printHeader(stderr);
        std::fprintf(stderr, "Error: Unable to write to file `%s'\n", name.c_str());
        std::fprintf(stderr, "(%s)\n", std::strerror(err));
        status = 2;
    };
    bool stdoutChecked = false;
    if (standardOutput) {
        stdoutChecked = true;
        if (!standardOutput->finish()) report(standardOutput->name(), standardOutput->error());
    }
    for (opened_file& f : openedFiles)
        if (!f.file->finish()) report(f.file->name(), f.file->error());
    if (!stdoutChecked) {
        // The banner and the progress display may have gone to standard output.
        errno = 0;
        const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout);
        if (failed) report("(standard output)", errno != 0 ? errno : EIO);
    }
    return status;
}

} // namespace

int runExtractor(int argc, const char* const* argv) {
    const char* programName = argc > 0 && argv[0] ? argv[0] : "routesift";
    extraction_mode settings;
    std::string error;
    if (!parseArguments(argc, argv, settings, error)) {
        printHeader(stderr);
        std::fprintf(stderr, "Syntax error: %s\n", error.c_str());
        std::fprintf(stderr, "Type `%s --help' for more information\n", programName);
        return 1;
    }
    if (settings.help) {
        printHeader(stdout);
        printHelp(stdout, programName);
        std::fflush(stdout);
        return 0;
    }

    // The extraction holds the parser's buffers, the seen-AS stamps and the
    // maps: too big for the stack.
    auto extraction = std::make_unique<Extraction>(settings);
    if (const int status = extraction->openInput()) return status;
    if (const int status = extraction->openOutputs()) return status;
    extraction->run();
    extraction->writeMaps();
    extraction->writeGraph();
    extraction->printStats();
    extraction->warnUnreadRoutes();
    return extraction->finish();
}
