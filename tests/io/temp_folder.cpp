// Test folders and raw file access.
#include "temp_folder.h"

#include <QFile>

#include <gtest/gtest.h>

#include <random>

namespace velmor::io::testing {

TempFolder::TempFolder() : dir_(QDir::tempPath() + QStringLiteral("/velmor-io-XXXXXX")) {}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << file.errorString().toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read back " << path.toStdString() << ": " << file.errorString().toStdString();
        return {};
    }
    return file.readAll();
}

QByteArray allByteValues()
{
    QByteArray bytes(256, Qt::Uninitialized);
    for (int value = 0; value < 256; ++value) bytes[value] = static_cast<char>(value);
    return bytes;
}

QByteArray pseudoRandomBytes(qsizetype count, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    QByteArray bytes(count, Qt::Uninitialized);
    for (char& value : bytes) value = static_cast<char>(byte(generator));
    return bytes;
}

}  // namespace velmor::io::testing
