#include "extractor/settings.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>

#include "common/consoletools.h"
#include "common/ipv6.h"
#include "common/version.h"

namespace {

// Calls f for every non-empty comma-separated token of text, stopping (and
// returning false) as soon as f does. Empty tokens are skipped, as a strtok
// split does, so "fix,,save" is fix and save.
template <typename F>
bool forEachToken(std::string_view text, F&& f)
{
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view token = text.substr(0, comma);
        if (!token.empty() && !f(token)) return false;
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return true;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The feature options that share parseMode and their messages.
struct feature_option {
    std::string_view name; // "--prepending"
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
constexpr std::size_t PREPENDING_OPTION = 0;
constexpr std::size_t CYCLES_OPTION = 1;
constexpr std::size_t PRIVAS_OPTION = 2;
constexpr std::size_t SETS_OPTION = 3;
constexpr std::size_t INCOMPLETE_OPTION = 4;

// A vantage point is an AS number with nothing left over. Zero and an empty
// argument are refused as well, since no path may carry AS 0.
std::optional<asnum_t> parseVantageAS(const char* text) { return asnumber::parse(text, asnumber::wideRange); }

// Only --modern reads ASs beyond 16 bits, or asdot.
bool needsModern(const char* text, asnum_t as)
{
    return asnumber::needs32Bits(as) || std::string_view(text).find('.') != std::string_view::npos;
}

// A peer's address: dotted IPv4 or any IPv6 form.
std::optional<route_address> parseAddress(std::string_view text)
{
    route_address address;
    if (const auto v6 = IPv6Address::parse(text)) {
        address.family = ip_family::ipv6;
        address.bytes = v6->bytes();
        return address;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        const std::size_t used = static_cast<std::size_t>(end - text.data());
        if (ec != std::errc() || used == 0 || used > 3 || value > 255) return std::nullopt;
        address.bytes[i] = static_cast<std::uint8_t>(value);
        text.remove_prefix(used);
        if (i < 3 && (text.empty() || text.front() != '.')) return std::nullopt;
        if (i < 3) text.remove_prefix(1);
    }
    if (!text.empty()) return std::nullopt;
    return address;
}

std::string quoted(std::string_view prefix, std::string_view text)
{
    std::string message(prefix);
    message += '`';
    message += text;
    message += '\'';
    return message;
}

} // namespace

bool parseMode(const std::string& text, std::uint8_t& mode)
{
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

bool parsePfxMode(const std::string& text, extraction_mode& settings)
{
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

namespace {

// The state of one reading of the arguments, beyond the settings themselves.
struct parse_state {
    extraction_mode& settings;
    std::string& error;
    const char* arg = "";       // the argument being read, as typed
    bool inputPending = false;  // after -s
    bool outputPending = false; // after -o
    bool graphPending = false;  // after --graph
    bool optionsEnded = false;  // after --: every free argument is a file name
    // A vantage point that only --modern accepts waits for the end of the
    // arguments, since --modern may come later; without it, it is the first
    // error, as it would have been where it stood.
    std::optional<std::string> modernVantage;

    bool fail(std::string message)
    {
        error = !settings.modern && modernVantage ? quoted("Invalid number for vantage point: ", *modernVantage)
                                                  : std::move(message);
        return false;
    }
};

// How an option takes its value.
enum class takes : std::uint8_t {
    nothing,  // the exact name
    attached, // NAME=VALUE; a longer name with no `=' is refused
    next,     // the next argument, whatever it looks like
    text,     // no option: a paragraph of the help text
};

// Which part of the help text a row belongs to.
enum class section : std::uint8_t { settings, options, more };

// One row per option: the parser and the help text are both made from these.
struct option_row {
    std::string_view name;
    takes arg;
    section part;
    bool (*apply)(parse_state&, std::string_view value); // false: the state's error says why
    std::string_view repeated;                           // the refusal of a second use; empty: may repeat
    bool shapesPaths;                                    // named in a graph file's settings
    std::string_view help; // printed after "  " and the name; a text row's whole paragraph
    // A refusal of the value that only counts once a repetition was not the fault.
    bool (*refuse)(parse_state&) = nullptr;
};

bool setHelp(parse_state& s, std::string_view) { return s.settings.help = true; }
bool setVersion(parse_state& s, std::string_view) { return s.settings.version = true; }
bool setForce(parse_state& s, std::string_view) { return s.settings.force = true; }
bool setVerbose(parse_state& s, std::string_view) { return s.settings.verbose = true; }
bool setModern(parse_state& s, std::string_view) { return s.settings.modern = true; }
bool setGroup(parse_state& s, std::string_view) { return s.settings.group = true; }
bool pendOutput(parse_state& s, std::string_view) { return s.outputPending = true; }
bool pendInput(parse_state& s, std::string_view) { return s.inputPending = true; }
bool pendGraph(parse_state& s, std::string_view) { return s.graphPending = true; }
bool endOptions(parse_state& s, std::string_view) { return s.optionsEnded = true; }

bool applyFamily(parse_state& s, std::string_view value)
{
    if (value == "ipv4")
        s.settings.family = ip_family::ipv4;
    else if (value == "ipv6")
        s.settings.family = ip_family::ipv6;
    else if (value == "all")
        s.settings.family.reset();
    else
        return s.fail(quoted("Invalid family for --family: ", value));
    return true;
}

bool applyPeers(parse_state& s, std::string_view value)
{
    const bool ok = forEachToken(value, [&s](std::string_view token) {
        if (const auto address = parseAddress(token)) {
            s.settings.peerAddresses.push_back(*address);
        } else if (const auto as = asnumber::parse(token, asnumber::wideRange)) {
            s.settings.peerASs.push_back(*as);
        } else {
            return false;
        }
        return true;
    });
    if (ok && !(s.settings.peerASs.empty() && s.settings.peerAddresses.empty())) return true;
    return s.fail(quoted("Invalid peer list for --peer: ", value));
}

bool applyPrefixes(parse_state& s, std::string_view value)
{
    if (parsePfxMode(std::string(value), s.settings)) return true;
    return s.fail(quoted("Invalid mode for --prefixes: ", value));
}

bool applyVpoint(parse_state& s, std::string_view value)
{
    if (startsWith(value, "none")) {
        s.settings.vpointMode = VPOINT_NONE;
        s.settings.vantageAS.reset();
    } else if (startsWith(value, "alway")) {
        s.settings.vpointMode = VPOINT_ALWAYS;
    } else if (startsWith(value, "auto")) {
        s.settings.vpointMode = VPOINT_AUTO;
    } else {
        return s.fail(quoted("Invalid mode for --vpoint: ", value));
    }
    return true;
}

template <std::size_t F>
bool applyFeature(parse_state& s, std::string_view value)
{
    const feature_option& opt = featureOptions[F];
    if (parseMode(std::string(value), s.settings.*opt.mode)) return true;
    return s.fail(quoted("Invalid mode for " + std::string(opt.name) + ": ", value));
}

bool refuseKeptSets(parse_state& s) { return s.settings.setsMode == KEEP && !s.fail("AS sets cannot be kept"); }
bool refuseFixedIncomplete(parse_state& s)
{
    return (s.settings.incompleteMode & FIX) && !s.fail("Incompleteness cannot be fixed");
}

constexpr std::string_view modesParagraph =
    "  The following settings all use the same modes:\n"
    "      keep:   leave path unchanged\n"
    "      fix:    remove feature from the path, but do not remove path\n"
    "      delete: remove path from main output\n"
    "      save:   also save (unchanged) path to file; when using this mode, the\n"
    "              following parameter must be a file name\n"
    "      tag:    tag the path using a letter\n"
    "      Don't use:  keep   with any combination of the other modes\n"
    "                  fix    with delete or tag\n"
    "                  delete with tag\n\n";

// In the order of the help text.
constexpr option_row optionTable[] = {
    {"--group", takes::nothing, section::settings, setGroup, "Option --group is used at least twice", true,
     "\n"
     "      By default, output is a list of AS paths, including repetitions;\n"
     "      using --group option reports each AS path once, together with the\n"
     "      number of its occurrences in the BGP dump. When requested, the path\n"
     "      is tagged with a merging of the tags associated with each instance\n"
     "      of its. This means that the number of occurrences is just referred\n"
     "      to the path itself, while the presence of a tag means that at least\n"
     "      one of the occurrences had that property. If you wish to exactly\n"
     "      know how many paths have that tag, either use -v option or save\n"
     "      paths to external files\n\n"},
    {"--prefixes", takes::attached, section::settings, applyPrefixes, "Repeated use of --prefixes option", true,
     "={show,allmask,unique,hide}\n"
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
     "                  unique  without show\n\n"},
    {"--vpoint", takes::attached, section::settings, applyVpoint, "Repeated use of --vpoint option", true,
     "=always|auto|none\n"
     "      none:   don't change AS paths\n"
     "      always: prepend a user provided AS number to each AS path before\n"
     "              processing it\n"
     "      auto:   only prepend user provided AS if the first AS in the path is\n"
     "              different\n"
     "  When using either `always' or `auto', the following argument must be a\n"
     "  valid AS number.\n\n"},
    {"--modern", takes::nothing, section::settings, setModern, "Repeated use of --modern option", true,
     "\n"
     "      Read the listings of today's routers: AS numbers up to 4294967295,\n"
     "      written as asplain (263075) or asdot (4.933), in paths, sets,\n"
     "      confederation groups and the vantage point (output is always\n"
     "      asplain); today's status, path type and RPKI validation codes;\n"
     "      Route Distinguisher and VRF lines inside a table; the layouts of\n"
     "      IOS-XE 16+, IOS-XR (also advertised-routes), NX-OS, EOS, FRR and\n"
     "      Huawei VRP. A line that looks like a route but cannot be read is\n"
     "      a parse error; other lines inside a table are skipped (-v lists\n"
     "      them) until its summary or a prompt. IPv6 tables are read too,\n"
     "      their prefixes written in RFC 5952 form\n\n"},
    {"--family", takes::attached, section::settings, applyFamily, "Repeated use of --family option", true,
     "=ipv4|ipv6|all\n"
     "      Read only the IPv4 or only the IPv6 routes (default all), of\n"
     "      listings and MRT archives alike; a listing's IPv6 routes need\n"
     "      --modern\n\n"},
    {"--peer", takes::attached, section::settings, applyPeers, "Repeated use of --peer option", true,
     "=LIST\n"
     "      Keep only the routes of an MRT archive heard from the peers in LIST,\n"
     "      comma-separated AS numbers or peer addresses; an error for a\n"
     "      listing, whose only peer is the router itself\n\n"},
    {"", takes::text, section::settings, nullptr, "", false, modesParagraph},
    {"--incomplete", takes::attached, section::settings, applyFeature<INCOMPLETE_OPTION>,
     "Repeated use of --incomplete option", true,
     "={keep,delete,save,tag}\n"
     "      Perform listed operations on paths marked as incomplete; if\n"
     "      requested, paths are tagged with an 'I'\n\n",
     refuseFixedIncomplete},
    {"--prepending", takes::attached, section::settings, applyFeature<PREPENDING_OPTION>,
     "Repeated use of --prepending option", true,
     "={keep,fix,delete,save,tag}\n"
     "      Perform listed operations on paths with prepending; using `fix' also\n"
     "      deletes \"false\" prepending from AS sets; if requested, paths are\n"
     "      tagged with a 'P'\n\n"},
    {"--privas", takes::attached, section::settings, applyFeature<PRIVAS_OPTION>, "Repeated use of --privas option",
     true,
     "={keep,fix,delete,save,tag}\n"
     "      Perform listed operations on paths with private ASs; use of `fix'\n"
     "      implies removal of private ASs; if requested, paths are tagged with\n"
     "      a 'p'\n\n"},
    {"--sets", takes::attached, section::settings, applyFeature<SETS_OPTION>, "Repeated use of --sets option", true,
     "={fix,delete,save,tag}\n"
     "      Perform listed operations on paths with AS sets; `fix' deletes the\n"
     "      whole set from the path; `save' cannot be used without either\n"
     "      combination of the other modes; if requested, paths are tagged\n"
     "      with a 'S'\n\n",
     refuseKeptSets},
    {"--cycles", takes::attached, section::settings, applyFeature<CYCLES_OPTION>, "Repeated use of --cycles option",
     true,
     "={keep,fix,delete,save,tag}\n"
     "      Perform listed operations on paths with cycles; cycle checking is\n"
     "      applied after all the other changes took place, and completely\n"
     "      skips ASs in AS sets; using `fix' deletes every instance of an\n"
     "      AS in the path but the first; if requested, paths are tagged with\n"
     "      a 'C'\n\n"},
    {"-f", takes::nothing, section::options, setForce, "Option -f is used at least twice", false,
     "      Don't ask user confirmation (default behaviour) when overwriting\n"
     "          existing files\n"},
    {"-o", takes::next, section::options, pendOutput, "", false,
     " <filename>  Save main output to file instead of printing it on stdout\n"},
    {"--graph", takes::next, section::options, pendGraph, "Repeated use of --graph option", false,
     " <filename>\n"
     "          Write the AS graph of the reported paths to file, with the\n"
     "          path and IP address covering of every adjacency\n"},
    {"-v", takes::nothing, section::options, setVerbose, "Option -v is used at least twice", false,
     "      Verbose mode (shows both parsing errors and final statistics);\n"
     "          default mode is non-verbose\n"},
    {"--help", takes::nothing, section::options, setHelp, "", false, "  Show this help\n\n\n"},
    {"-s", takes::next, section::more, pendInput, "", false,
     " <filename>  Read the BGP dump from <filename>, even one whose name\n"
     "                 begins with `-'\n"},
    {"--", takes::nothing, section::more, endOptions, "", false,
     "      Every later argument is a file name, even one beginning with `-'\n"},
    {"-h", takes::nothing, section::more, setHelp, "", false, "      Same as --help\n"},
    {"--version", takes::nothing, section::more, setVersion, "", false,
     "\n          Show the program name and version\n"},
};

// Where a value belongs: the value steps, each independent of the others,
// take the argument after -s, -o, --graph, --vpoint and a save mode, so one
// argument can feed several. Returns false on a refusal.
bool takeValue(parse_state& s, bool& taken)
{
    extraction_mode& settings = s.settings;
    const char* arg = s.arg;
    if (s.inputPending) {
        settings.inputFiles.emplace_back(arg);
        s.inputPending = false;
        taken = true;
    }
    if (s.outputPending) {
        if (settings.outputFile) return s.fail("There is more than one output file");
        settings.outputFile = arg;
        s.outputPending = false;
        taken = true;
    }
    if (s.graphPending) {
        settings.graphFile = arg;
        s.graphPending = false;
        taken = true;
    }
    if (settings.vpointMode != VPOINT_NONE && !settings.vantageAS) {
        const auto value = parseVantageAS(arg);
        if (!value) return s.fail(quoted("Invalid number for vantage point: ", arg));
        if (needsModern(arg, *value) && !s.modernVantage) s.modernVantage = arg;
        settings.vantageAS = *value;
        settings.givenSettings.emplace_back(arg);
        taken = true;
    }
    for (const auto& opt : featureOptions) {
        if ((settings.*opt.mode & SAVE) && !(settings.*opt.file)) {
            settings.*opt.file = arg;
            taken = true;
        }
    }
    return true;
}

const option_row* findOption(std::string_view a)
{
    for (const option_row& row : optionTable) {
        if (row.arg == takes::text) continue;
        if (row.arg == takes::attached ? startsWith(a, row.name) : a == row.name) return &row;
    }
    return nullptr;
}

// A free argument: an input file; `-' alone is standard input.
bool takeFreeArgument(parse_state& s)
{
    const std::string_view a(s.arg);
    if (!s.optionsEnded && a.size() > 1 && a[0] == '-') return s.fail(quoted("Unrecognized option: ", a));
    s.settings.inputFiles.emplace_back(s.arg);
    return true;
}

bool applyOption(parse_state& s, const option_row& row, std::array<bool, std::size(optionTable)>& seen)
{
    std::string_view value;
    if (row.arg == takes::attached) {
        const std::string_view rest = std::string_view(s.arg).substr(row.name.size());
        if (!startsWith(rest, "=")) return s.fail("`=' expected after " + std::string(row.name) + " option");
        value = rest.substr(1);
    }
    if (!row.apply(s, value)) return false;
    bool& before = seen[static_cast<std::size_t>(&row - optionTable)];
    if (before && !row.repeated.empty()) return s.fail(std::string(row.repeated));
    before = true;
    if (row.refuse && row.refuse(s)) return false;
    if (row.shapesPaths) s.settings.givenSettings.emplace_back(s.arg);
    return true;
}

// The checks that apply once every argument is read, in order: the first
// that fails is the message.
struct final_check {
    bool (*fails)(const parse_state&);
    std::string_view message;
};

template <std::size_t F>
bool saveWithoutFile(const parse_state& s)
{
    return (s.settings.*featureOptions[F].mode & SAVE) && !(s.settings.*featureOptions[F].file);
}

constexpr final_check finalChecks[] = {
    {[](const parse_state& s) { return s.settings.unique && !s.settings.group; },
     "Use of `unique' flag is senseless without --group"},
    {[](const parse_state& s) { return s.settings.setsMode == SAVE; }, "Cannot just save paths with AS sets to file"},
    {saveWithoutFile<PREPENDING_OPTION>, "I need a name for the file to save paths with prepending in"},
    {saveWithoutFile<CYCLES_OPTION>, "I need a name for the file to save cycling paths in"},
    {saveWithoutFile<PRIVAS_OPTION>, "I need a name for the file to save paths with private ASs in"},
    {saveWithoutFile<SETS_OPTION>, "I need a name for the file to save paths with AS sets in"},
    {saveWithoutFile<INCOMPLETE_OPTION>, "I need a name for the file to save incomplete paths in"},
    {[](const parse_state& s) { return s.settings.vpointMode != VPOINT_NONE && !s.settings.vantageAS; },
     "Vantage point number expected"},
    {[](const parse_state& s) { return s.modernVantage && !s.settings.modern; }, ""},
    {[](const parse_state& s) { return s.graphPending; }, "I need a name for the file to write the AS graph in"},
    {[](const parse_state& s) {
         return std::count(s.settings.inputFiles.begin(), s.settings.inputFiles.end(), "-") > 1;
     },
     "Standard input (`-') is named more than once"},
    {[](const parse_state& s) { return s.settings.graphFile == "-" && !s.settings.outputFile; },
     "--graph - writes the AS graph to standard output: the paths need -o <filename>"},
};

void printSection(std::FILE* stream, section part)
{
    for (const option_row& row : optionTable) {
        if (row.part != part) continue;
        if (row.arg != takes::text) std::fprintf(stream, "  %.*s", static_cast<int>(row.name.size()), row.name.data());
        std::fwrite(row.help.data(), 1, row.help.size(), stream);
    }
}

} // namespace

bool parseArguments(int argc, const char* const* argv, extraction_mode& settings, std::string& error)
{
    settings = extraction_mode{};
    error.clear();
    parse_state s{settings, error, "", false, false, false, false, std::nullopt};
    std::array<bool, std::size(optionTable)> seen{};
    for (int i = 1; i < argc; ++i) {
        s.arg = argv[i] ? argv[i] : "";
        bool taken = false;
        if (!takeValue(s, taken)) return false;
        if (taken) continue;
        const option_row* row = s.optionsEnded ? nullptr : findOption(s.arg);
        if (!(row ? applyOption(s, *row, seen) : takeFreeArgument(s))) return false;
    }
    for (const final_check& check : finalChecks)
        if (check.fails(s)) return s.fail(std::string(check.message));
    // `-' alone names standard input, as no name at all does.
    if (settings.inputFiles == std::vector<std::string>{"-"}) settings.inputFiles.clear();
    return true;
}

void printHeader(std::FILE* stream)
{
    static bool alreadyPrinted = false;
    if (alreadyPrinted) return;
    alreadyPrinted = true;
    if (isTerm(stream))
        std::fprintf(stream, "%sroutesift%s %s\n", "\033[1m", "\033[0m", halcynVersion);
    else
        std::fprintf(stream, "routesift %s\n", halcynVersion);
}

void printHelp(std::FILE* stream, const char* programName)
{
    printHeader(stream);
    const bool term = isTerm(stream);
    const char* bold = term ? "\033[1m" : "";
    const char* underline = term ? "\033[4m" : "";
    const char* reset = term ? "\033[0m" : "";
    if (!programName) programName = "routesift";

    std::fprintf(stream, "%sHALCYN toolkit%s AS path extractor\n", bold, reset);
    std::fprintf(stream, "USAGE: %s [settings] [options] [[-s] <filename>]...\n\n", programName);
    std::fprintf(stream, "%sSettings%s are:\n", underline, reset);
    printSection(stream, section::settings);
    std::fputs("Note: modes included in {} can be combined together, using comma as\n"
               "separator; incompatible combinations are listed above; when using any of\n"
               "the above options, corresponding built-in defaults are automatically\n"
               "overridden (e.g., that is why you cannot use `save' and `keep' together)\n\n\n",
               stream);
    std::fprintf(stream, "%sOptions%s are:\n", underline, reset);
    printSection(stream, section::options);
    std::fputs("<filename> is the name of a BGP dump file. Omitting it results in input\n"
               "being taken from stdin.\n"
               "Using of -s is suggested when filename may be confused with other command\n"
               "line options.\n\n"
               "Default behaviour corresponds to the use of the following settings/options:\n"
               "--prefixes=hide --incomplete=keep --prepending=fix --privas=fix\n"
               "--sets=fix --cycles=delete\n\n",
               stream);
    std::fprintf(stream, "%sMore options%s are:\n", underline, reset);
    printSection(stream, section::more);
    std::fputs("\nA <filename> of `-' is standard input; --graph - writes the AS graph to\n"
               "standard output, the paths then going to -o <filename>. Several files are\n"
               "read in turn, as if they were one. A file is a BGP table listing or an MRT\n"
               "archive (a RIB dump or an update file), recognised by its content, and may be\n"
               "compressed with gzip, bzip2 or xz (recognised by its first bytes).\n\n"
               "Exit status: 0 after a complete run or the help text; 1 when the command\n"
               "line cannot be understood; 2 when a file cannot be opened, read or written;\n"
               "3 when an existing output file is not to be overwritten.\n",
               stream);
}
