#include "extractor/run.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "common/consoletools.h"
#include "common/outputfiles.h"
#include "common/report.h"
#include "common/version.h"
#include "extractor/inputs.h"
#include "extractor/output.h"
#include "extractor/pipeline.h"
#include "extractor/settings.h"
#include "extractor/sinks.h"
#include "extractor/statistics.h"

namespace {

// Outputs and grouping maps by index: the main output, then the save file of
// each feature.
// The AS graph file comes last.
enum output_index : std::size_t {
    OUT_MAIN,
    OUT_PREPENDING,
    OUT_CYCLES,
    OUT_PRIVATE,
    OUT_SETS,
    OUT_INCOMPLETE,
    OUT_GRAPH
};
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

// Whether a parse error is the classic reading's refusal of an AS number that
// --modern reads (above 65535, or asdot). The reason quotes the refused token.
bool failedOnWideAS(std::string_view reason)
{
    constexpr std::string_view refusal = "Invalid AS number or path flag: `";
    if (reason.substr(0, refusal.size()) != refusal || reason.back() != '\'') return false;
    const std::string_view token = reason.substr(refusal.size(), reason.size() - refusal.size() - 1);
    const std::optional<asnum_t> as = asnumber::parse(token, asnumber::wideRange);
    return as && (asnumber::needs32Bits(*as) || token.find('.') != std::string_view::npos);
}

class Extraction {
public:
    explicit Extraction(const extraction_mode& settings) : settings(settings), cleaner(settings) {}

    int openInput();
    int openOutputs();
    void run();
    void writeOutputs();
    void warnIfNoTable();
    void printStats();
    void warnUnreadRoutes();
    void warnParseErrors();
    int finish();
    // An input that could not be read to its end fails the run, reported
    // after everything read before was written.
    int reportReadFailure(int status) const;

private:
    void processRoute(const route_record& route);
    // lineLead names what befell a listing's line.
    void reportParseError(const route_error& error, std::string_view lineLead = "Parse error in line ");
    void drawProgress();
    void makeSinks();
    void refusePeers();

