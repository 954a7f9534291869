#pragma once
// routesift's inputs: the files named (or standard input) read in turn as
// one stream of routes, as if they were one file. With several files, the
// next ones are decompressed and decoded ahead on threads of their own while
// the routes of the one before are cleaned and written; what comes out is the
// same, in the same order. What each file ended with is kept for the reports
// that follow the output. A day of archives is thousands of files, more than
// a process may hold open: each is opened only when it is about to be read
// and closed when it ends.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/outputfiles.h"
#include "parsers/route.h"

class ByteSource;
struct extraction_mode;

class InputFiles {
public:
    // How a file ended.
    struct outcome {
        std::string name;
        bool contentSeen = false;
        std::optional<std::string> readFailure;
        std::optional<std::string> unreadWarning;
        // Why a file that passed the check could not be opened in its turn.
        int openError = 0;
        bool failed() const { return readFailure || openError != 0; }
    };

    explicit InputFiles(const extraction_mode& settings);

    // Checks that every input opens before any is read, so that a missing
    // file fails the run before output starts; reports the failure and
    // returns its status.
    int open();
    // The next route or parse error, file after file; end after the last.
    route_step next();
    const route_record& route() const { return current->route(); }
    route_error error() const { return current->error(); }
    // The file being read, as reports name it.
    const std::string& name() const { return files[index].name; }
    // Whether the file being read names the peers of its routes.
    bool namesPeers() const { return current->namesPeers(); }

    // Lines of listings, or records of MRT archives, over all files of the kind.
    struct tally {
        std::uint64_t read = 0;
        std::uint64_t parsed = 0; // read without error
        std::uint64_t errors = 0; // parse errors met in them
        bool seen = false;        // a file of the kind was read
    };
    enum class unit : std::size_t { lines, records };

    // Over all files: bytes consumed and size (0 when one is unknown), lines
    // and records read, what they held besides routes.
    std::uint64_t bytesRead() const { return bytesDone + (current ? current->bytesRead() : 0); }
    std::uint64_t size() const { return sizeKnown ? totalSize : 0; }
    tally counted(unit u) const;
    const std::vector<std::pair<std::string, std::uint64_t>>& contentCounts() const { return counts; }
    // The files read to their end, in order.
    const std::vector<outcome>& outcomes() const { return ended; }
    // The regular files among the inputs, which no output may be.
    std::vector<file_identity> identities() const;

private:
    struct input {
        input(std::string name, std::string path) : name(std::move(name)), path(std::move(path)) {}
        std::string name;                     // as reports name it
        std::string path;                     // empty: standard input
        std::unique_ptr<ByteSource> held;     // open since the check
        std::unique_ptr<route_source> source; // from its opening to its end
        bool opened = false;                  // opening was tried
        int openError = 0;
    };

    int check(input& file, bool keepOpen);
    // Opens file `file`, once: in its turn, or when its read-ahead starts.
    void prepare(std::size_t file);
    void endFile();
    // MRT archives, whose routes name their peers, count records.
    static unit unitOf(const route_source& source) { return source.namesPeers() ? unit::records : unit::lines; }

    const extraction_mode& settings;
    std::vector<input> files;
    std::size_t filesAhead = 0; // files being read at once; 0: one after another
    bool started = false;
    bool finished = false;
    std::size_t index = 0;
    route_source* current = nullptr;
    std::uint64_t totalSize = 0;
    bool sizeKnown = true;
    std::uint64_t bytesDone = 0;
    std::array<tally, 2> done{}; // by unit: the files ended, and every parse error
    std::vector<std::pair<std::string, std::uint64_t>> counts;
    std::vector<outcome> ended;
};
