#include "common/decompress.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>

namespace {

constexpr std::string_view corruptText = "corrupt";
constexpr std::string_view memoryText = "out of memory";

// One step of a decompressor: input taken, output made, and where the
// stream stands afterwards.
struct codec_step {
    std::size_t used = 0;
    std::size_t produced = 0;
    enum { going, memberEnd, broken } state = going;
    std::string_view problem; // with broken: what went wrong
};

class Codec {
public:
    Codec() = default;
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;
    virtual ~Codec() = default;
    // `last` says that no input follows the `inLength` bytes given.
    virtual codec_step run(const char* in, std::size_t inLength, char* out, std::size_t outLength, bool last) = 0;
    // Gets ready for the next member of a multi-member input.
    virtual void restart() = 0;
    virtual std::string_view name() const = 0;

protected:
    static codec_step broken(codec_step step, std::string_view problem)
    {
        step.state = codec_step::broken;
        step.problem = problem;
        return step;
    }
    // A decoder that could not be set up only has memory to blame.
    codec_step unready() const { return broken({}, memoryText); }

    bool ready = false;
};

// zlib's pointers are not const: it never writes through next_in.
unsigned char* bytesOf(const char* p) { return reinterpret_cast<unsigned char*>(const_cast<char*>(p)); }

class GzipCodec final : public Codec {
public:
    GzipCodec() { ready = inflateInit2(&z, 15 + 16) == Z_OK; }
    ~GzipCodec() override
    {
        if (ready) inflateEnd(&z);
    }

    codec_step run(const char* in, std::size_t inLength, char* out, std::size_t outLength, bool) override
    {
        if (!ready) return unready();
        z.next_in = bytesOf(in);
        z.avail_in = static_cast<uInt>(std::min<std::size_t>(inLength, UINT32_MAX));
        z.next_out = bytesOf(out);
        z.avail_out = static_cast<uInt>(std::min<std::size_t>(outLength, UINT32_MAX));
        const int status = inflate(&z, Z_NO_FLUSH);
        codec_step step;
        step.used = static_cast<std::size_t>(z.next_in - bytesOf(in));
        step.produced = static_cast<std::size_t>(z.next_out - bytesOf(out));
        if (status == Z_STREAM_END)
            step.state = codec_step::memberEnd;
        else if (status == Z_MEM_ERROR)
            step = broken(step, memoryText);
        else if (status != Z_OK && status != Z_BUF_ERROR)
            step = broken(step, corruptText);
        return step;
    }
    void restart() override { ready = ready && inflateReset(&z) == Z_OK; }
    std::string_view name() const override { return "gzip"; }

private:
    z_stream z{};
};

class Bzip2Codec final : public Codec {
public:
    Bzip2Codec() { ready = BZ2_bzDecompressInit(&s, 0, 0) == BZ_OK; }
    ~Bzip2Codec() override
    {
        if (ready) BZ2_bzDecompressEnd(&s);
    }

    codec_step run(const char* in, std::size_t inLength, char* out, std::size_t outLength, bool) override
    {
        if (!ready) return unready();
        s.next_in = const_cast<char*>(in);
        s.avail_in = static_cast<unsigned>(std::min<std::size_t>(inLength, UINT32_MAX));
        s.next_out = out;
        s.avail_out = static_cast<unsigned>(std::min<std::size_t>(outLength, UINT32_MAX));
        const int status = BZ2_bzDecompress(&s);
        codec_step step;
        step.used = static_cast<std::size_t>(s.next_in - in);
        step.produced = static_cast<std::size_t>(s.next_out - out);
        if (status == BZ_STREAM_END)
            step.state = codec_step::memberEnd;
        else if (status != BZ_OK)
            step = broken(step, status == BZ_MEM_ERROR ? memoryText : corruptText);
        return step;
    }
    void restart() override
    {
        // libbz2 has no reset: a concatenated stream needs a fresh decoder.
        if (ready) BZ2_bzDecompressEnd(&s);
        s = bz_stream{};
        ready = BZ2_bzDecompressInit(&s, 0, 0) == BZ_OK;
    }
    std::string_view name() const override { return "bzip2"; }

private:
    bz_stream s{};
};

class XzCodec final : public Codec {
public:
    XzCodec() { start(); }
    ~XzCodec() override { lzma_end(&s); }

