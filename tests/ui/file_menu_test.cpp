// The File menu through the real window, with real files: byte-exact round
// trips through encryption, files handed to and from the velmor tool, a
// refused open and save, dropped files, "New" and the clipboard.
#include "window_fixture.h"

#include "files.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QUrl>

#include <string_view>
#include <utility>
#include <vector>

namespace velmor::ui::test {
namespace {

// The command-line tool's path, or "" when it was not built.
#ifdef VELMOR_TOOL
constexpr std::string_view kVelmorTool{VELMOR_TOOL};
#else
constexpr std::string_view kVelmorTool;
#endif

// Cut to the wheel count; "£" is on the wheels and one byte in a file.
const QString kPassword = QStringLiteral("K\u00A3y9WheelsOnTheVelmorMachine");

using io::testing::readBytes;
using io::testing::writeBytes;

// Every byte value up and down, then random ones.
QByteArray everyByteValue(qsizetype randomCount = 0)
{
    QByteArray bytes;
    for (int value = 0; value < 512; ++value) bytes += static_cast<char>(value < 256 ? value : 511 - value);
    std::mt19937 rng(1252);
    for (qsizetype i = 0; i < randomCount; ++i) bytes += static_cast<char>(rng());
    return bytes;
}

std::vector<std::pair<const char*, QByteArray>> fileContents()
{
    return {
        {"empty", QByteArray()},
        {"LF", "first line\nsecond line\n\nfourth \"quoted\"\n"},
        {"CR LF", "first line\r\nsecond\r\n\r\nlast line without a break"},
        {"lone CR", "old\rstyle\r\rlines\r"},
        {"mixed", "a\r\nb\nc\rd\n\re\r\r\nf\n\n\r\r"},
        {"NUL", QByteArray("\0starts\0\0with NUL\r\n\0and ends\0", 30)},
        {"every byte", everyByteValue(20000)},
    };
}

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

    void useWheelsAndPassword(int wheels, const QString& key)
    {
        choose(QStringLiteral("EW%1").arg(wheels));
        QTest::keyClicks(&password(), key);
    }

    // Open Unencrypted, Encrypt, Save As Encrypted, or the same to decrypt.
    void cipherFile(const char* prefix, const QString& from, int passes, const QString& to)
    {
        const bool encrypt = prefix[0] == 'E';
        chooseWithFile(encrypt ? "Op" : "OET", from);
        choose(QString::fromLatin1(prefix) + (passes == 1 ? QString() : QString::number(passes)));
        chooseWithFile(encrypt ? "SAET" : "SAs", to);
    }

    // A drag of one file onto the box, then its drop; true when the drop was
    // taken. No events run in between, so a running command is still running.
    bool dropFile(ExactTextEdit& box, const QString& path)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box.viewport(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box.viewport(), &drop);
        QApplication::processEvents();
        return drop.isAccepted();
    }

    QTemporaryDir folder;
};

TEST_F(FileMenuTest, EncryptedFileSavedAndOpenedAgainDecryptsToTheOriginalBytes)
{
    for (const auto& [wheels, passes] : {std::pair{4, 1}, {20, 3}, {30, 12}}) {
        useWheelsAndPassword(wheels, kPassword.left(wheels));
        for (const auto& [name, original] : fileContents()) {
            SCOPED_TRACE(::testing::Message() << name << ", " << wheels << " wheels, " << passes << " passes");
            writeBytes(file("plain"), original);
            cipherFile("EN", file("plain"), passes, file("encrypted"));
            const QByteArray encrypted = readBytes(file("encrypted"));
            EXPECT_EQ(encrypted.size(), original.size()) << "nothing is added to a saved file";
            EXPECT_TRUE(original.isEmpty() || encrypted != original) << "the text was not encrypted";

            choose(QStringLiteral("Ne"));
            cipherFile("DE", file("encrypted"), passes, file("decrypted"));
            EXPECT_EQ(readBytes(file("decrypted")), original);
        }
    }
    EXPECT_TRUE(messages.shown.empty());
}

// Run with the password in its environment; "" when it succeeded, otherwise
// what went wrong.
QString runVelmor(const QString& command, int wheels, int passes, const QString& key, const QString& input,
                  const QString& output)
{
    const QString variable = QStringLiteral("VELMOR_TEST_PASSWORD");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(variable, key);
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(QString::fromLocal8Bit(kVelmorTool.data(), static_cast<qsizetype>(kVelmorTool.size())),
               {command, QStringLiteral("-w"), QString::number(wheels), QStringLiteral("-n"), QString::number(passes),
                QStringLiteral("--password-env"), variable, QStringLiteral("-i"), input, QStringLiteral("-o"), output});
    if (!tool.waitForFinished(60000)) return QStringLiteral("velmor did not finish: ") + tool.errorString();
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return QStringLiteral("velmor failed: ") + QString::fromLocal8Bit(tool.readAllStandardError());
    return {};
}

