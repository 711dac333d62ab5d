// The closing animation's geometry, and that Exit and the close request end
// the event loop with status 0 in every state the window can be in.
#include "window_fixture.h"

#include "ui/shrink_path.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

namespace velmor::ui::test {
namespace {

TEST(ShrinkPath, ShrinksAboutTheCentreThenSlidesUntilTheTopPassesTheScreenWidth)
{
    EXPECT_EQ(shrinkStepCount(0, 300), 11);  // 330 > 300, 300 is not
    EXPECT_EQ(shrinkStepCount(301, 300), 1);  // already past: one step all the same
    EXPECT_EQ(shrinkStepCount(-600, 300), 31);

    const TwipRect start{1500, 3000, 6000, 3000};
    for (int step = 1; step <= 200; ++step) {
        const TwipRect now = shrinkStep(start, step, 150, 150);
        EXPECT_EQ(now, (TwipRect{1500 + 30 * step, 3000 + 30 * step, std::max(150, 6000 - 60 * step),
                                 std::max(150, 3000 - 60 * step)}));
        EXPECT_TRUE(now.width == 150 || now.left + now.width / 2 == 4500) << "the centre stays while it shrinks";
    }

    const int screenWidth = 28800;
    const int steps = shrinkStepCount(start.top, screenWidth);
    for (const int budget : {1, 7, 120, steps + 50}) {
        const std::vector<TwipRect> frames = shrinkFrames(start, screenWidth, 15, 15, budget);
        EXPECT_EQ(static_cast<int>(frames.size()), std::min(budget, steps));
        EXPECT_EQ(frames.back(), shrinkStep(start, steps, 15, 15));
        EXPECT_GT(frames.back().top, screenWidth);
        for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_LT(frames[i - 1].top, frames[i].top);
    }
}

// Runs the event loop as the program does until something ends it.
int runUntilExit(const std::function<void()>& trigger)
{
    QTimer::singleShot(0, trigger);
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(20000);
    return QApplication::exec();
}

TEST(ShrinkAndExit, ExitAndCloseEndWithStatusZeroInEveryState)
{
    enum class State { Shown, Minimised, Running };
    for (const auto& [state, fromMenu] : {std::pair{State::Shown, true}, {State::Shown, false},
                                          {State::Minimised, false}, {State::Running, false}}) {
        io::testing::ScriptedFileDialogs dialogs;
        io::testing::RecordingMessages messages;
        MainWindow window(dialogs, messages);
        window.show();
        // Near the screen's end, so that the animation has few steps to go.
        window.move(window.x(), window.screen()->geometry().width() - 40);
        if (state == State::Minimised) window.showMinimized();
        auto& output = *window.findChild<ExactTextEdit*>(QStringLiteral("txtOutputBox"));
        std::mt19937 rng(1);
        if (state == State::Running) window.findChild<ExactTextEdit*>(QStringLiteral("txtVelmor"))->setText(trickyText(rng, 300000));
        const QRect before = window.geometry();
        EXPECT_EQ(runUntilExit([&window, fromMenu, state] {
                      if (state == State::Running) window.findChild<QAction*>(QStringLiteral("EN12"))->trigger();
                      fromMenu ? window.findChild<QAction*>(QStringLiteral("EXI"))->trigger() : void(window.close());
                  }),
                  0);
        EXPECT_EQ(output.text(), QString()) << "a result after the close request is not written";
        if (state != State::Shown) continue;
        const QRect after = window.geometry();
        EXPECT_GT(after.top(), window.screen()->geometry().width()) << "it slid away";
        EXPECT_EQ(after.left() - before.left(), after.top() - before.top());
        EXPECT_LT(after.width(), before.width());
    }
}

}  // namespace
}  // namespace velmor::ui::test