    codec_step run(const char* in, std::size_t inLength, char* out, std::size_t outLength, bool last) override
    {
        if (!ready) return unready();
        s.next_in = reinterpret_cast<const std::uint8_t*>(in);
        s.avail_in = inLength;
        s.next_out = reinterpret_cast<std::uint8_t*>(out);
        s.avail_out = outLength;
        // Concatenated streams and stream padding are the decoder's business:
        // it only knows the input is over when told so.
        const lzma_ret status = lzma_code(&s, last ? LZMA_FINISH : LZMA_RUN);
        codec_step step;
        step.used = static_cast<std::size_t>(s.next_in - reinterpret_cast<const std::uint8_t*>(in));
        step.produced = static_cast<std::size_t>(s.next_out - reinterpret_cast<std::uint8_t*>(out));
        if (status == LZMA_STREAM_END)
            step.state = codec_step::memberEnd;
        else if (status == LZMA_MEM_ERROR)
            step = broken(step, memoryText);
        else if (status != LZMA_OK && status != LZMA_BUF_ERROR)
            step = broken(step, corruptText);
        return step;
    }
    void restart() override
    {
        lzma_end(&s);
        start();
    }
    std::string_view name() const override { return "xz"; }

private:
    void start()
    {
        s = LZMA_STREAM_INIT;
        ready = lzma_stream_decoder(&s, UINT64_MAX, LZMA_CONCATENATED) == LZMA_OK;
    }
    lzma_stream s = LZMA_STREAM_INIT;
};

// The formats by their first bytes. A digit after "BZh" is the block size.
enum class format { undecided, plain, gzip, bzip2, xz };

// How far `head` agrees with the magic of `f`: the whole magic matched, a
// proper prefix of it, or a mismatch.
enum class match { whole, prefix, none };

match magicOf(format f, std::string_view head)
{
    static constexpr std::string_view gzipMagic("\x1f\x8b", 2);
    static constexpr std::string_view bzip2Magic = "BZh";
    static constexpr std::string_view xzMagic("\xfd\x37\x7a\x58\x5a\x00", 6);
    const auto compare = [&](std::string_view magic, std::size_t extra) {
        const std::size_t n = std::min(head.size(), magic.size());
        if (head.substr(0, n) != magic.substr(0, n)) return match::none;
        if (head.size() < magic.size() + extra) return match::prefix;
        return match::whole;
    };
    switch (f) {
    case format::gzip: return compare(gzipMagic, 0);
    case format::bzip2: {
        const match m = compare(bzip2Magic, 1);
        if (m == match::whole && (head[3] < '1' || head[3] > '9')) return match::none;
        return m;
    }
    case format::xz: return compare(xzMagic, 0);
    default: return match::none;
    }
}

std::unique_ptr<Codec> codecFor(format f)
{
    switch (f) {
    case format::gzip: return std::make_unique<GzipCodec>();
    case format::bzip2: return std::make_unique<Bzip2Codec>();
    case format::xz: return std::make_unique<XzCodec>();
    default: return nullptr;
    }
}

class DecodingSource final : public ByteSource {
public:
    explicit DecodingSource(std::unique_ptr<ByteSource> raw) : raw(std::move(raw)) {}

    std::size_t read(char* buffer, std::size_t capacity) override;
    std::uint64_t consumed() const override { return raw->consumed(); }
    std::uint64_t size() const override { return raw->size(); }
    bool compressed() const override { return codec != nullptr; }
    bool linePaced() const override { return raw->linePaced(); }
    int peek() override { return pending() > 0 ? static_cast<unsigned char>(input[inPos]) : raw->peek(); }

private:
    static constexpr std::size_t inputSize = std::size_t{1} << 17;

    void decide();
    bool fillInput();
    std::size_t readPlain(char* buffer, std::size_t capacity);
    std::size_t decode(char* buffer, std::size_t capacity);
    std::size_t pending() const { return inEnd - inPos; }
    std::size_t fail(std::string_view problem);

