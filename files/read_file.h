// SPDX-License-Identifier: MIT
// Reading a whole regular file within a size limit, without ever waiting on
// a pipe or a device that happens to sit where the file was expected.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmor::files {

struct WholeFile {
    std::string bytes;
    // Set, with `bytes` empty, when the file holds more than the limit: how
    // many bytes were found by then (more than the limit).
    std::optional<std::uint64_t> tooLarge;
};

// Opens `path` first and looks at what was opened, so that nothing can be
// swapped in between; refuses a folder and anything that is not a regular
// file. Reads on past the size the file had when opened, since it may grow
// meanwhile and some files report no size at all. Throws FileError naming
// the file as `shown`: Stage::Open when it cannot be opened or is refused,
// Stage::Read when a read fails.
WholeFile readWholeFile(const std::string& path, std::uint64_t maxBytes, const std::string& shown);

}  // namespace velmor::files
