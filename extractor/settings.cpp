#include "extractor/settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "common/consoletools.h"
#include "common/version.h"

namespace {

// Calls f for every non-empty comma-separated token of text, stopping (and
// returning false) as soon as f does. Empty tokens are skipped, as a strtok
// split does, so "fix,,save" is fix and save.
template <typename F>
bool forEachToken(std::string_view text, F&& f) {
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view token = text.substr(0, comma);
        if (!token.empty() && !f(token)) return false;
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return true;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The feature options that share parseMode and their messages.
struct feature_option {
    std::string_view name;             // "--prepending"
    std::uint8_t extraction_mode::*mode;
    std::optional<std::string> extraction_mode::*file;
};

constexpr feature_option featureOptions[] = {
    {"--prepending", &extraction_mode::prepMode, &extraction_mode::prepFile},
    {"--cycles", &extraction_mode::cyclesMode, &extraction_mode::cyclesFile},
    {"--privas", &extraction_mode::privasMode, &extraction_mode::privasFile},
    {"--sets", &extraction_mode::setsMode, &extraction_mode::setsFile},
    {"--incomplete", &extraction_mode::incompleteMode, &extraction_mode::incompleteFile},
};
constexpr std::size_t SETS_OPTION = 3;
constexpr std::size_t INCOMPLETE_OPTION = 4;

// A vantage point is an AS number with nothing left over. Zero and an empty
// argument are refused as well, since no path may carry AS 0.
std::optional<asnum_t> parseVantageAS(const char* text) { return asnumber::parse(text, asnumber::wideRange); }

// Only --modern reads ASs beyond 16 bits, or asdot.
bool needsModern(const char* text, asnum_t as) {
    return asnumber::needs32Bits(as) || std::string_view(text).find('.') != std::string_view::npos;
}

std::string quoted(std::string_view prefix, std::string_view text) {
    std::string message(prefix);
    message += '`';
    message += text;
    message += '\'';
    return message;
}

} // namespace

bool parseMode(const std::string& text, std::uint8_t& mode) {
    mode = KEEP;
    bool keep = false, fix = false, del = false, save = false, tag = false;
    bool any = false;
    const bool ok = forEachToken(text, [&](std::string_view token) {
        any = true;
        if (startsWith(token, "keep")) {
            if (keep || tag || del || fix || save) return false;
            keep = true;
            mode = KEEP;
        } else if (token == "fix") {
            if (tag || del || keep || fix) return false;
            fix = true;
            mode |= FIX;
        } else if (startsWith(token, "delete")) {
            if (fix || tag || keep || del) return false;
            del = true;
            mode |= DELETE;
        } else if (startsWith(token, "save")) {
            if (save || keep) return false;
            save = true;
            mode |= SAVE;
        } else if (token == "tag") {
            if (fix || del || keep || tag) return false;
            tag = true;
            mode |= TAG;
        } else {
            return false;
        }
        return true;
    });
    return ok && any;
}

bool parsePfxMode(const std::string& text, extraction_mode& settings) {
    settings.show = settings.allmask = settings.unique = false;
    bool show = false, unique = false, allmask = false, hide = false;
    bool any = false;
    const bool ok = forEachToken(text, [&](std::string_view token) {
        any = true;
        if (startsWith(token, "show")) {
            if (show || hide) return false;
            show = settings.show = true;
        } else if (startsWith(token, "unique")) {
            if (hide || unique) return false;
            unique = settings.unique = true;
        } else if (startsWith(token, "allmask")) {
            if (hide || allmask) return false;
            allmask = settings.allmask = true;
        } else if (startsWith(token, "hide")) {
            if (unique || allmask || show || hide) return false;
            hide = true;
            settings.show = false;
        } else {
            return false;
        }
        return true;
    });
    return ok && any && (show || (!unique && !allmask));
}

bool parseArguments(int argc, const char* const* argv, extraction_mode& settings, std::string& error) {
    settings.inputFile.reset();
    settings.outputFile.reset();
    for (const auto& opt : featureOptions) (settings.*opt.file).reset();
    settings.vantageAS.reset();
    settings.prepMode = FIX;
    settings.cyclesMode = DELETE;
    settings.privasMode = FIX;
    settings.setsMode = FIX;
    settings.incompleteMode = KEEP;
    settings.vpointMode = VPOINT_NONE;
    settings.group = settings.show = settings.allmask = settings.unique = false;
    settings.verbose = settings.force = settings.help = settings.modern = false;
    settings.graphFile.reset();
    settings.givenSettings.clear();
    error.clear();

    bool inputPending = false, outputPending = false, graphPending = false;
    bool prefixesSeen = false, vpointSeen = false;
    bool featureSeen[std::size(featureOptions)] = {};

    // A vantage point that only --modern accepts waits for the end of the
    // arguments, since --modern may come later; without it, it is the first
    // error, as it would have been where it stood.
    std::optional<std::string> modernVantage;
    auto fail = [&](std::string message) {
        error = !settings.modern && modernVantage ? quoted("Invalid number for vantage point: ", *modernVantage)
                                                  : std::move(message);
        return false;
    };

    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i] ? argv[i] : "";
        const std::string_view a(arg);
        bool taken = false;
        const auto given = [&settings, arg] { settings.givenSettings.emplace_back(arg); };

