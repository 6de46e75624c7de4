#pragma once

#include <cstdio>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace Orvo::Testing {

// Replaces one of the stand-ins' files whole: written beside it under a name of
// this process's own, then renamed over it, so that a stand-in starting
// meanwhile reads the old contents or the new, never half. Not synced to disk:
// the files live no longer than the test, and hundreds of stand-in calls a run
// would each wait for the disk. Plain C++, as the stand-in program is.
// Writes all of data, as far as the descriptor takes it; false when it stopped short.
inline bool writeAll(int fd, const std::string &data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

inline bool replaceStandInFile(const std::string &path, const std::string &contents)
{
    const std::string partial = path + "." + std::to_string(::getpid()) + ".partial";
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, contents);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(partial.c_str(), path.c_str()) != 0) {
        ::unlink(partial.c_str());
        return false;
    }
    return true;
}

} // namespace Orvo::Testing
