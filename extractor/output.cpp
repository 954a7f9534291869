#include "extractor/output.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/consoletools.h"
#include "common/ipv6.h"
#include "common/report.h"
#include "extractor/settings.h"

std::unique_ptr<OutputFile> OutputFile::standardOutput()
{
    return std::make_unique<OutputFile>(stdout, "(standard output)", false);
}

OutputFile::OutputFile(std::FILE* stream, std::string name, bool ownsStream)
    : file(stream), displayName(std::move(name)), owned(ownsStream), buffer(new char[capacity])
{
}

OutputFile::~OutputFile()
{
    flush();
    if (owned && file) std::fclose(file);
}

void OutputFile::write(std::string_view text)
{
    while (!text.empty()) {
        if (used == capacity) drain();
        const std::size_t n = std::min(text.size(), capacity - used);
        std::memcpy(buffer.get() + used, text.data(), n);
        used += n;
        text.remove_prefix(n);
    }
}

void OutputFile::writeUnsigned(std::uint64_t value)
{
    char digits[20];
    std::size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (capacity - used < n) drain();
    while (n > 0)
        buffer[used++] = digits[--n];
}

void OutputFile::drain()
{
    if (used == 0) return;
    // After a failure the data has nowhere to go; it is dropped and the
    // failure is reported once at the end.
    if (!failed && file && std::fwrite(buffer.get(), 1, used, file) != used) {
        failed = true;
        failureErrno = errno;
    }
    used = 0;
}

void OutputFile::flush() { drain(); }

bool OutputFile::finish()
{
    drain();
    if (!file) return !failed;
    if (std::fflush(file) != 0 && !failed) {
        failed = true;
        failureErrno = errno;
    }
    if (std::ferror(file) && !failed) {
        failed = true;
        failureErrno = errno != 0 ? errno : EIO;
    }
    if (owned) {
        if (std::fclose(file) != 0 && !failed) {
            failed = true;
            failureErrno = errno;
        }
        file = nullptr;
    }
    return !failed;
}

namespace {

bool confirmOverwrite(const std::string& name)
{
    printHeader(stderr);
    return askOverwrite(name);
}

bool refuseOverwrite(const std::string& name)
{
    report("Error: file `" + name + "' already exists (use -f to overwrite it)");
    return false;
}

} // namespace

int openWriteFile(OutputSet& files, const std::string& name, on_existing existing, std::size_t& index)
{
    const OutputSet::opening opened = files.open(name, existing == on_existing::overwrite,
                                                 existing == on_existing::ask ? confirmOverwrite : refuseOverwrite);
    switch (opened.outcome) {
    case OutputSet::OPENED: index = opened.index; return EXIT_OK;
    case OutputSet::DECLINED: return EXIT_DECLINED;
    case OutputSet::FAILED: break;
    }
    const std::string message = "Error: Unable to open file `" + name + "' for writing";
    if (opened.isInput)
        report(message, "It is the input file");
    else
        reportSystemError(message, opened.error);
    return EXIT_FILE_ERROR;
}

void reportWriteError(const std::string& name, int error)
{
    if (error == EPIPE) return;
    reportSystemError("Error: Unable to write to file `" + name + "'", error);
}

namespace {

// Longest text of one item: a blank, "(", the digits, ")".
constexpr std::size_t maxItemText = 3 + asnumber::maxDigits;

} // namespace

void printASpath(OutputFile& out, std::span<const ASItem> path)
{
    bool inSet = false;
    std::size_t i = 0;
    while (i < path.size()) {
        // Formatted straight into the buffer, a bounded batch of items at a time.
        const std::size_t batch = std::min(path.size() - i, OutputFile::bufferCapacity / maxItemText - 1);
        char* const start = out.room(batch * maxItemText + 1);
        char* at = start;
        for (const std::size_t end = i + batch; i < end; ++i) {
            const bool member = (path[i].flags & ASItem::IN_SET) != 0;
            if (i > 0) {
                if (inSet && !member) *at++ = ')';
                *at++ = ' ';
            }
            if (member && !inSet) *at++ = '(';
            inSet = member;
            at = asnumber::format(at, path[i].asn);
        }
        if (i == path.size() && inSet) *at++ = ')';
        out.commit(static_cast<std::size_t>(at - start));
    }
}

void printPrefix(OutputFile& out, const route_prefix& prefix, bool allmask)
{
    const auto& bytes = prefix.network.bytes;
    if (prefix.network.family == ip_family::ipv6) {
        char* const start = out.room(IPv6Address::maxText);
        out.commit(static_cast<std::size_t>(IPv6Address(bytes).format(start) - start));
    } else {
        for (std::size_t i = 0; i < 4; ++i) {
            out.writeUnsigned(bytes[i]);
            if (i < 3) out.put('.');
        }
    }
    if (prefix.length) {
        out.put('/');
        out.writeUnsigned(*prefix.length);
    } else if (allmask && prefix.network.family == ip_family::ipv4) {
        // A network printed without length is classful: its class gives it.
        out.put('/');
        const IPAddress network(bytes[0], bytes[1], bytes[2], bytes[3]);
        out.writeUnsigned(static_cast<std::uint64_t>(IPPrefix(network).netmask().brief()));
    }
    out.put(' ');
}
