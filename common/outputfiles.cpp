#include "common/outputfiles.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "common/interrupts.h"

namespace {

// A temporary's name: a hidden file beside the target, the target's name cut
// short enough to leave room for the suffix within any file name limit.
constexpr std::size_t maxBaseInTemporary = 200;
constexpr int temporaryAttempts = 100;

std::optional<file_identity> identityIfRegular(const struct stat& status)
{
    if (!S_ISREG(status.st_mode)) return std::nullopt;
    return file_identity{status.st_dev, status.st_ino};
}

// Names that reach an already open descriptor: a new file renamed over them
// would replace whatever file the descriptor refers to, not write to it.
bool isDescriptorName(std::string_view name)
{
    return name == "/dev/stdout" || name == "/dev/stderr" || name.starts_with("/dev/fd/") || name.starts_with("/proc/");
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a symbolic link leads to is replaced, not the link. A link whose
// target does not exist yet leads to where that file is created, as the
// shell's `>` and cp do. None (errno ELOOP) for links that lead in circles.
std::optional<std::string> resolvedTarget(const std::string& name)
{
    constexpr int maxLinks = 40; // the system's own limit on a path's links
    std::string path = name;
    for (int link = 0; link < maxLinks; ++link) {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<std::size_t>(length) == sizeof target) return path;
        const std::string next(target, static_cast<std::size_t>(length));
        path = next.front() == '/' ? next : directoryOf(path) + "/" + next;
    }
    errno = ELOOP;
    return std::nullopt;
}

std::string uniqueSuffix()
{
    static unsigned long long counter = 0;
    static constexpr char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned long long seed =
        static_cast<unsigned long long>(getpid()) * 2654435761ULL ^
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (++counter * 0x9E3779B97F4A7C15ULL);
    std::string suffix;
    for (int i = 0; i < 6; ++i) {
        suffix.push_back(digits[seed % 36]);
        seed /= 36;
    }
    return suffix;
}

// Creates the temporary beside `target`; the process umask applies to a new
// file's permissions just as it would to the target created directly.
int createTemporary(const std::string& target, std::string& temporary)
{
    const std::string stem = directoryOf(target) + "/." + baseOf(target).substr(0, maxBaseInTemporary) + ".";
    for (int attempt = 0; attempt < temporaryAttempts; ++attempt) {
        temporary = stem + uniqueSuffix();
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// The replacement keeps what the old file's owner chose for it.
void copyOwnership(int fd, const struct stat& old)
{
    fchmod(fd, old.st_mode & 07777);
    if (old.st_uid != geteuid() || old.st_gid != getegid()) {
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Not permitted: the file becomes the writer's, as any new file would.
        }
    }
}

void syncDirectory(const std::string& path)
{
    const int fd = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

} // namespace

std::optional<file_identity> regularFileIdentity(int descriptor)
{
    struct stat status {};
    if (fstat(descriptor, &status) != 0) return std::nullopt;
    return identityIfRegular(status);
}

std::optional<file_identity> regularFileIdentity(const std::string& name)
{
    struct stat status {};
    if (stat(name.c_str(), &status) != 0) return std::nullopt;
    return identityIfRegular(status);
}

void guardStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int standIn = ::open("/", O_RDONLY | O_DIRECTORY);
        if (standIn >= 0 && standIn != fd) {
            dup2(standIn, fd);
            close(standIn);
        }
    }
}

OutputSet::opening OutputSet::open(const std::string& name, bool force, confirm_fn confirm)
{
    output out;
    out.name = name;
    struct stat status {};
    const bool exists = stat(name.c_str(), &status) == 0;
    if (!exists && errno != ENOENT) return {FAILED, 0, errno, false};
    if (exists) {
        out.identity = file_identity{status.st_dev, status.st_ino};
        if (S_ISREG(status.st_mode) && std::find(inputs.begin(), inputs.end(), *out.identity) != inputs.end())
            return {FAILED, 0, 0, true};
        if (const auto index = sameTarget(out)) return {OPENED, *index, 0, false};
        if (!S_ISREG(status.st_mode) || isDescriptorName(name))
            return openInPlace(std::move(out), S_ISREG(status.st_mode));
        if (!force && !confirm(name)) return {DECLINED, 0, 0, false};
    }
    return openReplacement(std::move(out), exists ? &status : nullptr);
}

