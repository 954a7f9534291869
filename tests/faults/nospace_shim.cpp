// Loaded with LD_PRELOAD by end-to-end cases: every fsync fails as on a file
// system that finds itself full only when the data reaches the disk (network
// file systems, delayed allocation). Everything else is left alone.
#include <cerrno>

extern "C" int fsync(int) // NOLINT: replaces the C library's function
{
    errno = ENOSPC;
    return -1;
}
