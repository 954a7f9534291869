#pragma once
// Compressed input read as if it were plain: gzip, bzip2 and xz, recognised
// by their magic bytes (never by a file name), including several members or
// streams one after the other (`cat a.gz b.gz`, parallel bzip2 output).
// Anything else passes through unchanged.
#include <memory>

#include "common/bytesource.h"

// Wraps `raw`; the format is decided on the first read, so nothing is taken
// from a stream that someone else reads first. Damaged or cut compressed
// data ends the input with failed() set and a reason such as "corrupt bzip2
// data" or "truncated gzip data", after every byte that could be recovered.
// consumed() and size() are those of `raw`: compressed bytes.
std::unique_ptr<ByteSource> decompressing(std::unique_ptr<ByteSource> raw);

// A named file through decompressing(); null with errno set when it cannot
// be opened (a directory gives EISDIR).
std::unique_ptr<ByteSource> openInputFile(const char* path);
