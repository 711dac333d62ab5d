// SPDX-License-Identifier: MIT
// Opening and saving large text files, and laying them out in a text box:
// the figures behind kMaxBoxFileBytes. Sizes in MB; lines of 100 characters
// ended by CR LF.
#include "io/text_file.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <limits>

namespace velmor::io {
namespace {

const QTemporaryDir& folder()
{
    static const QTemporaryDir dir;
    return dir;
}

// A file of `megabytes` MB (10^6 bytes), written once.
QString textFile(qint64 megabytes)
{
    const QString path = folder().filePath(QStringLiteral("%1MB.txt").arg(megabytes));
    if (!QFile::exists(path)) {
        const QByteArray line = QByteArray(98, 'x') + "\r\n";
        QByteArray bytes;
        bytes.reserve(megabytes * 1'000'000);
        while (bytes.size() < megabytes * 1'000'000) bytes += line;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

void BM_OpenFile(benchmark::State& state)
{
    const QString path = textFile(state.range(0));
    for (auto _ : state) {
        const FileText read = readTextFile(path, std::numeric_limits<qint64>::max());
        if (!read.ok()) state.SkipWithError(qPrintable(read.failure));
        benchmark::DoNotOptimize(read.text.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * 1'000'000);
}

void BM_SaveFile(benchmark::State& state)
{
    const QString text = readTextFile(textFile(state.range(0)), std::numeric_limits<qint64>::max()).text;
    const QString target = folder().filePath(QStringLiteral("saved.txt"));
    // As the window's "Save As" does: encode, then replace the file.
    for (auto _ : state) {
        const FileBytes encoded = encodeForFile(text);
        if (const FileWrite written = writeFileAtomically(target, encoded.bytes); !written.ok())
            state.SkipWithError(qPrintable(written.failure));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * 1'000'000);
}

// Qt's plain text box; the window's own box adds its line-break records on top.
void BM_ShowInTextBox(benchmark::State& state)
{
    const QString text = readTextFile(textFile(state.range(0)), std::numeric_limits<qint64>::max()).text;
    QPlainTextEdit box;
    box.setLineWrapMode(QPlainTextEdit::NoWrap);
    box.resize(800, 600);
    box.show();
    for (auto _ : state) {
        box.setPlainText(text);
        QApplication::processEvents();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * 1'000'000);
}

BENCHMARK(BM_OpenFile)->Arg(10)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveFile)->Arg(10)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ShowInTextBox)->Arg(10)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace velmor::io

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
