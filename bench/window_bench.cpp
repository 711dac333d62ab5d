// SPDX-License-Identifier: MIT
// Speed of the window on large texts: filling, pasting into and reading a box, opening
// and saving a file, and "Encrypt 12" and "Decrypt 12" on 10 MB of
// 100-character lines, from the menu choice to the result painted; open,
// encrypt and save on 64 MiB files of every shape, with the peak memory and
// the longest time the window did not answer; and how long the window takes
// to appear.
#include "io_doubles.h"
#include "io/text_file.h"
#include "ui/exact_text_edit.h"
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace velmor::ui {
namespace {

// 10 MB: lines of 100 characters, each ended by CR LF.
QString tenMegabytes()
{
    QString line;
    for (int i = 0; i < 98; ++i) line += QChar(u'!' + (i * 7) % 90);
    line += u"\r\n";
    QString text;
    text.reserve(10'000'000);
    while (text.size() < 10'000'000) text += line;
    return text;
}

const QString& largeText()
{
    static const QString text = tenMegabytes();
    return text;
}

// The real window, its file dialogs answered from a list.
struct ShownWindow {
    ShownWindow() { window.show(); }
    io::testing::ScriptedFileDialogs dialogs;
    io::testing::RecordingMessages messages;
    MainWindow window{dialogs, messages};
};

void choose(MainWindow& window, const char* item)
{
    window.findChild<QAction*>(QString::fromLatin1(item))->trigger();
}

void waitForCommand(MainWindow& window, const char* item)
{
    QEventLoop loop;
    QObject::connect(&window, &MainWindow::commandFinished, &loop, &QEventLoop::quit);
    choose(window, item);
    loop.exec();
}

void BM_SetText(benchmark::State& state)
{
    ExactTextEdit box;
    box.resize(653, 227);
    box.show();
    for (auto _ : state) box.setText(largeText());
    state.SetBytesProcessed(state.iterations() * largeText().size());
}
BENCHMARK(BM_SetText)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadText(benchmark::State& state)
{
    ExactTextEdit box;
    box.setText(largeText());
    for (auto _ : state) benchmark::DoNotOptimize(box.text());
    state.SetBytesProcessed(state.iterations() * largeText().size());
}
BENCHMARK(BM_ReadText)->Unit(benchmark::kMillisecond)->Iterations(5);

// Pasting the 10 MB into an empty box: each line is checked against the
// limit before the paste and again on the document after it.
void BM_Paste(benchmark::State& state)
{
    ExactTextEdit box;
    box.resize(653, 227);
    box.show();
    QApplication::clipboard()->setText(largeText());
    for (auto _ : state) {
        state.PauseTiming();
        box.setText(QString());
        state.ResumeTiming();
        box.paste();
        QCoreApplication::processEvents();
    }
    state.SetBytesProcessed(state.iterations() * largeText().size());
}
BENCHMARK(BM_Paste)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// "Open Unencrypted TexT" from the chosen file to its text painted in the box.
void BM_OpenFile(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("large.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(largeText().toLatin1()) != largeText().size()) {
        state.SkipWithError("cannot write the file to open");
        return;
    }
    file.close();
    ShownWindow shown;
    for (auto _ : state) {
        state.PauseTiming();
        shown.window.inputBox().setText(QString());
        QApplication::processEvents();
        shown.dialogs.answers.push_back(path);
        state.ResumeTiming();
        choose(shown.window, "Op");
        shown.window.repaint();
    }
    if (shown.window.inputBox().text().size() != largeText().size()) state.SkipWithError("the file was not opened");
    state.SetBytesProcessed(state.iterations() * largeText().size());
}
BENCHMARK(BM_OpenFile)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// This process's resident memory and its peak, in bytes, from /proc.
struct Memory {
    qint64 now = 0;
    qint64 peak = 0;
};

Memory memory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    Memory found;
    if (!status.open(QIODevice::ReadOnly)) return found;
    for (const QByteArray& line : status.readAll().split('\n')) {
        const auto kib = [&line] { return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024; };
        if (line.startsWith("VmRSS:")) found.now = kib();
        if (line.startsWith("VmHWM:")) found.peak = kib();
    }
    return found;
}

// Starts the peak over from the memory in use now.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

// The longest time the window's thread did not answer a 10 ms timer.
class StallWatch {
public:
    StallWatch()
    {
        QObject::connect(&ticks_, &QTimer::timeout, [this] { longest_ = std::max(longest_, sinceTick_.restart()); });
        ticks_.start(10);
        sinceTick_.start();
    }
    qint64 longest() const { return std::max(longest_, sinceTick_.elapsed()); }

private:
    QTimer ticks_;
    QElapsedTimer sinceTick_;
    qint64 longest_ = 0;
};

// A file of `fileBytes` bytes: `line` over and over, and the start of one
// more where it does not fit.
bool writeShaped(const QString& path, const QByteArray& line, qint64 fileBytes)
{
    QByteArray text;
    text.reserve(fileBytes);
    while (text.size() + line.size() <= fileBytes) text += line;
    text += line.first(fileBytes - text.size());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

QByteArray hundredCharacters(const QByteArray& lineEnd)
{
    QByteArray line;
    for (int i = 0; line.size() + lineEnd.size() < 100; ++i) line += static_cast<char>('!' + (i * 7) % 90);
    return line + lineEnd;
}

// The user's whole round on a file of one shape: "Open Unencrypted TexT",
// "Encrypt 12" and "Save As Encrypted TexT", each from the menu choice to
// its end, in seconds; the longest time the window did not answer over
// the three; and the peak memory above the shown, empty window, in MiB and
// as a multiple of the file's size. One iteration each, so run one at a
// time for a clean figure: --benchmark_filter=BM_Shape/...
void BM_Shape(benchmark::State& state, QByteArray line, qint64 fileBytes)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("shaped.txt")), saved = folder.filePath("saved.txt");
    if (!writeShaped(path, line, fileBytes)) {
        state.SkipWithError("cannot write the file to open");
        return;
    }
    ShownWindow shown;
    QTest::keyClicks(shown.window.findChild<QLineEdit*>(QStringLiteral("txtKey")), QStringLiteral("Measure12"));
    for (auto _ : state) {
        QApplication::processEvents();
        resetPeak();
        const qint64 before = memory().now;
        const StallWatch stalls;
        QElapsedTimer step;
        step.start();
        shown.dialogs.answers = {path, saved};
        choose(shown.window, "Op");
        shown.window.repaint();
        QApplication::processEvents();
        state.counters["open_s"] = static_cast<double>(step.restart()) / 1000;
        waitForCommand(shown.window, "EN12");
        shown.window.repaint();
        QApplication::processEvents();
        state.counters["encrypt12_s"] = static_cast<double>(step.restart()) / 1000;
        choose(shown.window, "SAET");
        QApplication::processEvents();
        state.counters["save_s"] = static_cast<double>(step.restart()) / 1000;
        const double peak = static_cast<double>(memory().peak - before);
        state.counters["peak_MiB"] = peak / (1 << 20);
        state.counters["peak_per_file"] = peak / static_cast<double>(fileBytes);
        state.counters["longest_stall_ms"] = static_cast<double>(stalls.longest());
    }
    state.counters["in_part"] = shown.window.outputBox().isShownInPart() ? 1 : 0;
    if (!shown.messages.shown.isEmpty() || QFileInfo(saved).size() != fileBytes)
        state.SkipWithError("the round did not go through");
}
BENCHMARK_CAPTURE(BM_Shape, OnlyLF64MiB, QByteArray("\n"), 64LL << 20)
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(BM_Shape, OnlyCRLF64MiB, QByteArray("\r\n"), 64LL << 20)
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(BM_Shape, OneCharacterLines64MiB, QByteArray("x\n"), 64LL << 20)
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(BM_Shape, Lines100x64MiB, hundredCharacters("\r\n"), 64LL << 20)
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(BM_Shape, OneLine64MiB, QByteArray("y"), 64LL << 20)
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
// Shown whole: the largest texts a box still edits.
BENCHMARK_CAPTURE(BM_Shape, Lines100x10MB, hundredCharacters("\r\n"), 10'000'000)
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(BM_Shape, OnlyLFAtTheLineLimit, QByteArray("\n"), io::kMaxShownWholeLines - 1)
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(BM_Shape, Lines100kx6MiB, QByteArray(99'998, 'z') + "\r\n", 6LL << 20)
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// "Save As Unencrypted TexT" from the chosen name to the file in its place.
void BM_SaveFile(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("saved.txt"));
    ShownWindow shown;
    shown.window.inputBox().setText(largeText());
    for (auto _ : state) {
        shown.dialogs.answers.push_back(path);
        choose(shown.window, "SAs");
    }
    if (QFileInfo(path).size() != largeText().size()) state.SkipWithError("the file was not saved");
    state.SetBytesProcessed(state.iterations() * largeText().size());
}
BENCHMARK(BM_SaveFile)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// The command's whole time as the user sees it: reading the box, the passes,
// emptying one box, filling the other and painting the window.
void BM_Command(benchmark::State& state, Direction direction)
{
    ShownWindow shown;
    MainWindow& window = shown.window;
    QTest::keyClicks(window.findChild<QLineEdit*>(QStringLiteral("txtKey")), QStringLiteral("Measure12"));
    QString encrypted;
    if (direction == Direction::Decrypt) {
        window.inputBox().setText(largeText());
        waitForCommand(window, "EN12");
        encrypted = window.outputBox().text();
    }
    for (auto _ : state) {
        state.PauseTiming();
        if (direction == Direction::Encrypt) {
            window.outputBox().setText(QString());
            window.inputBox().setText(largeText());
        } else {
            window.inputBox().setText(QString());
            window.outputBox().setText(encrypted);
        }
        QApplication::processEvents();
        state.ResumeTiming();
        waitForCommand(window, direction == Direction::Encrypt ? "EN12" : "DE12");
        window.repaint();
    }
}
BENCHMARK_CAPTURE(BM_Command, Encrypt12, Direction::Encrypt)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(BM_Command, Decrypt12, Direction::Decrypt)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// In the running program, without the program's own loading.
void BM_WindowShown(benchmark::State& state)
{
    for (auto _ : state) {
        ShownWindow shown;
        benchmark::DoNotOptimize(QTest::qWaitForWindowExposed(&shown.window));
        shown.window.repaint();
    }
}
BENCHMARK(BM_WindowShown)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace
}  // namespace velmor::ui

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
