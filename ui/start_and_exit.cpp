// SPDX-License-Identifier: MIT
// The window program's process set-up, the window's placement, and its
// closing path and animation.
#include "start_and_exit.h"

#include "files/ending_signals.h"
#include "files/standard_streams.h"

#include <QWidget>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace velmor::ui {
namespace {

bool isSet(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr && *value != 0;
}

// Asked for the desktop's message bus where none is named and none runs at
// $XDG_RUNTIME_DIR/bus, the D-Bus library starts one for the X display that
// outlives the program and notes it under ~/.dbus. The window uses a bus
// only to reach a screen reader, which needs one already running; without
// one it goes without, by an address that names no bus.
void keepMessageBusFromStarting()
{
    if (isSet("DBUS_SESSION_BUS_ADDRESS")) return;
    if (isSet("XDG_RUNTIME_DIR") && access((std::string(std::getenv("XDG_RUNTIME_DIR")) + "/bus").c_str(), F_OK) == 0)
        return;
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

int startAlong(int length, int availableStart, int availableLength)
{
    return length <= availableLength ? availableStart + (availableLength - length) / 2 : availableStart;
}

constexpr int kShrinkMoveTwips = 30;
constexpr int kShrinkSizeTwips = 60;

// Steps until the top is greater than `screenWidth`.
int shrinkStepCount(int top, int screenWidth) noexcept
{
    if (top > screenWidth) return 1;
    // The smallest k with top + 30k > screenWidth.
    return static_cast<int>((static_cast<long long>(screenWidth) - top) / kShrinkMoveTwips + 1);
}

// The geometry after `step` steps from `start`.
TwipRect shrinkStep(const TwipRect& start, int step, int minimumWidth, int minimumHeight) noexcept
{
    const long long move = static_cast<long long>(kShrinkMoveTwips) * step;
    const long long shrink = static_cast<long long>(kShrinkSizeTwips) * step;
    const auto shrunk = [shrink](int size, int minimum) {
        return static_cast<int>(std::max<long long>(std::min(size, minimum), size - shrink));
    };
    return {static_cast<int>(start.left + move), static_cast<int>(start.top + move),
            shrunk(start.width, minimumWidth), shrunk(start.height, minimumHeight)};
}

}  // namespace

bool prepareWindowProcess()
{
    if (!files::reserveStandardStreams()) return false;
    // Past the file size limit (ulimit -f) a write would end the program;
    // ignored, a save fails and says why like any other.
    std::signal(SIGXFSZ, SIG_IGN);
    // A save ended by a signal leaves no hidden unfinished file beside its target.
    files::installEndingSignalCleanup();
    keepMessageBusFromStarting();
    return true;
}

QPoint framePosition(QSize frame, QRect available)
{
    return {startAlong(frame.width(), available.left(), available.width()),
            startAlong(frame.height(), available.top(), available.height())};
}

std::vector<TwipRect> shrinkFrames(const TwipRect& start, int screenWidth, int minimumWidth, int minimumHeight,
                                   int maxFrames)
{
    const int steps = shrinkStepCount(start.top, screenWidth);
    const int frames = std::clamp(maxFrames, 1, steps);
    std::vector<TwipRect> path;
    path.reserve(static_cast<std::size_t>(frames));
    for (int frame = 1; frame <= frames; ++frame) {
        const int step = static_cast<int>(static_cast<long long>(steps) * frame / frames);
        path.push_back(shrinkStep(start, step, minimumWidth, minimumHeight));
    }
    return path;
}

ShrinkAnimation::ShrinkAnimation(QWidget& window, std::vector<TwipRect> frames, std::chrono::milliseconds interval,
                                 QObject* parent)
    : QObject(parent)
    , window_(window)
    , frames_(std::move(frames))
{
    timer_.setInterval(interval);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ShrinkAnimation::showNextFrame);
}

void ShrinkAnimation::start()
{
    next_ = 0;
    if (frames_.empty()) {
        emit finished();
        return;
    }
    timer_.start();
}

void ShrinkAnimation::showNextFrame()
{
    // The window system may refuse or clamp a geometry; the next frame is
    // applied all the same, and the animation ends after the last one.
    window_.setGeometry(pixelRect(frames_[next_]));
    if (++next_ < frames_.size()) return;
    timer_.stop();
    emit finished();
}

}  // namespace velmor::ui
