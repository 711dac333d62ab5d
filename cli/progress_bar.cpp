// SPDX-License-Identifier: MIT
// Drawing the progress bar.
#include "progress_bar.h"

#include "files/ending_signals.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/ioctl.h>
#include <unistd.h>

namespace velmor::cli {
namespace {

constexpr std::size_t kWidestBar = 30;
constexpr std::size_t kNarrowestBar = 10;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

// The terminal's width now, asked at every redraw so that the bar follows a
// resize. The last column stays empty: a terminal that wraps on writing it
// would start a new line at every redraw.
std::size_t usableColumns()
{
    winsize size{};
    const std::size_t columns = ioctl(2, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
    return columns - 1;
}

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
    if (!drawn_) return;
    files::disarmErrorLineClear();
    show(kClearLine);
}

bool ProgressBar::standardErrorTakesABar()
{
    const char* terminal = std::getenv("TERM");
    return isatty(2) != 0 && !(terminal && std::strcmp(terminal, "dumb") == 0);
}

void ProgressBar::update(std::uint64_t done)
{
    if (!enabled_ || (!total_ && done < kShownFrom)) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextDraw_) return;
    nextDraw_ = now + kRedrawEvery;
    if (!drawn_) files::armErrorLineClear(kClearLine);
    drawn_ = true;
    draw(done);
}

void ProgressBar::draw(std::uint64_t done) const
{
    const std::size_t columns = usableColumns();
    std::string line;
    if (!total_) {
        line = mebibytes(done) + " done";
    } else {
        const double fraction =
            *total_ == 0 ? 1.0 : std::min(1.0, static_cast<double>(done) / static_cast<double>(*total_));
        char percent[8], amounts[64];
        std::snprintf(percent, sizeof percent, " %3d%%", static_cast<int>(fraction * 100));
        std::snprintf(amounts, sizeof amounts, "  %s of %s", mebibytes(done).c_str(), mebibytes(*total_).c_str());
        // On a narrow terminal the amounts go first, then the bar.
        std::string figures = percent;
        if (figures.size() + std::strlen(amounts) <= columns) figures += amounts;
        const std::size_t room = columns > figures.size() + 2 ? columns - figures.size() - 2 : 0;
        const std::size_t width = std::min(kWidestBar, room);
        if (width >= kNarrowestBar) {
            const auto filled = static_cast<std::size_t>(fraction * static_cast<double>(width));
            line += '[';
            line.append(filled, '#');
            line.append(width - filled, '.');
            line += ']';
        }
        line += figures;
    }
    if (line.size() > columns) line.resize(columns);
    line.insert(0, kClearLine);
    show(line);
}

}  // namespace velmor::cli
