// SPDX-License-Identifier: MIT
// Speed of the window on large texts: filling, pasting into and reading a box, opening
// and saving a file, and "Encrypt 12" and "Decrypt 12" on 10 MB of
// 100-character lines, from the menu choice to the result painted; and how
// long the window takes to appear.
#include "io_doubles.h"
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

#include <sys/resource.h>

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

// "Open Unencrypted TexT" on a file of `fileBytes` bytes in lines of
// `lineLength` characters, each ended by CR LF, from the chosen file to the
// text shown or refused. Counts the longest time the window did not answer
// (a 10 ms timer's longest gap) and the program's peak memory so far, so
// run one at a time for the memory: --benchmark_filter=BM_OpenShaped/...
void BM_OpenShaped(benchmark::State& state, qint64 lineLength, qint64 fileBytes)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("shaped.txt"));
    {
        QByteArray line(lineLength, 'x');
        for (qint64 i = 0; i < lineLength; ++i) line[i] = static_cast<char>('!' + (i * 7) % 90);
        line += "\r\n";
        QFile file(path);
        bool written = file.open(QIODevice::WriteOnly);
        // At least one line, even one longer than `fileBytes`.
        const qint64 total = std::max(fileBytes, qint64(line.size()));
        for (qint64 size = 0; written && size + line.size() <= total; size += line.size())
            written = file.write(line) == line.size();
        if (!written) {
            state.SkipWithError("cannot write the file to open");
            return;
        }
    }
    ShownWindow shown;
    qint64 longestStall = 0;
    for (auto _ : state) {
        state.PauseTiming();
        shown.window.inputBox().setText(QString());
        shown.messages.shown.clear();
        QApplication::processEvents();
        shown.dialogs.answers.push_back(path);
        QElapsedTimer sinceTick;
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&] { longestStall = std::max(longestStall, sinceTick.restart()); });
        ticks.start(10);
        sinceTick.start();
        state.ResumeTiming();
        choose(shown.window, "Op");
        shown.window.repaint();
        QApplication::processEvents();
        longestStall = std::max(longestStall, sinceTick.elapsed());
    }
    if (shown.messages.shown.isEmpty() && shown.window.inputBox().text().size() != QFileInfo(path).size())
        state.SkipWithError("the file was opened in part");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["opened"] = shown.messages.shown.isEmpty() ? 1 : 0;
    state.counters["longest_stall_ms"] = static_cast<double>(longestStall);
    state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK_CAPTURE(BM_OpenShaped, Lines100x64MiB, 100, 64LL << 20)
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(BM_OpenShaped, SingleLine4MiB, 4LL << 20, 4LL << 20)
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(BM_OpenShaped, SingleLine64MiB, (64LL << 20) - 2, 64LL << 20)
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(BM_OpenShaped, Lines100kx6MiB, 100000, 6LL << 20)
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
