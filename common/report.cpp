#include "common/report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void (*reportPrefix)() = nullptr;

void writeLine(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
}

} // namespace

void setReportPrefix(void (*prefix)())
{
    reportPrefix = prefix;
}

void report(std::string_view message)
{
    std::fflush(stdout);
    if (reportPrefix != nullptr)
        reportPrefix();
    writeLine(message);
}

void report(std::string_view message, std::string_view reason)
{
    report(message);
    std::fputc('(', stderr);
    std::fwrite(reason.data(), 1, reason.size(), stderr);
    std::fputs(")\n", stderr);
}

void reportSystemError(std::string_view message, int error)
{
    report(message, std::strerror(error));
}

bool flushStandardOutput(std::string_view message)
{
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    const int error = errno != 0 ? errno : EIO;
    if (error != EPIPE)
        reportSystemError(message, error);
    return false;
}
