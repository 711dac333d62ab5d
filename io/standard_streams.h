// SPDX-License-Identifier: MIT
// Keeps descriptors 0, 1 and 2 from being handed to the window's own files.
#pragma once

namespace velmor::io {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed. Started
// with a standard stream closed, the program would otherwise give that number
// to the next file it opens, such as a file being saved, and Qt's warnings to
// standard error would be written into it. Returns false when one of them
// could not be opened.
bool reserveStandardStreams() noexcept;

}  // namespace velmor::io
