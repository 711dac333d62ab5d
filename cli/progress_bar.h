// SPDX-License-Identifier: MIT
// A progress bar on standard error for long runs, shown only when standard
// error is a terminal, so that scripts and logs see nothing of it. It fits
// the terminal's width, and is cleared on every way out: when it is
// destroyed, and by the interrupt cleanup when a signal ends the tool.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace velmor::cli {

class ProgressBar {
public:
    // Inputs smaller than this finish before a bar would be worth reading.
    static constexpr std::uint64_t kShownFrom = std::uint64_t{8} << 20;

    // `total` is the input's size when known; without it the bar shows the
    // bytes done, once they pass kShownFrom.
    ProgressBar(std::optional<std::uint64_t> total, bool toTerminal);
    // Clears the bar, so that a following message starts on a clean line.
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::uint64_t done);

    // Back to the start of the line, and the line cleared.
    static constexpr char kClearLine[] = "\r\x1b[K";

    // Whether standard error is a terminal that can erase a line: one whose
    // TERM is "dumb" would show the escapes as text.
    static bool standardErrorTakesABar();

private:
    void draw(std::uint64_t done) const;

    std::optional<std::uint64_t> total_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point nextDraw_{};
};

}  // namespace velmor::cli
