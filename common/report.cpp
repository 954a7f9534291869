#include "common/report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void (*reportPrefix)() = nullptr;
std::uint64_t errorCount = 0;

} // namespace

void setReportPrefix(void (*prefix)()) { reportPrefix = prefix; }

void reportText(report_level level, std::string_view text)
{
    std::fflush(stdout);
    if (level == report_level::error) ++errorCount;
    if (reportPrefix != nullptr) reportPrefix();
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void report(report_level level, std::string_view message)
{
    reportText(level, message);
    std::fputc('\n', stderr);
}

void report(report_level level, std::string_view message, std::string_view reason)
{
    report(level, message);
    std::fputc('(', stderr);
    std::fwrite(reason.data(), 1, reason.size(), stderr);
    std::fputs(")\n", stderr);
}

std::uint64_t errorsReported() { return errorCount; }

void reportSystemError(std::string_view message, int error) { report(message, std::strerror(error)); }

bool flushStandardOutput(std::string_view message)
{
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    const int error = errno != 0 ? errno : EIO;
    if (error != EPIPE) reportSystemError(message, error);
    return false;
}
