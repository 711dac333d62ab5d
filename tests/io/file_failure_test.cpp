// Files that cannot be read or written: each gives one message naming the
// file, and neither the box nor an existing file loses anything.
#include "io/file_commands.h"
#include "io/text_file.h"
#include "io_doubles.h"
#include "temp_folder.h"

#include <QDir>

#include <gtest/gtest.h>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmor::io {
namespace {

using testing::readBytes;
using testing::RecordingMessages;
using testing::ScriptedFileDialogs;
using testing::StringHolder;
using testing::TempFolder;
using testing::writeBytes;

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

class FileFailures : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    // Opens `path` as if chosen in the dialog; the box must keep its text.
    void expectOpenRefused(const QString& path, const QString& reason)
    {
        dialogs.answers = {path};
        StringHolder box(QStringLiteral("the user's text\r\n"));
        EXPECT_FALSE(commands.openInto(box, TextKind::Plain));
        EXPECT_EQ(box.text(), "the user's text\r\n");
        expectOneWarningNaming(path, reason);
    }

    // Saves to `path` as if chosen in the dialog.
    void expectSaveRefused(const QString& path, const QString& reason)
    {
        dialogs.answers = {path};
        const StringHolder box(QStringLiteral("new text"));
        EXPECT_FALSE(commands.saveFrom(box, TextKind::Encrypted));
        EXPECT_EQ(box.text(), "new text");
        expectOneWarningNaming(path, reason);
    }

    void expectOneWarningNaming(const QString& path, const QString& reason)
    {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_FALSE(messages.shown[0].question);
        const QString& text = messages.shown[0].text;
        EXPECT_TRUE(text.contains(QDir::toNativeSeparators(path))) << text.toStdString();
        EXPECT_TRUE(text.contains(reason, Qt::CaseInsensitive)) << text.toStdString();
        messages.shown.clear();
    }

    TempFolder folder;
    ScriptedFileDialogs dialogs;
    RecordingMessages messages;
    FileCommands commands{nullptr, dialogs, messages};
};

TEST_F(FileFailures, OpenRefusesAMissingFileAFolderAndATooLargeFile)
{
    // Gone between the dialog and the read.
    expectOpenRefused(folder.path("vanished.txt"), "No such file");
    expectOpenRefused(folder.root(), "folder");

    const QString large = folder.path("large.txt");
    writeBytes(large, "");
    ASSERT_TRUE(QFile::resize(large, kMaxBoxFileBytes + 1));
    expectOpenRefused(large, "velmor");
}

TEST_F(FileFailures, OpenRefusesAFileThatFailsWhileBeingRead)
{
#ifdef Q_OS_LINUX
    // Opens fine, then reading its first byte fails: address 0 is never mapped.
    expectOpenRefused(QStringLiteral("/proc/self/mem"), "Could not read");
#else
    GTEST_SKIP() << "needs a file whose read fails after it opened";
#endif
}

TEST_F(FileFailures, OpenRefusesWhatIsNotAnOrdinaryFile)
{
#ifdef Q_OS_UNIX
    const QString pipe = folder.path("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    // Opening a pipe would wait for a writer forever.
    expectOpenRefused(pipe, "not an ordinary file");
#else
    GTEST_SKIP() << "named pipes are a Unix thing";
#endif
}

TEST_F(FileFailures, OpenRefusesAFileWithoutReadPermission)
{
    if (runningAsRoot()) GTEST_SKIP() << "permissions do not stop root from reading";
    const QString locked = folder.path("locked.txt");
    writeBytes(locked, "secret");
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    expectOpenRefused(locked, "Permission denied");
}

TEST_F(FileFailures, SaveRefusesAFolderInTheWayAMissingFolderAndAnOverlongName)
{
    const QString inTheWay = folder.path("taken");
    ASSERT_TRUE(QDir(folder.root()).mkdir("taken"));
    writeBytes(inTheWay + "/inside.txt", "kept");
    expectSaveRefused(inTheWay, "Could not create");
    EXPECT_TRUE(QFileInfo(inTheWay).isDir());
    EXPECT_EQ(readBytes(inTheWay + "/inside.txt"), "kept");

    expectSaveRefused(folder.path("no such folder/file.txt"), "Could not create");
    expectSaveRefused(folder.path(QString(300, u'n') + ".txt"), "Could not");

    EXPECT_EQ(QDir(folder.root()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList{"taken"});
}

TEST_F(FileFailures, SaveIntoAReadOnlyFolderKeepsTheExistingFile)
{
    if (runningAsRoot()) GTEST_SKIP() << "permissions do not stop root from writing";
    const QString existing = folder.path("kept.txt");
    writeBytes(existing, "old content");
    ASSERT_TRUE(QFile::setPermissions(folder.root(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    expectSaveRefused(existing, existing);
    QFile::setPermissions(folder.root(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(readBytes(existing), "old content");
}

#ifdef Q_OS_LINUX
// A small file system of its own, so that a save can run out of space.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const QString& where) : path_(QFile::encodeName(where))
    {
        mounted_ = ::mount("velmor-test", path_.constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallFileSystem()
    {
        if (mounted_) ::umount2(path_.constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool mounted() const { return mounted_; }

private:
    QByteArray path_;
    bool mounted_ = false;
};
#endif

TEST_F(FileFailures, SaveOnAFullDiskKeepsTheExistingFile)
{
#ifdef Q_OS_LINUX
    const QString mountPoint = folder.path("small");
    ASSERT_TRUE(QDir(folder.root()).mkdir("small"));
    const SmallFileSystem small(mountPoint);
    if (!small.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";

    const QString existing = mountPoint + "/kept.txt";
    writeBytes(existing, "old content");
    dialogs.answers = {existing};
    const StringHolder box(QString(1024 * 1024, u'x'));
    EXPECT_FALSE(commands.saveFrom(box, TextKind::Plain));
    expectOneWarningNaming(existing, "space");
    EXPECT_EQ(readBytes(existing), "old content");
    EXPECT_EQ(QDir(mountPoint).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList{"kept.txt"})
        << "no temporary file is left behind";
#else
    GTEST_SKIP() << "needs a small file system to fill";
#endif
}

}  // namespace
}  // namespace velmor::io
