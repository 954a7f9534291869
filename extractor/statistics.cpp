#include "extractor/statistics.h"

namespace {

unsigned long cell(const path_counters& c, counter_row row, counter_column column)
{
    return static_cast<unsigned long>(c(row, column));
}

} // namespace

void printStatistics(std::FILE* stream, const path_counters& c, const InputFiles::tally& lines,
                     const InputFiles::tally& records)
{
    std::fputs("\n\nAS paths     unchanged     changed     deleted       saved      tagged\n", stream);
    std::fprintf(stream, "incomplete %11lu %11s %11lu %11lu %11lu\n", cell(c, ROW_INCOMPLETE, COL_UNCHANGED), "-",
                 cell(c, ROW_INCOMPLETE, COL_DELETED), cell(c, ROW_INCOMPLETE, COL_SAVED),
                 cell(c, ROW_INCOMPLETE, COL_TAGGED));
    const struct {
        const char* format;
        counter_row row;
    } featureRows[] = {
        {"w/ prep.   %11lu %11lu %11lu %11lu %11lu\n", ROW_PREPENDING},
        {"w/ private %11lu %11lu %11lu %11lu %11lu\n", ROW_PRIVATE},
    };
    for (const auto& f : featureRows)
        std::fprintf(stream, f.format, cell(c, f.row, COL_UNCHANGED), cell(c, f.row, COL_CHANGED),
                     cell(c, f.row, COL_DELETED), cell(c, f.row, COL_SAVED), cell(c, f.row, COL_TAGGED));
    std::fprintf(stream, "w/ AS sets %11s %11lu %11lu %11lu %11lu\n", "-", cell(c, ROW_SETS, COL_CHANGED),
                 cell(c, ROW_SETS, COL_DELETED), cell(c, ROW_SETS, COL_SAVED), cell(c, ROW_SETS, COL_TAGGED));
    std::fprintf(stream, "w/ cycles  %11lu %11lu %11lu %11lu %11lu\n", cell(c, ROW_CYCLES, COL_UNCHANGED),
                 cell(c, ROW_CYCLES, COL_CHANGED), cell(c, ROW_CYCLES, COL_DELETED), cell(c, ROW_CYCLES, COL_SAVED),
                 cell(c, ROW_CYCLES, COL_TAGGED));

    // Cells shown as "-" are never counted, so summing whole columns is exact.
    unsigned long total[5] = {};
    for (std::size_t row = ROW_INCOMPLETE; row <= ROW_CYCLES; ++row)
        for (std::size_t column = COL_UNCHANGED; column <= COL_TAGGED; ++column)
            total[column] += static_cast<unsigned long>(c.cells[row][column]);
    std::fprintf(stream, "TOTAL      %11lu %11lu %11lu %11lu %11lu\n\n", total[0], total[1], total[2], total[3],
                 total[4]);

    std::fputs("                                         empty       empty\n"
               "                                        before       after\n"
               "AS paths     processed    reported  processing  processing\n",
               stream);
    std::fprintf(stream, "input file %11lu %11lu %11lu %11lu\n", static_cast<unsigned long>(c.processed),
                 cell(c, ROW_INPUT, COL_REPORTED), cell(c, ROW_INPUT, COL_EMPTY_BEFORE),
                 cell(c, ROW_INPUT, COL_EMPTY_AFTER));
    const struct {
        const char* format;
        counter_row row;
    } fileRows[] = {
        {"incom.file %11s %11lu %11s %11lu\n", ROW_INCOMPLETE}, {"prep. file %11s %11lu %11s %11lu\n", ROW_PREPENDING},
        {"priv. file %11s %11lu %11s %11lu\n", ROW_PRIVATE},    {"sets file  %11s %11lu %11s %11lu\n", ROW_SETS},
        {"cycle file %11s %11lu %11s %11lu\n", ROW_CYCLES},
    };
    unsigned long reported = cell(c, ROW_INPUT, COL_REPORTED);
    for (const auto& f : fileRows) {
        std::fprintf(stream, f.format, "-", cell(c, f.row, COL_REPORTED), "-", cell(c, f.row, COL_EMPTY_AFTER));
        reported += cell(c, f.row, COL_REPORTED);
    }
    std::fprintf(stream, "TOTAL      %11s %11lu\n\n", "", reported);

    const auto printInput = [stream](const char* heading, const InputFiles::tally& t) {
        std::fputs(heading, stream);
        std::fprintf(stream, "           %11lu %11lu %11lu\n", static_cast<unsigned long>(t.read),
                     static_cast<unsigned long>(t.parsed), static_cast<unsigned long>(t.errors));
    };
    if (lines.seen || !records.seen) printInput("File lines        read      parsed   w/ errors\n", lines);
    if (lines.seen && records.seen) std::fputs("\n", stream);
    if (records.seen) printInput("MRT records       read      parsed   w/ errors\n", records);
}

void printContentCounts(std::FILE* stream, const std::vector<std::pair<std::string, std::uint64_t>>& counts)
{
    if (counts.empty()) return;
    std::fputs("\nInput records                                    count\n", stream);
    for (const auto& [label, count] : counts)
        std::fprintf(stream, "%-42s %11llu\n", label.c_str(), static_cast<unsigned long long>(count));
}