        // Steps that consume the argument as the value of an earlier option;
        // each applies independently, so one argument can feed several.
        if (inputPending) {
            if (settings.inputFile) return fail("There is more than one input file");
            settings.inputFile = arg;
            inputPending = false;
            taken = true;
        }
        if (outputPending) {
            if (settings.outputFile) return fail("There is more than one output file");
            settings.outputFile = arg;
            outputPending = false;
            taken = true;
        }
        if (graphPending) {
            settings.graphFile = arg;
            graphPending = false;
            taken = true;
        }
        if (settings.vpointMode != VPOINT_NONE && !settings.vantageAS) {
            const auto value = parseVantageAS(arg);
            if (!value) return fail(quoted("Invalid number for vantage point: ", a));
            if (needsModern(arg, *value) && !modernVantage) modernVantage = arg;
            settings.vantageAS = *value;
            given();
            taken = true;
        }
        for (const auto& opt : featureOptions) {
            if ((settings.*opt.mode & SAVE) && !(settings.*opt.file)) {
                settings.*opt.file = arg;
                taken = true;
            }
        }
        if (taken) continue;

        if (a == "--help") {
            settings.help = true;
        } else if (a == "-o") {
            outputPending = true;
        } else if (a == "-f") {
            if (settings.force) return fail("Option -f is used at least twice");
            settings.force = true;
        } else if (a == "-v") {
            if (settings.verbose) return fail("Option -v is used at least twice");
            settings.verbose = true;
        } else if (a == "-s") {
            inputPending = true;
        } else if (a == "--modern") {
            if (settings.modern) return fail("Repeated use of --modern option");
            settings.modern = true;
            given();
        } else if (a == "--graph") {
            if (graphPending || settings.graphFile) return fail("Repeated use of --graph option");
            graphPending = true;
        } else if (a == "--group") {
            if (settings.group) return fail("Option --group is used at least twice");
            settings.group = true;
            given();
        } else if (startsWith(a, "--prefixes")) {
            const std::string_view rest = a.substr(10);
            if (!startsWith(rest, "=")) return fail("`=' expected after --prefixes option");
            if (!parsePfxMode(std::string(rest.substr(1)), settings))
                return fail(quoted("Invalid mode for --prefixes: ", rest.substr(1)));
            if (prefixesSeen) return fail("Repeated use of --prefixes option");
            prefixesSeen = true;
            given();
        } else if (startsWith(a, "--vpoint")) {
            const std::string_view rest = a.substr(8);
            if (!startsWith(rest, "=")) return fail("`=' expected after --vpoint option");
            const std::string_view value = rest.substr(1);
            if (startsWith(value, "none")) {
                settings.vpointMode = VPOINT_NONE;
                settings.vantageAS.reset();
            } else if (startsWith(value, "alway")) {
                settings.vpointMode = VPOINT_ALWAYS;
            } else if (startsWith(value, "auto")) {
                settings.vpointMode = VPOINT_AUTO;
            } else {
                return fail(quoted("Invalid mode for --vpoint: ", value));
            }
            if (vpointSeen) return fail("Repeated use of --vpoint option");
            vpointSeen = true;
            given();
        } else {
            bool matched = false;
            for (std::size_t f = 0; f < std::size(featureOptions) && !matched; ++f) {
                const feature_option& opt = featureOptions[f];
                if (!startsWith(a, opt.name)) continue;
                matched = true;
                const std::string_view rest = a.substr(opt.name.size());
                const std::string name(opt.name);
                if (!startsWith(rest, "=")) return fail("`=' expected after " + name + " option");
                if (!parseMode(std::string(rest.substr(1)), settings.*opt.mode))
                    return fail(quoted("Invalid mode for " + name + ": ", rest.substr(1)));
                if (featureSeen[f]) return fail("Repeated use of " + name + " option");
                featureSeen[f] = true;
                if (f == SETS_OPTION && settings.setsMode == KEEP) return fail("AS sets cannot be kept");
                if (f == INCOMPLETE_OPTION && (settings.incompleteMode & FIX))
                    return fail("Incompleteness cannot be fixed");
                given();
            }
            if (!matched) {
                if (settings.inputFile) return fail(quoted("Unrecognized option: ", a));
                settings.inputFile = arg;
            }
        }
    }

    if (settings.unique && !settings.group) return fail("Use of `unique' flag is senseless without --group");
    if (settings.setsMode == SAVE) return fail("Cannot just save paths with AS sets to file");
    if ((settings.prepMode & SAVE) && !settings.prepFile)
        return fail("I need a name for the file to save paths with prepending in");
    if ((settings.cyclesMode & SAVE) && !settings.cyclesFile)
        return fail("I need a name for the file to save cycling paths in");
    if ((settings.privasMode & SAVE) && !settings.privasFile)
        return fail("I need a name for the file to save paths with private ASs in");
    if ((settings.setsMode & SAVE) && !settings.setsFile)
        return fail("I need a name for the file to save paths with AS sets in");
    if ((settings.incompleteMode & SAVE) && !settings.incompleteFile)
        return fail("I need a name for the file to save incomplete paths in");
    if (settings.vpointMode != VPOINT_NONE && !settings.vantageAS) return fail("Vantage point number expected");
    if (modernVantage && !settings.modern) return fail("");
    if (graphPending) return fail("I need a name for the file to write the AS graph in");
    return true;
}

