// SPDX-License-Identifier: MIT
// /dev/null in place of closed standard streams.
#include "standard_streams.h"

#include <cerrno>

#include <fcntl.h>

namespace velmor::files {

bool reserveStandardStreams() noexcept
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        // The lower numbers are all open by now, so open() gives this one.
        if (open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY) != fd) return false;
    }
    return true;
}

}  // namespace velmor::files
