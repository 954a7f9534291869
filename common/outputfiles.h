#pragma once
// Output files that never lose data, for both programs.
//
// A regular file is never written in place: its output goes to a temporary
// file beside it (same directory, hence same file system, with the old file's
// permissions), and only commit() renames the temporaries over their targets,
// once every output was written, flushed, synced and closed without error.
// A failure, a declined question or a signal therefore leaves every old file
// exactly as it was, and no temporary file behind (see common/interrupts.h).
//
// Anything that is not a regular file (a FIFO, a terminal, /dev/null, a
// descriptor such as /dev/stdout) is opened in place, without the overwrite
// question: there is nothing to replace, and opening a FIFO only waits for a
// reader, as `cat > fifo` does.
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

// A file as the system knows it, whatever name reached it.
struct file_identity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const file_identity&) const = default;
};

// The identity of the regular file open on `descriptor`, or named `name`;
// none for anything else or when its status cannot be had.
std::optional<file_identity> regularFileIdentity(int descriptor);
std::optional<file_identity> regularFileIdentity(const std::string& name);

// Opens a harmless stand-in (a directory, which can be neither read nor
// written) on each of descriptors 0 to 2 that is closed, so that no output
// file is ever opened on one of them and written by mistake as standard
// output; writes to a closed standard output keep failing.
void guardStandardDescriptors();

// Outputs of one run, replaced together or not at all.
class OutputSet {
public:
    enum open_outcome { OPENED, DECLINED, FAILED };
    struct opening {
        open_outcome outcome = FAILED;
        std::size_t index = 0; // the output, when opened
        int error = 0;         // errno of the failure
        bool isInput = false;  // failed because the target is the input
    };
    // Asked before an existing regular file is replaced; true to replace it.
    using confirm_fn = bool (*)(const std::string& name);

    // `inputs`: the files being read, which no output may be.
    explicit OutputSet(std::vector<file_identity> inputs = {}) : inputs(std::move(inputs)) {}
    ~OutputSet() { abandon(); }
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;

    // Opens `name` for writing. An existing regular file is replaced only
    // after `confirm` agreed, unless force. A target already opened in this
    // set, under any name, gives the index it got first.
    opening open(const std::string& name, bool force, confirm_fn confirm);
    std::FILE* stream(std::size_t index) const { return outputs[index].stream; }
    const std::string& name(std::size_t index) const { return outputs[index].name; }

    // Flushes, syncs and closes every output, then, when all of that
    // succeeded, renames the temporaries over their targets. False on the
    // first failure (failedName, failedError), with nothing replaced.
    bool commit();
    // Closes everything and removes the temporaries: nothing is replaced.
    void abandon();
    const std::string& failedName() const { return failure.name; }
    int failedError() const { return failure.error; }

private:
    struct output {
        std::string name;      // as the user gave it
        std::string target;    // the path renamed over; empty when written in place
        std::string temporary; // where the output is written until commit
        int ticket = -1;       // registration with the signal handlers
        std::FILE* stream = nullptr;
        std::optional<file_identity> identity;  // of the existing target
        std::optional<file_identity> directory; // of a target not yet existing
        std::string base;                       // its name in that directory
    };
    struct failure_note {
        std::string name;
        int error = 0;
    };

    std::optional<std::size_t> sameTarget(const output& candidate) const;
    opening openInPlace(output&& out, bool regular);
    opening openReplacement(output&& out, const struct stat* existing);
    opening added(output&& out);
    bool closeAll();
    void removeTemporaries();
    void noteFailure(const std::string& name, int error);

    std::vector<file_identity> inputs;
    std::vector<output> outputs;
    failure_note failure;
};