std::optional<std::size_t> OutputSet::sameTarget(const output& candidate) const
{
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const output& o = outputs[i];
        if (candidate.identity && o.identity == candidate.identity) return i;
        if (candidate.directory && o.directory == candidate.directory && o.base == candidate.base) return i;
    }
    return std::nullopt;
}

OutputSet::opening OutputSet::openInPlace(output&& out, bool regular)
{
    // A regular file behind a descriptor name was opened by the shell, which
    // truncated it or meant it to be appended to: add to its end either way.
    const int flags = O_WRONLY | O_CLOEXEC | (regular ? O_APPEND : 0);
    const int fd = ::open(out.name.c_str(), flags);
    if (fd < 0) return {FAILED, 0, errno, false};
    out.stream = fdopen(fd, "w");
    if (out.stream == nullptr) {
        const int error = errno;
        close(fd);
        return {FAILED, 0, error, false};
    }
    return added(std::move(out));
}

OutputSet::opening OutputSet::openReplacement(output&& out, const struct stat* existing)
{
    const std::optional<std::string> target = resolvedTarget(out.name);
    if (!target) return {FAILED, 0, errno, false};
    out.target = *target;
    if (existing == nullptr) {
        // Not there yet: known by its directory and name, so that a second
        // name for the same new file shares its output.
        struct stat directory {};
        if (stat(directoryOf(out.target).c_str(), &directory) == 0)
            out.directory = file_identity{directory.st_dev, directory.st_ino};
        out.base = baseOf(out.target);
        if (const auto index = sameTarget(out)) return {OPENED, *index, 0, false};
    } else if (access(out.target.c_str(), W_OK) != 0) {
        // A file its owner made read-only is not replaced behind their back.
        return {FAILED, 0, errno, false};
    }

    const int fd = createTemporary(out.target, out.temporary);
    if (fd < 0) return {FAILED, 0, errno, false};
    out.ticket = registerTemporary(out.temporary.c_str());
    if (existing != nullptr) copyOwnership(fd, *existing);
    out.stream = out.ticket < 0 ? nullptr : fdopen(fd, "w");
    if (out.stream == nullptr) {
        const int error = out.ticket < 0 ? EMFILE : errno;
        close(fd);
        unlink(out.temporary.c_str());
        forgetTemporary(out.ticket);
        return {FAILED, 0, error, false};
    }
    return added(std::move(out));
}

OutputSet::opening OutputSet::added(output&& out)
{
    outputs.push_back(std::move(out));
    return {OPENED, outputs.size() - 1, 0, false};
}

void OutputSet::noteFailure(const std::string& name, int error)
{
    if (failure.error == 0) failure = {name, error != 0 ? error : EIO};
}

bool OutputSet::closeAll()
{
    bool ok = true;
    for (output& o : outputs) {
        if (o.stream == nullptr) continue;
        errno = 0;
        bool written = std::fflush(o.stream) == 0 && !std::ferror(o.stream);
        // Some file systems report a full disk only when the data reaches it.
        if (written && !o.temporary.empty()) written = fsync(fileno(o.stream)) == 0;
        if (!written) noteFailure(o.name, errno);
        if (std::fclose(o.stream) != 0 && written) {
            noteFailure(o.name, errno);
            written = false;
        }
        o.stream = nullptr;
        ok = ok && written;
    }
    return ok;
}

bool OutputSet::commit()
{
    if (!closeAll()) {
        removeTemporaries();
        return false;
    }
    {
        const SignalHold hold;
        for (output& o : outputs) {
            if (o.temporary.empty()) continue;
            if (std::rename(o.temporary.c_str(), o.target.c_str()) != 0) {
                noteFailure(o.name, errno);
                unlink(o.temporary.c_str());
            } else {
                syncDirectory(o.target);
            }
            forgetTemporary(o.ticket);
            o.temporary.clear();
        }
    }
    outputs.clear();
    return failure.error == 0;
}

void OutputSet::removeTemporaries()
{
    for (output& o : outputs) {
        if (o.temporary.empty()) continue;
        unlink(o.temporary.c_str());
        forgetTemporary(o.ticket);
        o.temporary.clear();
    }
}

void OutputSet::abandon()
{
    for (output& o : outputs) {
        if (o.stream != nullptr) std::fclose(o.stream);
        o.stream = nullptr;
    }
    removeTemporaries();
    outputs.clear();
}
