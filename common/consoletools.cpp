#include "common/consoletools.h"

#include <cmath>
#include <sys/stat.h>

namespace {

constexpr int barCells = 40;
constexpr float percentPerStar = 2.5F;
// A finite percentage far above 100 (the work outgrew its announced total)
// would otherwise draw a star per 2.5 % without end; ten full bars is plenty
// to show that something overran.
constexpr long maxStars = 10L * barCells;

void writeRun(char c, long count)
{
    static constexpr char stars[] = "****************************************";
    static constexpr char blanks[] = "                                        ";
    const char* const run = c == '*' ? stars : blanks;
    constexpr long chunk = sizeof(stars) - 1;
    while (count > 0) {
        const long n = count < chunk ? count : chunk;
        std::fwrite(run, 1, static_cast<std::size_t>(n), stdout);
        count -= n;
    }
}

long starCount(float percent)
{
    if (std::isinf(percent)) return percent > 0 ? barCells : 0; // a positive amount of a zero total
    const double exact = static_cast<double>(percent) / percentPerStar;
    if (!(exact >= 1.0)) return 0;
    if (exact >= static_cast<double>(maxStars)) return maxStars;
    return static_cast<long>(std::floor(exact));
}

} // namespace

bool askOverwrite(std::string_view path, std::FILE* in, std::FILE* out)
{
    std::fputs("Warning: file `", out);
    std::fwrite(path.data(), 1, path.size(), out);
    std::fputs("'\nalready exists and is about to be overwritten.\n", out);
    std::fputs("Do you want to proceed (y/n)? ", out);
    std::fflush(out);

    const int first = std::getc(in);
    const bool yes = first == 'y' || first == 'Y';
    // Swallow the rest of the typed line so that it is not taken as the
    // next command or the next answer.
    int c = first;
    while (c != '\n' && c != EOF)
        c = std::getc(in);
    return yes;
}

bool askOverwrite(std::string_view path) { return askOverwrite(path, stdin, stderr); }

void goToCol(int column) { std::printf("\x1b[%iG", column); }

void printPercentage(float done, float total)
{
    static float oldPerc = -1.0F;

    const float perc = done / total * 100.0F;
    const bool advanced = perc - oldPerc >= 0.5F;
    const bool complete = 100.0F - perc < 0.001F;
    const bool wentBack = perc - oldPerc < 0.0F;
    if (!advanced && !complete && !wentBack) return; // also the case for 0 of 0, which is not a number

    goToCol(1);
    std::fputc('[', stdout);
    const long stars = starCount(perc);
    writeRun('*', stars);
    writeRun(' ', barCells - stars);
    std::printf("]  (%3.1f %%)", static_cast<double>(perc));
    std::fflush(stdout);
    oldPerc = perc;
}

bool isTerm(std::FILE* stream)
{
    struct stat status {};
    if (stream == nullptr || fstat(fileno(stream), &status) != 0) return false;
    return (status.st_mode & S_IFMT) == S_IFCHR;
}
