// SPDX-License-Identifier: MIT
// The File menu through the real window, with real files: byte-exact round
// trips through encryption, dropped files, "New" and the clipboard.
#include "window_fixture.h"

#include "engine/cipher.h"
#include "io/windows1252.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <random>

namespace velmor::ui::test {
namespace {

// Cut to the wheel count; "£" is on the wheels and one byte in a file.
const QString kPassword = QStringLiteral("K\u00A3y9WheelsOnTheVelmorMachine");

using io::testing::readBytes;
using io::testing::writeBytes;

class FileMenuTest : public WindowTest {
protected:
    QString file(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }

    // Chooses a file command whose dialog is answered with `path`.
    void chooseWithFile(const char* item, const QString& path)
    {
        dialogs.answers.push_back(path);
        choose(QString::fromLatin1(item));
        EXPECT_TRUE(dialogs.answers.empty()) << item << " did not ask for a file";
    }

    QTemporaryDir folder;
};

// The window's cipher itself is pinned by the known answers; here the file
// must reach it, and the result the file, byte for byte.
TEST_F(FileMenuTest, FilesComeBackByteForByteAndTheSavedFileIsTheCipherOfTheOpenedOne)
{
    // Every kind of line ending, NUL, every byte value, then random bytes.
    QByteArray original = QByteArrayLiteral("a\r\nb\nc\rd\n\re\r\r\nf\n\n\r\r\0");
    for (int value = 0; value < 256; ++value) original += static_cast<char>(value);
    std::mt19937 rng(1252);
    for (int i = 0; i < 20000; ++i) original += static_cast<char>(rng());
    const QString key = kPassword.left(26);
    choose(QStringLiteral("EW26"));
    QTest::keyClicks(&password(), key);
    ASSERT_TRUE(writeBytes(file("plain"), original));
    chooseWithFile("Op", file("plain"));
    choose(QStringLiteral("EN9"));
    chooseWithFile("SAET", file("encrypted"));
    std::string expected = original.toStdString();
    Cipher::forPassword(key.toStdU16String(), 26, 9, Direction::Encrypt).apply(expected, 0);
    EXPECT_TRUE(readBytes(file("encrypted")).toStdString() == expected) << "not the cipher of the opened bytes";
    choose(QStringLiteral("Ne"));
    chooseWithFile("OET", file("encrypted"));
    choose(QStringLiteral("DE9"));
    chooseWithFile("SAs", file("decrypted"));
    EXPECT_TRUE(readBytes(file("decrypted")) == original) << "the file did not come back";
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileMenuTest, AFileDroppedOnEitherBoxOpensThereButNotWhileACommandRuns)
{
    const QByteArray bytes("dropped\r\nbytes\n\0end\r", 20);
    const QString path = file("dropped.txt");
    ASSERT_TRUE(writeBytes(path, bytes));
    // A drag of the file onto the box, then its drop; true when the drop was taken.
    const auto drop = [&path](ExactTextEdit& box) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box.viewport(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box.viewport(), &drop);
        QApplication::processEvents();
        return drop.isAccepted();
    };
    for (ExactTextEdit* box : {&input(), &output()}) {
        box->setText(QStringLiteral("before"));
        EXPECT_TRUE(drop(*box));
        EXPECT_EQ(box->text(), io::fromWindows1252(bytes));
    }
    input().setText(QString(200000, u'x'));
    child(QStringLiteral("EN12")).trigger();
    EXPECT_FALSE(drop(input()));
    if (window.isCommandRunning()) waitForCommand();
    EXPECT_EQ(input().text(), QString());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileMenuTest, ClipboardItemsCopyTheirBoxExactlyAndNewEmptiesOnlyTheBoxes)
{
    choose(QStringLiteral("EW8"));
    QTest::keyClicks(&password(), kPassword);
    const QString plain = QStringLiteral("one\r\ntwo\nthree\rfour\r\n"), cipher = QStringLiteral("\n\r\r\nx\"y\u00AC\0");
    input().setText(plain);
    output().setText(cipher);
    QClipboard& clipboard = *QApplication::clipboard();
    for (const auto& [item, copied] : {std::pair{"CToC", plain}, {"CTCET", cipher}}) {
        choose(QString::fromLatin1(item));
        EXPECT_EQ(clipboard.text(), copied) << item;
    }
    EXPECT_EQ(input().text() + output().text(), plain + cipher);
    choose(QStringLiteral("Ne"));
    EXPECT_EQ(input().text() + output().text(), QString());
    EXPECT_EQ(password().text(), kPassword.left(8));
    EXPECT_EQ(window.wheelState().wheelCount(), 8);
    choose(QStringLiteral("CToC"));
    EXPECT_TRUE(clipboard.mimeData() == nullptr || clipboard.mimeData()->formats().isEmpty());
}

}  // namespace
}  // namespace velmor::ui::test