    const extraction_mode& settings;
    InputFiles inputs{settings};
    PathCleaner cleaner;
    path_counters counters;
    // Outputs by index; two settings naming one file share one stream.
    std::array<OutputFile*, outputCount> outputs{};
    std::unique_ptr<OutputFile> standardOutput;
    // The named outputs, replaced together at the end of a complete run;
    // openedFiles[i] writes to output i of the set.
    std::unique_ptr<OutputSet> files;
    std::vector<std::unique_ptr<OutputFile>> openedFiles;
    // The outputs' sinks in the order they are written at the end; those
    // that take every reported route; the side file of each feature row.
    std::vector<std::unique_ptr<path_sink>> sinks;
    std::vector<path_sink*> reported;
    std::array<path_sink*, counterRows> sideFiles{};
    // Parse error reports: a dump with many 32-bit ASs yields hundreds of
    // thousands, so they are buffered like the main output.
    OutputFile diagnostics{stderr, "(standard error)", false};
    bool reportedBefore = false;
    bool stderrIsTty = false;
    bool progress = false;
    bool stdinTerm = false;
    bool stdoutTerm = false;
    std::uint64_t nextDraw = 0;
    std::uint64_t wideASErrors = 0; // parse errors on an AS only --modern reads
    bool peerRefused = false;       // --peer met a listing
};

int Extraction::openInput()
{
    stdinTerm = isTerm(stdin);
    stdoutTerm = isTerm(stdout);
    stderrIsTty = isatty(fileno(stderr)) != 0;
    return inputs.open();
}

int Extraction::openOutputs()
{
    // The dump, named or redirected, is never an output: it would be
    // replaced (or, through a descriptor, grown) while it is being read.
    const std::vector<file_identity> identities = inputs.identities();
    files = std::make_unique<OutputSet>(identities);
    // A question would take its answer from the listing's first line.
    const bool readsStdin =
        settings.inputFiles.empty() ||
        std::find(settings.inputFiles.begin(), settings.inputFiles.end(), "-") != settings.inputFiles.end();
    const on_existing existing = settings.force ? on_existing::overwrite
                                 : !readsStdin  ? on_existing::ask
                                                : on_existing::refuse;
    auto open = [&](output_index index, const std::optional<std::string>& name) {
        if (!name) return static_cast<int>(EXIT_OK);
        std::size_t fileIndex = 0;
        if (const int status = openWriteFile(*files, *name, existing, fileIndex)) return status;
        // Two settings naming one file share its output.
        if (fileIndex == openedFiles.size())
            openedFiles.push_back(std::make_unique<OutputFile>(files->stream(fileIndex), *name, false));
        outputs[index] = openedFiles[fileIndex].get();
        return static_cast<int>(EXIT_OK);
    };

    // Standard output carries the paths, or with --graph - the graph.
    auto openStandardOutput = [&](output_index index) {
        if (const auto out = regularFileIdentity(STDOUT_FILENO);
            out && std::find(identities.begin(), identities.end(), *out) != identities.end()) {
            report("Error: Unable to open file `(standard output)' for writing", "It is the input file");
            return static_cast<int>(EXIT_FILE_ERROR);
        }
        standardOutput = OutputFile::standardOutput();
        outputs[index] = standardOutput.get();
        return static_cast<int>(EXIT_OK);
    };

    if (const int status = settings.outputFile ? open(OUT_MAIN, settings.outputFile) : openStandardOutput(OUT_MAIN))
        return status;
    for (const save_target& target : saveTargets)
        if (const int status = open(target.out, settings.*target.file)) return status;
    const bool graphToStandardOutput = settings.graphFile == "-";
    if (const int status = graphToStandardOutput ? openStandardOutput(OUT_GRAPH) : open(OUT_GRAPH, settings.graphFile))
        return status;
    makeSinks();
    return EXIT_OK;
}

void Extraction::makeSinks()
{
    const path_format format = path_format::of(settings);
    auto add = [this](std::unique_ptr<path_sink> sink) {
        sinks.push_back(std::move(sink));
        return sinks.back().get();
    };
    reported.push_back(add(pathSink(*outputs[OUT_MAIN], format, "\nNow writing output to file...\n", true)));
    for (const save_target& target : saveTargets)
        if (outputs[target.out])
            sideFiles[target.row] = add(pathSink(*outputs[target.out], format, target.writingMessage, false));
    if (outputs[OUT_GRAPH])
        reported.push_back(add(graphSink(*outputs[OUT_GRAPH], graphSourceName(settings), graphComment(settings))));
}

void Extraction::drawProgress()
{
    // printPercentage redraws only every half percent anyway; asking it only
    // when that much input went by keeps the per-line cost at one compare.
    const std::uint64_t size = inputs.size();
    if (size == 0 || inputs.bytesRead() < nextDraw) return;
    nextDraw = inputs.bytesRead() + size / 200;
    printPercentage(static_cast<float>(inputs.bytesRead()), static_cast<float>(size));
}

void Extraction::run()
{
    if (stdoutTerm) printHeader(stdout);
    progress = stdinTerm && stdoutTerm && settings.outputFile.has_value();
    if (progress) std::fputs(settings.group ? "Reading input file...\n" : "Processing...\n", stdout);

    const bool peersChosen = !settings.peerASs.empty() || !settings.peerAddresses.empty();
    for (route_step step = inputs.next(); step != route_step::end; step = inputs.next()) {
        if (progress) drawProgress();
        if (peersChosen && !inputs.namesPeers()) {
            refusePeers();
            break;
        }
        if (step == route_step::skipped) {
            if (settings.verbose) reportParseError(inputs.error(), "Line not understood in line ");
            continue;
        }
        if (step == route_step::error) {
            ++counters.parseErrors;
            if (settings.verbose)
                reportParseError(inputs.error());
            else if (failedOnWideAS(inputs.error().reason))
                ++wideASErrors;
            continue;
        }
        if (selected(inputs.route(), settings)) processRoute(inputs.route());
    }
    if (progress) printPercentage(static_cast<float>(inputs.bytesRead()), static_cast<float>(inputs.size()));
}

void Extraction::refusePeers()
{
    // A listing is one router's table: there is no peer to choose.
    peerRefused = true;
    outputs[OUT_MAIN]->flush();
    diagnostics.flush();
    report("Error: --peer chooses among the peers of an MRT archive, but `" + inputs.name() + "' is a listing",
           "A listing holds the routes of one router only");
}

void Extraction::reportParseError(const route_error& error, std::string_view lineLead)
{
    diagnostics.put('\n');
    if (!reportedBefore) {
        // The banner precedes the first diagnostic and goes straight to the stream.
        reportedBefore = true;
        diagnostics.flush();
        printHeader(stderr);
    }
    // An MRT record is named by its number and where it starts.
    diagnostics.write(error.position.byteOffset ? "Parse error in record " : lineLead);
    diagnostics.writeUnsigned(error.position.number);
    if (error.position.byteOffset) {
        diagnostics.write(" at byte ");
        diagnostics.writeUnsigned(*error.position.byteOffset);
    }
    diagnostics.write(" of file `");
    diagnostics.write(inputs.name());
    diagnostics.write("':\n");
    diagnostics.write(error.text);
    diagnostics.put('\n');
    diagnostics.write(error.reason);
    diagnostics.put('\n');
    if (stderrIsTty) {
        // Someone is watching: keep reports and output lines in their order.
        outputs[OUT_MAIN]->flush();
        diagnostics.flush();
    }
}

void Extraction::processRoute(const route_record& route)
{
    const route_result& r = cleaner.clean(route.path, route.origin, counters);

    if (!r.cleanedPath.empty()) {
        if (r.keep) {
            ++counters(ROW_INPUT, COL_REPORTED);
            for (path_sink* sink : reported)
                sink->add(r.cleanedPath, r.tags, route.prefix);
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
        sideFiles[target.row]->add(r.unchangedPath, r.tags, route.prefix);
    }
}

void Extraction::writeOutputs()
{
    for (const std::unique_ptr<path_sink>& sink : sinks)
        sink->finish(progress);
    sinks.clear();
}

void Extraction::warnIfNoTable()
{
    // Only an input read whole can be said to hold no table; a read failure
    // is reported on its own.
    for (const InputFiles::outcome& file : inputs.outcomes()) {
        if (file.contentSeen || file.failed()) continue;
        outputs[OUT_MAIN]->flush();
        diagnostics.flush();
        report(report_level::warning, "Warning: no table header found in " + file.name);
    }
}

void Extraction::printStats()
{
    if (!settings.verbose) return;
    outputs[OUT_MAIN]->flush();
    diagnostics.flush();
    printStatistics(stderr, counters, inputs.counted(InputFiles::unit::lines),
                    inputs.counted(InputFiles::unit::records));
    printContentCounts(stderr, inputs.contentCounts());
}

void Extraction::warnUnreadRoutes()
{
    // Routes beyond the end of a table that a modern reading would have taken
    // are data lost without a word unless said here, with or without -v.
    for (const InputFiles::outcome& file : inputs.outcomes()) {
        if (!file.unreadWarning) continue;
        outputs[OUT_MAIN]->flush();
        diagnostics.flush();
        report(report_level::warning, "Warning: " + *file.unreadWarning);
    }
}

void Extraction::warnParseErrors()
{
    // Without -v, routes that could not be read would otherwise be lost
    // without a word while the run ends as a success.
    if (settings.verbose || counters.parseErrors == 0) return;
    outputs[OUT_MAIN]->flush();
    // The progress bar leaves the cursor at the end of its line.
    if (progress) std::fputs("\n", stdout);
    // Named as the inputs hold it: lines of listings, records of MRT archives
    // (or single entries of their RIB records).
    const std::uint64_t lines = inputs.counted(InputFiles::unit::lines).errors;
    const std::uint64_t records = inputs.counted(InputFiles::unit::records).errors;
    std::string message = "Warning: ";
    if (lines > 0) message.append(std::to_string(lines)).append(" route lines");
    if (lines > 0 && records > 0) message.append(" and ");
    if (records > 0) message.append(std::to_string(records)).append(" MRT records or RIB entries");
    message.append(" could not be read; -v lists them");
    if (wideASErrors > 0)
        message.append("\n")
            .append(std::to_string(wideASErrors))
            .append(" of them hold 32-bit AS numbers: try --modern");
    report(report_level::warning, message);
}

int Extraction::finish()
{
    diagnostics.finish();
    if (stdoutTerm && stdinTerm) {
        outputs[OUT_MAIN]->flush();
        std::fputs("\n", stdout);
    }

    // Output that could not be written is lost data: say so, fail the run,
    // and replace none of the old files.
    int status = EXIT_OK;
    auto check = [&status](OutputFile& file) {
        if (file.finish()) return;
        reportWriteError(file.name(), file.error());
        status = EXIT_FILE_ERROR;
    };
    if (standardOutput) check(*standardOutput);
    for (const std::unique_ptr<OutputFile>& file : openedFiles)
        check(*file);
    // An input that could not be read to its end fails the run as well: the
    // old files stay, as on any failure.
    const auto& ended = inputs.outcomes();
    const bool readFailed = std::any_of(ended.begin(), ended.end(), [](const auto& file) { return file.failed(); });
    if (status != EXIT_OK || readFailed || peerRefused) {
        if (files) files->abandon();
    } else if (files && !files->commit()) {
        reportWriteError(files->failedName(), files->failedError());
        status = EXIT_FILE_ERROR;
    }
    if (!standardOutput) {
        // The banner and the progress display may have gone to standard output.
        errno = 0;
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            reportWriteError("(standard output)", errno != 0 ? errno : EIO);
            status = EXIT_FILE_ERROR;
        }
    }
    return status;
}

int Extraction::reportReadFailure(int status) const
{
    for (const InputFiles::outcome& file : inputs.outcomes()) {
        if (!file.failed()) continue;
        status = EXIT_FILE_ERROR;
        if (file.openError != 0) {
            reportSystemError("Error: Unable to open input file: `" + file.name + "'", file.openError);
            continue;
        }
        report("Error: Unable to read input file `" + file.name + "'", *file.readFailure);
    }
    if (peerRefused && status == EXIT_OK) return EXIT_SYNTAX_ERROR;
    return status;
}

// The run itself; `doing` names the step under way, for the report when
// memory runs out.
int extract(const extraction_mode& settings, const char*& doing)
{
    // The extraction holds the parser's buffers, the seen-AS stamps and the
    // maps: too big for the stack.
    doing = "opening the files";
    auto extraction = std::make_unique<Extraction>(settings);
    if (const int status = extraction->openInput()) return status;
    if (const int status = extraction->openOutputs()) return status;
    doing = "reading the routes";
    extraction->run();
    doing = "writing the paths";
    extraction->writeOutputs();
    doing = "finishing the run";
    extraction->warnIfNoTable();
    extraction->printStats();
    extraction->warnParseErrors();
    extraction->warnUnreadRoutes();
    return extraction->reportReadFailure(extraction->finish());
}

} // namespace

int runExtractor(int argc, const char* const* argv)
{
    const char* programName = argc > 0 && argv[0] ? argv[0] : "routesift";
    extraction_mode settings;
    std::string error;
    guardStandardDescriptors();
    setReportPrefix([] { printHeader(stderr); });
    if (!parseArguments(argc, argv, settings, error)) {
        report("Syntax error: " + error + "\nType `" + programName + " --help' for more information");
        return EXIT_SYNTAX_ERROR;
    }
    if (settings.help || settings.version) {
        if (settings.help)
            printHelp(stdout, programName);
        else
            std::printf("routesift %s\n", halcynVersion);
        errno = 0;
        if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return EXIT_OK;
        reportWriteError("(standard output)", errno != 0 ? errno : EIO);
        return EXIT_FILE_ERROR;
    }

    const char* doing = "";
    try {
        return extract(settings, doing);
    } catch (const std::bad_alloc&) {
        // The run's memory is freed and its temporary files are removed by
        // now: the old outputs stay as they were.
        report(std::string("Error: not enough memory (") + doing + ")");
        return EXIT_FILE_ERROR;
    }
}
