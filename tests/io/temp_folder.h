// A fresh folder per test, and whole-file helpers that bypass the code under test.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace velmor::io::testing {

class TempFolder {
public:
    TempFolder();
    bool isValid() const { return dir_.isValid(); }
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString root() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

void writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);

// Every byte value once, in order.
QByteArray allByteValues();

// `count` bytes of a fixed pseudo-random sequence, the same in every run.
QByteArray pseudoRandomBytes(qsizetype count, unsigned seed);

}  // namespace velmor::io::testing
