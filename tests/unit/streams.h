#pragma once
// Anonymous temporary streams for tests of code that reads or writes a FILE*.
#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A stream holding `text`, positioned at its start.
inline FilePtr fileWith(const std::string& text)
{
    FilePtr f(std::tmpfile());
    std::fwrite(text.data(), 1, text.size(), f.get());
    std::rewind(f.get());
    return f;
}

// Everything written to `f` so far.
inline std::string contents(std::FILE* f)
{
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c = std::getc(f); c != EOF; c = std::getc(f))
        text.push_back(static_cast<char>(c));
    return text;
}