    std::unique_ptr<ByteSource> raw;
    std::unique_ptr<Codec> codec;
    format kind = format::undecided;
    std::unique_ptr<char[]> input;
    std::size_t inPos = 0;
    std::size_t inEnd = 0;
    bool rawEnded = false;
    bool betweenMembers = false;
    // A failure met while output was still to be handed out.
    std::string_view delayedProblem;
};

bool DecodingSource::fillInput()
{
    if (rawEnded) return false;
    if (inPos == inEnd) inPos = inEnd = 0;
    const std::size_t got = raw->read(input.get() + inEnd, inputSize - inEnd);
    if (got == 0) {
        rawEnded = true;
        if (raw->failed()) setFailure(raw->failure());
        return false;
    }
    inEnd += got;
    return true;
}

void DecodingSource::decide()
{
    input = std::make_unique_for_overwrite<char[]>(inputSize);
    constexpr std::array candidates{format::gzip, format::bzip2, format::xz};
    // Read until the head is long enough to tell; a short first read (a
    // line-paced stream, a pipe) must not be mistaken for plain text.
    for (;;) {
        const std::string_view head(input.get(), inEnd);
        bool open = false;
        for (const format f : candidates) {
            const match m = magicOf(f, head);
            if (m == match::whole) {
                kind = f;
                codec = codecFor(f);
                return;
            }
            open = open || m == match::prefix;
        }
        if (!open || !fillInput()) break;
    }
    kind = format::plain;
}

std::size_t DecodingSource::readPlain(char* buffer, std::size_t capacity)
{
    if (pending() > 0) {
        const std::size_t n = std::min(capacity, pending());
        std::memcpy(buffer, input.get() + inPos, n);
        inPos += n;
        return n;
    }
    if (rawEnded) return 0;
    const std::size_t got = raw->read(buffer, capacity);
    if (got == 0) {
        rawEnded = true;
        if (raw->failed()) setFailure(raw->failure());
    }
    return got;
}

std::size_t DecodingSource::fail(std::string_view problem)
{
    std::string text(problem);
    if (problem == corruptText) text = std::string(corruptText) + " " + std::string(codec->name()) + " data";
    setFailure(std::move(text));
    return 0;
}

std::size_t DecodingSource::decode(char* buffer, std::size_t capacity)
{
    int idle = 0;
    for (;;) {
        if (pending() == 0 && !fillInput() && failed()) return 0;
        if (betweenMembers) {
            // Another member may follow; the end of the input here is a clean end.
            if (pending() == 0) return 0;
            codec->restart();
            betweenMembers = false;
        }
        const codec_step step = codec->run(input.get() + inPos, pending(), buffer, capacity, rawEnded);
        inPos += step.used;
        if (step.state == codec_step::memberEnd) betweenMembers = true;
        if (step.state == codec_step::broken) {
            if (step.produced > 0) {
                delayedProblem = step.problem;
                return step.produced;
            }
            return fail(step.problem);
        }
        if (step.produced > 0) return step.produced;
        if (step.state == codec_step::going && pending() == 0 && rawEnded)
            return fail("truncated " + std::string(codec->name()) + " data");
        // No progress with input at hand should not happen; never spin on it.
        idle = step.used == 0 && step.state == codec_step::going ? idle + 1 : 0;
        if (idle > 2 && pending() > 0) return fail(corruptText);
        if (idle > 2 && !fillInput()) return fail("truncated " + std::string(codec->name()) + " data");
    }
}

std::size_t DecodingSource::read(char* buffer, std::size_t capacity)
{
    if (capacity == 0 || failed()) return 0;
    if (!delayedProblem.empty()) return fail(delayedProblem);
    if (kind == format::undecided) decide();
    if (kind == format::plain) return readPlain(buffer, capacity);
    return decode(buffer, capacity);
}

} // namespace

std::unique_ptr<ByteSource> decompressing(std::unique_ptr<ByteSource> raw)
{
    return std::make_unique<DecodingSource>(std::move(raw));
}

std::unique_ptr<ByteSource> openInputFile(const char* path)
{
    std::unique_ptr<FileSource> file = FileSource::open(path);
    if (!file) return nullptr;
    return decompressing(std::move(file));
}
