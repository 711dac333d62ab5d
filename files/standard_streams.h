// SPDX-License-Identifier: MIT
// Keeps descriptors 0, 1 and 2 from being handed to a program's own files.
#pragma once

namespace velmor::files {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed. Started
// with a standard stream closed, a program would otherwise give that number
// to the next file it opens, such as a file being saved, and whatever is
// meant for that stream would be written into the file. Each is opened for
// the other direction, so that using it still fails as it would have: a
// closed input does not read as an empty one. False when /dev/null cannot
// be opened.
bool reserveStandardStreams() noexcept;

}  // namespace velmor::files