void printHeader(std::FILE* stream) {
    static bool alreadyPrinted = false;
    if (alreadyPrinted) return;
    alreadyPrinted = true;
    if (isTerm(stream))
        std::fprintf(stream, "%sroutesift%s %s\n", "\033[1m", "\033[0m", halcynVersion);
    else
        std::fprintf(stream, "routesift %s\n", halcynVersion);
}

void printHelp(std::FILE* stream, const char* programName) {
    printHeader(stream);
    const bool term = isTerm(stream);
    const char* bold = term ? "\033[1m" : "";
    const char* underline = term ? "\033[4m" : "";
    const char* reset = term ? "\033[0m" : "";
    if (!programName) programName = "routesift";

    std::fprintf(stream, "%sHALCYN toolkit%s AS path extractor\n", bold, reset);
    std::fprintf(stream, "USAGE: %s [settings] [options] [[-s] <filename>]\n\n", programName);
    std::fprintf(stream, "%sSettings%s are:\n", underline, reset);
    std::fputs(
        "  --group\n"
        "      By default, output is a list of AS paths, including repetitions;\n"
        "      using --group option reports each AS path once, together with the\n"
        "      number of its occurrences in the BGP dump. When requested, the path\n"
        "      is tagged with a merging of the tags associated with each instance\n"
        "      of its. This means that the number of occurrences is just referred\n"
        "      to the path itself, while the presence of a tag means that at least\n"
        "      one of the occurrences had that property. If you wish to exactly\n"
        "      know how many paths have that tag, either use -v option or save\n"
        "      paths to external files\n\n"
        "  --prefixes={show,allmask,unique,hide}\n"
        "      show:    turns on prefix logging (i.e., for each path, a list of the\n"
        "               prefixes that followed that path is reported); if --group is\n"
        "               not used, a single prefix is reported for each AS path\n"
        "      allmask: append a netmask to every network (even those without a\n"
        "               netmask)\n"
        "      unique:  report every prefix at most one time for each path\n"
        "               (warning: a prefix might be reported more than one time\n"
        "               even when using this option if it appears both with and\n"
        "               without netmask in the source file); this mode should be\n"
        "               used only in combination with --group\n"
        "      Don't use:  show    with    hide\n"
        "                  allmask without show\n"
        "                  unique  without show\n\n"
        "  --vpoint=always|auto|none\n"
        "      none:   don't change AS paths\n"
        "      always: prepend a user provided AS number to each AS path before\n"
        "              processing it\n"
        "      auto:   only prepend user provided AS if the first AS in the path is\n"
        "              different\n"
        "  When using either `always' or `auto', the following argument must be a\n"
        "  valid AS number.\n\n"
        "  --modern\n"
        "      Read the listings of today's routers: AS numbers up to 4294967295,\n"
        "      written as asplain (263075) or asdot (4.933), in paths, sets,\n"
        "      confederation groups and the vantage point (output is always\n"
        "      asplain); today's status, path type and RPKI validation codes;\n"
        "      Route Distinguisher and VRF lines inside a table; the layouts of\n"
        "      IOS-XE 16+, IOS-XR (also advertised-routes), NX-OS, EOS and FRR.\n"
        "      A line that looks like a route but cannot be read is a parse\n"
        "      error instead of the end of the table; IPv6 routes are parse\n"
        "      errors (not supported)\n\n"
        "  The following settings all use the same modes:\n"
        "      keep:   leave path unchanged\n"
        "      fix:    remove feature from the path, but do not remove path\n"
        "      delete: remove path from main output\n"
        "      save:   also save (unchanged) path to file; when using this mode, the\n"
        "              following parameter must be a file name\n"
        "      tag:    tag the path using a letter\n"
        "      Don't use:  keep   with any combination of the other modes\n"
        "                  fix    with delete or tag\n"
        "                  delete with tag\n\n"
        "  --incomplete={keep,delete,save,tag}\n"
        "      Perform listed operations on paths marked as incomplete; if\n"
        "      requested, paths are tagged with an 'I'\n\n"
        "  --prepending={keep,fix,delete,save,tag}\n"
        "      Perform listed operations on paths with prepending; using `fix' also\n"
        "      deletes \"false\" prepending from AS sets; if requested, paths are\n"
        "      tagged with a 'P'\n\n"
        "  --privas={keep,fix,delete,save,tag}\n"
        "      Perform listed operations on paths with private ASs; use of `fix'\n"
        "      implies removal of private ASs; if requested, paths are tagged with\n"
        "      a 'p'\n\n"
        "  --sets={fix,delete,save,tag}\n"
        "      Perform listed operations on paths with AS sets; `fix' deletes the\n"
        "      whole set from the path; `save' cannot be used without either\n"
        "      combination of the other modes; if requested, paths are tagged\n"
        "      with a 'S'\n\n"
        "  --cycles={keep,fix,delete,save,tag}\n"
        "      Perform listed operations on paths with cycles; cycle checking is\n"
        "      applied after all the other changes took place, and completely\n"
        "      skips ASs in AS sets; using `fix' deletes every instance of an\n"
        "      AS in the path but the first; if requested, paths are tagged with\n"
        "      a 'C'\n\n"
        "Note: modes included in {} can be combined together, using comma as\n"
        "separator; incompatible combinations are listed above; when using any of\n"
        "the above options, corresponding built-in defaults are automatically\n"
        "overridden (e.g., that is why you cannot use `save' and `keep' together)\n\n\n",
        stream);
    std::fprintf(stream, "%sOptions%s are:\n", underline, reset);
    std::fputs(
        "  -f      Don't ask user confirmation (default behaviour) when overwriting\n"
        "          existing files\n"
        "  -o <filename>  Save main output to file instead of printing it on stdout\n"
        "  --graph <filename>\n"
        "          Write the AS graph of the reported paths to file, with the\n"
        "          path and IP address covering of every adjacency\n"
        "  -v      Verbose mode (shows both parsing errors and final statistics);\n"
        "          default mode is non-verbose\n"
        "  --help  Show this help\n\n\n"
        "<filename> is the name of a BGP dump file. Omitting it results in input\n"
        "being taken from stdin.\n"
        "Using of -s is suggested when filename may be confused with other command\n"
        "line options.\n\n"
        "Default behaviour corresponds to the use of the following settings/options:\n"
        "--prefixes=hide --incomplete=keep --prepending=fix --privas=fix\n"
        "--sets=fix --cycles=delete\n",
        stream);
}
