// SPDX-License-Identifier: MIT
// Drawing the progress bar.
#include "progress_bar.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include <unistd.h>

namespace velmor::cli {
namespace {

constexpr std::size_t kBarWidth = 30;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

std::string mebibytes(std::uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

// The bar is a courtesy: a failing write to standard error must not stop
// the work, and there is nowhere left to report it.
void show(const std::string& text)
{
    if (write(2, text.data(), text.size()) < 0) {
        // Nothing to do: the next update tries again.
    }
}

}  // namespace

ProgressBar::ProgressBar(std::optional<std::uint64_t> total, bool toTerminal)
    : total_(total), enabled_(toTerminal && (!total || *total >= kShownFrom))
{}

ProgressBar::~ProgressBar()
{
    if (drawn_) show("\r" + std::string(kBarWidth + 40, ' ') + "\r");
}

bool ProgressBar::standardErrorIsTerminal()
{
    return isatty(2) != 0;
}

void ProgressBar::update(std::uint64_t done)
{
    if (!enabled_ || (!total_ && done < kShownFrom)) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextDraw_) return;
    nextDraw_ = now + kRedrawEvery;
    draw(done);
    drawn_ = true;
}

void ProgressBar::draw(std::uint64_t done) const
{
    if (!total_) {
        std::string line = "\r";
        line += mebibytes(done);
        line += " done   ";
        show(line);
        return;
    }
    const double fraction = *total_ == 0 ? 1.0 : std::min(1.0, static_cast<double>(done) / static_cast<double>(*total_));
    const auto filled = static_cast<std::size_t>(fraction * kBarWidth);
    std::string line = "\r[";
    line.append(filled, '#');
    line.append(kBarWidth - filled, '.');
    char figures[96];
    std::snprintf(figures, sizeof figures, "] %3d%%  %s of %s   ", static_cast<int>(fraction * 100),
                  mebibytes(done).c_str(), mebibytes(*total_).c_str());
    line += figures;
    show(line);
}

}  // namespace velmor::cli
