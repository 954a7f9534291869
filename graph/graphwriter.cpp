#include "graph/graphwriter.h"

#include <charconv>
#include <limits>

#include "graph/graphformat.h"

namespace {

// Lines gather up to this size before a block goes out.
constexpr std::size_t blockSize = std::size_t{1} << 16;

// Room for the leading fields of an edge line (two AS numbers, two flags,
// two 32-bit and two 64-bit coverings and their blanks take at most 90
// characters), with every number given 20 characters to fill.
constexpr std::size_t edgeFieldsRoom = 128;

// AS numbers, path coverings and most counts are 32-bit: their own
// conversion is the cheaper one, and a single digit (most path coverings,
// every missing direction) is cheaper still.
char* decimal(char* out, std::uint32_t value)
{
    if (value < 10) {
        *out = static_cast<char>('0' + value);
        return out + 1;
    }
    return std::to_chars(out, out + 10, value).ptr;
}
char* decimal(char* out, std::uint64_t value)
{
    if (value <= std::numeric_limits<std::uint32_t>::max()) return decimal(out, static_cast<std::uint32_t>(value));
    return std::to_chars(out, out + 20, value).ptr;
}

char* signedDecimal(char* out, int value) { return std::to_chars(out, out + 12, value).ptr; }

} // namespace

bool GraphFileWriter::marker(bool differential, bool wide)
{
    buffer.append(differential ? graphformat::diffGraphMarker : graphformat::graphMarker);
    if (wide) buffer.append(graphformat::wideSuffix);
    return endLine();
}

bool GraphFileWriter::number(std::uint64_t value)
{
    char digits[20];
    buffer.append(digits, decimal(digits, value));
    return endLine();
}

bool GraphFileWriter::text(std::string_view line)
{
    buffer.append(line.substr(0, line.find('\0')));
    return endLine();
}

bool GraphFileWriter::edge(const edge_line& fields, std::string_view rest)
{
    char line[edgeFieldsRoom];
    char* out = decimal(line, fields.from);
    *out++ = ' ';
    out = decimal(out, fields.to);
    *out++ = ' ';
    *out++ = fields.oriented ? '1' : '0';
    *out++ = ' ';
    out = signedDecimal(out, fields.direction);
    *out++ = ' ';
    out = decimal(out, fields.paths);
    *out++ = ' ';
    out = decimal(out, fields.addresses);
    *out++ = ' ';
    out = decimal(out, fields.reversePaths);
    *out++ = ' ';
    out = decimal(out, fields.reverseAddresses);
    buffer.append(line, out);
    buffer.append(rest);
    return endLine();
}

bool GraphFileWriter::endLine()
{
    buffer.push_back('\n');
    if (mode == pacing::eachLine || buffer.size() >= blockSize) return flush();
    return true;
}

bool GraphFileWriter::flush()
{
    if (buffer.empty()) return true;
    // An unbuffered stream can take the bytes in its count and still fail
    // to pass them on: its error flag tells.
    const bool written = std::fwrite(buffer.data(), 1, buffer.size(), file) == buffer.size() && !std::ferror(file);
    buffer.clear();
    return written;
}
