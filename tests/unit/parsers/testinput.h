#pragma once
// Inputs for the parser tests: texts written to real files (for the open and
// size rules) or to anonymous temporary streams.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

#include "parsers/parser.h"

// A file holding `text`, removed when the object goes.
class TempFile {
public:
    explicit TempFile(std::string_view text)
    {
        static int serial = 0;
        path = std::filesystem::temp_directory_path() /
               ("halcyn-parsers-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
        std::ofstream(path, std::ios::binary) << text;
    }
    ~TempFile() { std::filesystem::remove(path); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* name() const { return path.c_str(); }

private:
    std::filesystem::path path;
};

// Opens `parser` on `text` through an anonymous temporary stream.
inline bool openText(Parser& parser, std::string_view text)
{
    std::FILE* stream = std::tmpfile();
    if (stream == nullptr) return false;
    std::fwrite(text.data(), 1, text.size(), stream);
    std::rewind(stream);
    return parser.openStream(stream);
}
