// SPDX-License-Identifier: MIT
// Keeps descriptors 0, 1 and 2 from being handed to the window's own files.
#include "standard_streams.h"

#include <cerrno>

#include <fcntl.h>

namespace velmor::io {

bool reserveStandardStreams() noexcept
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        // The lower numbers are all open by now, so open() gives this one.
        if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) return false;
    }
    return true;
}

}  // namespace velmor::io
