#pragma once
// routesift's command line: the settings record, the parsing of the arguments
// and of the feature modes, the banner and the help text.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/asnumber.h"
#include "parsers/route.h"

// A feature mode is a set of these bits; KEEP is the empty set.
inline constexpr std::uint8_t KEEP = 0;
inline constexpr std::uint8_t FIX = 1;
inline constexpr std::uint8_t DELETE = 2;
inline constexpr std::uint8_t SAVE = 4;
inline constexpr std::uint8_t TAG = 8;

// Values of extraction_mode::vpointMode.
inline constexpr std::uint8_t VPOINT_NONE = 0;
inline constexpr std::uint8_t VPOINT_ALWAYS = 1;
inline constexpr std::uint8_t VPOINT_AUTO = 2;

struct extraction_mode {
    std::vector<std::string> inputFiles;   // read in turn; none, or "-": standard input
    std::optional<std::string> outputFile; // none: standard output
    std::optional<std::string> cyclesFile; // save files, named only with a save mode
    std::optional<std::string> prepFile;
    std::optional<std::string> privasFile;
    std::optional<std::string> setsFile;
    std::optional<std::string> incompleteFile;
    std::optional<std::string> graphFile; // --graph: the AS graph of the reported paths
    std::uint8_t prepMode = FIX;
    std::uint8_t cyclesMode = DELETE;
    std::uint8_t privasMode = FIX;
    std::uint8_t setsMode = FIX;
    std::uint8_t incompleteMode = KEEP;
    std::uint8_t vpointMode = VPOINT_NONE;
    std::optional<asnum_t> vantageAS;
    bool group = false;                       // --group: one line per distinct path
    bool show = false;                        // --prefixes=show
    bool allmask = false;                     // --prefixes=allmask: a length even for classful networks
    bool unique = false;                      // --prefixes=unique: no prefix twice in a row for a path
    bool verbose = false;                     // -v
    bool force = false;                       // -f: overwrite without asking
    bool help = false;                        // --help, -h
    bool version = false;                     // --version
    bool modern = false;                      // --modern: read today's listings, 32-bit ASs included
    std::optional<ip_family> family;          // --family: the routes read; none: all
    std::vector<asnum_t> peerASs;             // --peer: keep routes heard from these peers
    std::vector<route_address> peerAddresses; // (either list names one); both empty: all
    // The arguments that shaped the paths, as typed: a graph file names them
    // so that it says how it was made.
    std::vector<std::string> givenSettings;
};

// Reads argv[1..argc-1] into settings (which it resets first). On failure
// returns false with one message, without line end, in error.
bool parseArguments(int argc, const char* const* argv, extraction_mode& settings, std::string& error);

// A comma-separated list of keep, fix, delete, save, tag into a mode byte.
bool parseMode(const std::string& text, std::uint8_t& mode);

// A comma-separated list of show, unique, allmask, hide into the display flags.
bool parsePfxMode(const std::string& text, extraction_mode& settings);

// The banner, written at most once per process (bold on a terminal).
void printHeader(std::FILE* stream);

// The banner (if not yet written) and the full help text.
void printHelp(std::FILE* stream, const char* programName);