TEST_F(FileMenuTest, FilesEncryptedByVelmorOrTheWindowDecryptWithTheOther)
{
    if (kVelmorTool.empty()) GTEST_SKIP() << "velmor was not built";
    const QByteArray original = everyByteValue(5000) + "\n\r";
    writeBytes(file("plain"), original);
    for (const auto& [wheels, passes] : {std::pair{6, 9}, {30, 12}}) {
        SCOPED_TRACE(::testing::Message() << wheels << " wheels, " << passes << " passes");
        const QString key = kPassword.left(wheels);
        useWheelsAndPassword(wheels, key);

        cipherFile("EN", file("plain"), passes, file("by-window"));
        ASSERT_EQ(runVelmor("decrypt", wheels, passes, key, file("by-window"), file("window-to-velmor")), "");
        EXPECT_EQ(readBytes(file("window-to-velmor")), original);

        ASSERT_EQ(runVelmor("encrypt", wheels, passes, key, file("plain"), file("by-velmor")), "");
        EXPECT_EQ(readBytes(file("by-velmor")), readBytes(file("by-window")));
        choose(QStringLiteral("Ne"));
        cipherFile("DE", file("by-velmor"), passes, file("velmor-to-window"));
        EXPECT_EQ(readBytes(file("velmor-to-window")), original);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileMenuTest, AFailedOpenOrARefusedSaveChangesNoBoxAndNoFile)
{
    const QString existing = file("existing.txt");
    writeBytes(existing, "keep me\r\n");
    const QString text = QStringLiteral("first\r\nsecond \u0151\r\nthird");
    input().setText(text);
    output().setText(QStringLiteral("ciphered\n"));
    chooseWithFile("OET", folder.path());
    choose(QStringLiteral("SAs"));
    EXPECT_EQ(dialogs.calls.size(), 1u) << "refused before a file is asked for";
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].owner, &window);
    EXPECT_TRUE(messages.shown[0].text.contains(QDir::toNativeSeparators(folder.path())));
    EXPECT_TRUE(messages.shown[1].text.contains(QStringLiteral("\"\u0151\" (U+0151) on line 2")))
        << messages.shown[1].text.toStdString();
    EXPECT_EQ(readBytes(existing), "keep me\r\n");
    EXPECT_EQ(io::testing::entries(folder.path()), QStringList{QStringLiteral("existing.txt")});
    EXPECT_EQ(input().text(), text);
    EXPECT_EQ(output().text(), QStringLiteral("ciphered\n"));
}

TEST_F(FileMenuTest, AFileDroppedOnEitherBoxOpensThereButNotWhileACommandRuns)
{
    const QByteArray bytes("dropped\r\nbytes\n\0end\r", 20);
    const QString path = file("dropped.txt");
    writeBytes(path, bytes);
    for (ExactTextEdit* box : {&input(), &output()}) {
        box->setText(QStringLiteral("before"));
        EXPECT_TRUE(dropFile(*box, path));
        EXPECT_EQ(box->text(), io::fromWindows1252(bytes));
    }

    std::mt19937 rng(4);
    input().setText(trickyText(rng, 200000));
    child(QStringLiteral("EN12")).trigger();
    ASSERT_TRUE(window.isCommandRunning());
    EXPECT_FALSE(dropFile(input(), path));
    if (window.isCommandRunning()) waitForCommand();
    EXPECT_EQ(input().text(), QString());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileMenuTest, ClipboardItemsCopyTheirBoxExactlyAndNewEmptiesOnlyTheBoxes)
{
    const QString key = kPassword.left(8);
    useWheelsAndPassword(8, key);
    const QString plain = QStringLiteral("one\r\ntwo\nthree\rfour\r\n");
    const QString cipher = QStringLiteral("\n\r\r\nx\"y\u00AC");
    input().setText(plain);
    output().setText(cipher);
    QClipboard& clipboard = *QApplication::clipboard();
    choose(QStringLiteral("CToC"));
    EXPECT_EQ(clipboard.text(), plain);
    choose(QStringLiteral("CTCET"));
    EXPECT_EQ(clipboard.text(), cipher);
    EXPECT_EQ(input().text(), plain);
    EXPECT_EQ(output().text(), cipher);

    choose(QStringLiteral("Ne"));
    EXPECT_EQ(input().text() + output().text(), QString());
    EXPECT_EQ(password().text(), key);
    EXPECT_EQ(window.wheelState().wheelCount(), 8);
    choose(QStringLiteral("CToC"));
    EXPECT_TRUE(clipboard.mimeData() == nullptr || clipboard.mimeData()->formats().isEmpty());
}

}  // namespace
}  // namespace velmor::ui::test
