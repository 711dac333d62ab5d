// Files that cannot be read or written: one message naming the file and the
// reason, and neither the box nor an existing file loses anything. Linux only:
// the faults come from /proc, named pipes, permissions and mounts.
#include "files.h"
#include "io/file_commands.h"
#include "io/text_file.h"
#include "io_doubles.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace velmor::io {
namespace {

using testing::readBytes;
using testing::writeBytes;

class FileFailures : public ::testing::Test {
protected:
    void expectOpenRefused(const QString& path, const QString& reason)
    {
        dialogs.answers = {path};
        testing::StringHolder box(QStringLiteral("the user's text\r\n"));
        EXPECT_FALSE(commands.openInto(box, TextKind::Plain));
        EXPECT_EQ(box.text(), "the user's text\r\n");
        expectOneWarning(path, reason);
    }
    void expectSaveRefused(const QString& path, const QString& reason, const QString& text = "new text")
    {
        dialogs.answers = {path};
        EXPECT_FALSE(commands.saveFrom(testing::StringHolder(text), TextKind::Plain));
        expectOneWarning(path, reason);
    }
    void expectOneWarning(const QString& path, const QString& reason)
    {
        ASSERT_EQ(messages.shown.size(), 1u);
        const QString text = messages.shown[0].text;
        EXPECT_TRUE(text.contains(QDir::toNativeSeparators(path)) && text.contains(reason)) << text.toStdString();
        messages.shown.clear();
    }
    static bool isRoot() { return ::geteuid() == 0; }

    QTemporaryDir folder;
    testing::ScriptedFileDialogs dialogs;
    testing::RecordingMessages messages;
    FileCommands commands{nullptr, dialogs, messages};
};

TEST_F(FileFailures, OpenRefusesWhatCannotBeReadInFull)
{
    expectOpenRefused(folder.filePath("vanished after the dialog.txt"), "No such file");
    expectOpenRefused(folder.path(), "folder");
    // Opens, then fails on the first byte: address 0 is never mapped.
    expectOpenRefused("/proc/self/mem", "Could not read");
    // Opening a pipe would wait for a writer forever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.filePath("pipe")).constData(), 0600), 0);
    expectOpenRefused(folder.filePath("pipe"), "not an ordinary file");

    const QString large = folder.filePath("large.txt");
    writeBytes(large, "");
    ASSERT_TRUE(QFile::resize(large, kMaxBoxFileBytes + 1));
    expectOpenRefused(large, "velmor");
    ASSERT_TRUE(QFile::resize(large, kMaxBoxFileBytes));
    EXPECT_TRUE(readTextFile(large).ok()) << "the limit itself opens";
    EXPECT_GE(kMaxBoxFileBytes, 50LL * 1000 * 1000);
}

TEST_F(FileFailures, SaveRefusesAFolderInTheWayAMissingFolderAndAnOverlongName)
{
    ASSERT_TRUE(QDir(folder.path()).mkdir("taken"));
    writeBytes(folder.filePath("taken/inside.txt"), "kept");
    expectSaveRefused(folder.filePath("taken"), "Could not create");
    EXPECT_EQ(readBytes(folder.filePath("taken/inside.txt")), "kept");
    expectSaveRefused(folder.filePath("missing/file.txt"), "Could not create");
    expectSaveRefused(folder.filePath(QString(300, u'n')), "Could not");
    EXPECT_EQ(testing::entries(folder.path()), QStringList{"taken"});
}

TEST_F(FileFailures, PermissionsStopTheReadAndKeepTheFile)
{
    if (isRoot()) GTEST_SKIP() << "root ignores permissions; run_unprivileged.sh runs this as nobody";
    const QString locked = folder.filePath("locked.txt");
    writeBytes(locked, "old content");
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    expectOpenRefused(locked, "Permission denied");
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner));

    // A writable file in a read-only folder: there is no room for the new copy.
    ASSERT_TRUE(QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    expectSaveRefused(locked, "Could not create");
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(readBytes(locked), "old content");
}

TEST_F(FileFailures, SaveOnAFullDiskKeepsTheExistingFile)
{
    const QByteArray small = QFile::encodeName(folder.filePath("small"));
    ASSERT_TRUE(QDir(folder.path()).mkdir("small"));
    if (::mount("velmor-test", small.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    const std::unique_ptr<const char, void (*)(const char*)> unmount(
        small.constData(), [](const char* point) { ::umount2(point, MNT_DETACH); });
    const QString existing = folder.filePath("small/kept.txt");
    writeBytes(existing, "old content");
    expectSaveRefused(existing, "No space left", QString(1 << 20, u'x'));
    EXPECT_EQ(readBytes(existing), "old content");
    EXPECT_EQ(testing::entries(folder.filePath("small")), QStringList{"kept.txt"}) << "no temporary file left";
}

}  // namespace
}  // namespace velmor::io
