// SPDX-License-Identifier: MIT
// The File menu through the real window, with real files: byte-exact round
// trips through encryption that agree with the velmor tool, dropped files,
// "New" and the clipboard.
#include "window_fixture.h"

#include "io/windows1252.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
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

TEST_F(FileMenuTest, FilesComeBackByteForByteThroughEveryPassCountAndAgreeWithVelmor)
{
    // Every kind of line ending, NUL, every byte value up and down, then random bytes.
    QByteArray rich = QByteArrayLiteral("a\r\nb\nc\rd\n\re\r\r\nf\n\n\r\r\0");
    for (int value = 0; value < 512; ++value) rich += static_cast<char>(value < 256 ? value : 511 - value);
    std::mt19937 rng(1252);
    for (int i = 0; i < 20000; ++i) rich += static_cast<char>(rng());
    for (const auto& [wheels, passes] : {std::pair{4, 1}, {10, 3}, {20, 6}, {26, 9}, {30, 12}}) {
        const QString key = kPassword.left(wheels), times = passes == 1 ? QString() : QString::number(passes);
        choose(QStringLiteral("EW%1").arg(wheels));
        QTest::keyClicks(&password(), key);
        for (const QByteArray& original : {QByteArray(), rich}) {
            SCOPED_TRACE(::testing::Message() << wheels << " wheels, " << passes << " passes, " << original.size());
            ASSERT_TRUE(writeBytes(file("plain"), original));
            chooseWithFile("Op", file("plain"));
            choose("EN" + times);
            chooseWithFile("SAET", file("encrypted"));
            const QByteArray encrypted = readBytes(file("encrypted"));
            EXPECT_EQ(encrypted.size(), original.size()) << "nothing is added to a saved file";
            EXPECT_TRUE(original.isEmpty() || encrypted != original) << "the text was not encrypted";
            choose(QStringLiteral("Ne"));
            chooseWithFile("OET", file("encrypted"));
            choose("DE" + times);
            chooseWithFile("SAs", file("decrypted"));
            EXPECT_EQ(readBytes(file("decrypted")), original);
            // The command-line tool, given the same file, wheels, passes and password.
            qputenv("VELMOR_TEST_PASSWORD", key.toLocal8Bit());
            ASSERT_EQ(QProcess::execute(QStringLiteral(VELMOR_TOOL),
                                        {"encrypt", "-w", QString::number(wheels), "-n", QString::number(passes),
                                         "--password-env", "VELMOR_TEST_PASSWORD", "-i", file("plain"), "-o",
                                         file("by-velmor")}),
                      0);
            EXPECT_EQ(readBytes(file("by-velmor")), encrypted);
        }
    }
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
