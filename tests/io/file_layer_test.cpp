// SPDX-License-Identifier: MIT
// The "|"-separated file types, the files the File menu's commands refuse,
// what a replaced file keeps, and the real save dialog.
#include "io/file_commands.h"
#include "io/file_filter.h"
#include "io/text_file.h"
#include "file_rights.h"
#include "io_doubles.h"

#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <climits>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace velmor::io {
namespace {

TEST(FileFilter, GivesOneNameFilterPerFileTypeUpToTheFirstEmptyOrMissingField)
{
    for (const auto& [filter, expected] : std::initializer_list<std::pair<const char16_t*, QStringList>>{
             {u"Text Files (*.txt)|*.txt|All files (*.*)|*.*", {"Text Files (*.txt)", "All files (*)"}},
             {u"Notes (*.txt)|*.txt; *.md", {"Notes (*.txt) (*.txt *.md)"}},
             {u"A|*.a||B|*.b", {"A (*.a)"}}})
        EXPECT_EQ(toNameFilters(filter), expected) << QString::fromUtf16(filter).toStdString();
}

// A child that holds a copy of every open descriptor of the test until it
// is destroyed, or the test ends.
struct OtherProcess {
    OtherProcess() : pid(::fork())
    {
        if (pid != 0) return;
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::pause();
        ::_exit(0);
    }
    ~OtherProcess()
    {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;
    const pid_t pid;
};

class FileCommandsTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    testing::ScriptedFileDialogs dialogs;
    testing::RecordingMessages messages;
    FileCommands commands{nullptr, dialogs, messages};
};

TEST_F(FileCommandsTest, ACancelOrATextWithoutWindows1252FormChangesNothing)
{
    testing::StringHolder box(QStringLiteral("typed"));
    EXPECT_FALSE(commands.openInto(box, TextKind::Plain) || commands.saveFrom(box, TextKind::Encrypted));
    EXPECT_EQ(box.text(), "typed");
    // Refused before a file is asked for, naming the first such character.
    dialogs.answers = {folder.filePath("never")};
    for (const auto& [text, named] : std::initializer_list<std::pair<QString, QString>>{
             {QStringLiteral("a\nb\r\nc\rnot \u0151 but \U0001F600"), QStringLiteral("\"\u0151\" (U+0151) on line 4")},
             {QStringLiteral("\r\n\U0001F600\u2028"), QStringLiteral("\"\U0001F600\" (U+1F600) on line 2")}}) {
        EXPECT_FALSE(commands.saveFrom(testing::StringHolder(text), TextKind::Plain));
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_TRUE(messages.shown.takeFirst().contains(named)) << named.toStdString();
    }
    EXPECT_EQ(dialogs.answers.size(), 1);
}

// One message naming the file and the reason, and neither the box nor any
// file loses or gains anything.
TEST_F(FileCommandsTest, EachRefusedFileIsNamedWithTheReasonAndNothingIsLost)
{
    const QString f = folder.path(), big = f + "/big.txt", locked = f + "/ro/locked.txt";
    // Opening a pipe would wait for a writer forever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(f + "/pipe").constData(), 0600), 0);
    ASSERT_TRUE(testing::writeBytes(big, "") && QFile::resize(big, kMaxBoxFileBytes + 1));
    for (const char* sub : {"taken", "ro", "frozen"}) ASSERT_TRUE(QDir(f).mkpath(sub));
    QStringList kept{locked};
    ASSERT_TRUE(testing::writeBytes(locked, "kept"));
    std::vector<std::tuple<bool, QString, const char*>> failures{
        {false, f + "/two\nlines.txt", "No such file"},  // named on one line
        {false, f + "/\u202Etxt.exe\u009B.txt", "No such file"},  // nor reordered, nor a terminal's CSI
        {false, f, "folder"},
        {false, "/proc/self/mem", "Could not read"},  // address 0 is never mapped
        {false, f + "/pipe", "not an ordinary file"},
        {false, big, "67,108,865 bytes (64.00 MiB), the window takes at most 67,108,864 bytes"},
        {true, f + "/taken", "folder"},
        {true, f + "/pipe", "not an ordinary file"},  // no reader: a write would wait forever
        {true, f + "/no\nsuch/file.txt", "Could not create"},
        {true, f + "/" + QString(NAME_MAX + 1, u'n'), "File name too long"},  // found before any file is made
        {true, "/dev/stdout", "own open files"},  // never replaced by the file behind it
    };
    // Root ignores permissions; run_unprivileged.sh runs this as nobody too.
    if (::geteuid() != 0) {
        ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        ASSERT_TRUE(QFile::setPermissions(f + "/ro", QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        failures.insert(failures.end(), {{false, locked, "Permission denied"}, {true, locked, "Permission denied"}});
    }
    // Another process's descriptor of a deleted file: no namesake is made.
    const int deleted = ::open(QFile::encodeName(f + "/deleted").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(deleted, 0);
    ASSERT_EQ(::unlink(QFile::encodeName(f + "/deleted").constData()), 0);
    const OtherProcess holder;
    failures.emplace_back(true, QStringLiteral("/proc/%1/fd/%2").arg(holder.pid).arg(deleted), "no name leads");
    // Only root can mount a read-only disk. No ASSERT from here to the unmount, which must run.
    const QByteArray frozen = QFile::encodeName(f + "/frozen");
    if (::mount("velmor-test", frozen.constData(), "tmpfs", 0, "size=64k") == 0) {
        kept << f + "/frozen/kept.txt";
        EXPECT_TRUE(testing::writeBytes(kept.last(), "kept"));
        EXPECT_EQ(::mount("velmor-test", frozen.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
        failures.emplace_back(true, kept.last(), "Read-only file system");
    }
    const QStringList before = testing::entries(f);
    for (const auto& [save, path, reason] : failures) {
        SCOPED_TRACE(path.toStdString());
        messages.shown.clear();
        dialogs.answers = {path};
        const QString typed = save ? QString(1 << 20, u'x') : QStringLiteral("the user's text\r\n");
        testing::StringHolder box(typed);
        EXPECT_FALSE(save ? commands.saveFrom(box, TextKind::Plain) : commands.openInto(box, TextKind::Plain));
        EXPECT_EQ(box.text(), typed);
        EXPECT_EQ(messages.shown.size(), 1);
        const QString text = messages.shown.value(0);
        const QString shown = QDir::toNativeSeparators(path)
                                  .replace(u'\n', QStringLiteral("\\n"))
                                  .replace(QChar(0x202E), QStringLiteral("\\u202E"))
                                  .replace(QChar(0x9B), QStringLiteral("\\u009B"));
        EXPECT_EQ(text.count(shown), 1) << text.toStdString();
        EXPECT_TRUE(text.contains(reason)) << text.toStdString();
    }
    ::close(deleted);
    EXPECT_FALSE(QFileInfo(f + "/pipe").isFile()) << "the pipe was replaced by a file";
    const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    EXPECT_TRUE(QFile::setPermissions(f + "/ro", all) && QFile::setPermissions(locked, all));
    EXPECT_EQ(testing::entries(f), before) << "no file added, no temporary left";
    for (const QString& file : kept) EXPECT_EQ(testing::readBytes(file), "kept") << file.toStdString();
    ::umount2(frozen.constData(), MNT_DETACH);
    ASSERT_TRUE(QFile::resize(big, kMaxBoxFileBytes));
    EXPECT_TRUE(readTextFile(big).ok()) << "the limit itself opens";
}

// The mode's group bits hold the access list's mask: without the list, the
// owning group would get what only the named user had.
TEST_F(FileCommandsTest, ReplacingAFileKeepsItsOwnerModeAccessListAndAttributesButNoSetIdBits)
{
    const QString path = folder.filePath("shared.txt");
    const QByteArray native = QFile::encodeName(path);
    ASSERT_TRUE(testing::writeBytes(path, "old"));
    const bool root = ::geteuid() == 0;
    ASSERT_EQ(::chmod(native.constData(), root ? 06751 : 0640), 0);
    ASSERT_TRUE(!root || ::chown(native.constData(), 65534, 65534) == 0);
    test::setAccessList(native.constData(), root ? "u::rwx,u:65533:rw-,g::r-x,m::rwx,o::--x"
                                                 : "u::rw-,u:65534:rw-,g::r--,m::rw-,o::---");
    const std::string list = test::accessList(native.constData());
    ASSERT_EQ(::setxattr(native.constData(), "user.tag", "x", 1, 0), 0) << std::strerror(errno);
    ASSERT_TRUE(writeFileAtomically(path, "new").ok());
    EXPECT_EQ(testing::readBytes(path), "new");
    struct stat after {};
    ASSERT_EQ(::stat(native.constData(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, root ? 0771u : 0660u);
    if (root) {
        EXPECT_EQ(std::pair(after.st_uid, after.st_gid), std::pair(65534u, 65534u));
    }
    EXPECT_EQ(test::accessList(native.constData()), list);
    // A new file gets what the folder's default access list gives any.
    const QTemporaryDir team;
    test::setAccessList(QFile::encodeName(team.path()).constData(), "u::rw-,g::rw-,o::---", ACL_TYPE_DEFAULT);
    ASSERT_TRUE(testing::writeBytes(team.filePath("plain"), "") && writeFileAtomically(team.filePath("new"), "new").ok());
    EXPECT_EQ(test::accessList(QFile::encodeName(team.filePath("new")).constData()),
              test::accessList(QFile::encodeName(team.filePath("plain")).constData()));
    char tag[8] = {};
    EXPECT_EQ(::getxattr(native.constData(), "user.tag", tag, sizeof tag), 1);
    EXPECT_STREQ(tag, "x");

    // Past the file size limit the write fails instead of the signal ending the program.
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit lowered{64 * 1024, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
    const FileWrite written = writeFileAtomically(path, QByteArray(1 << 20, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_TRUE(written.failure.contains("File too large")) << written.failure.toStdString();
    EXPECT_EQ(testing::readBytes(path), "new");
    EXPECT_EQ(testing::entries(folder.path()), QStringList{"shared.txt"});
}
TEST(SystemFileDialogs, SaveAddsTheSuffixAndReturnsOnlyANameTheUserAgreedTo)
{
    QTemporaryDir folder;
    ASSERT_TRUE(testing::writeBytes(folder.filePath("old.txt"), "old"));
    testing::RecordingMessages messages;
    messages.answers = {false};  // not "letter.$$$" after all: back to the dialog
    SystemFileDialogs dialogs(messages);
    // Plays the user: notes the name each file dialog offers, types the next of
    // `typed` over it, if any, and accepts. Any other box, or a dialog that
    // stays open, is turned down and fails the test.
    QStringList offered, typed{folder.filePath("letter")};
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&offered, &typed] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box) return;
        // Counted on the box, not by its address, which the next one may reuse.
        const int ticks = box->property("ticks").toInt();
        box->setProperty("ticks", ticks + 1);
        auto* dialog = qobject_cast<QFileDialog*>(box);
        if (dialog && ticks == 0) {
            offered << QFileInfo(dialog->selectedFiles().value(0)).fileName();
            // selectFile() leaves the name field alone while it has the focus.
            if (QWidget* focused = dialog->focusWidget()) focused->clearFocus();
            if (!typed.isEmpty()) dialog->selectFile(typed.takeFirst());
            // Queued, so that this timer keeps running if accepting opens a box.
            QMetaObject::invokeMethod(box, [box] { box->accept(); }, Qt::QueuedConnection);
        } else if (ticks == (dialog ? 500 : 0)) {
            ADD_FAILURE() << "unexpected or left open: " << box->windowTitle().toStdString();
            box->reject();
        }
    });
    user.start(10);
    for (const auto& [name, chosen] : {std::pair{"", "letter.$$$"}, {"old.txt", "old.txt"}})
        EXPECT_EQ(dialogs.ShowSaveDialog(nullptr, "Text (*.txt)|*.txt", "Save", folder.path(), name),
                  QDir::toNativeSeparators(folder.filePath(chosen)));
    // After "no" the dialog comes back with the name typed into it, suffixed.
    EXPECT_EQ(offered.mid(1), (QStringList{"letter.$$$", "old.txt"}));
    ASSERT_EQ(messages.shown.size(), 3);
    EXPECT_EQ(messages.shown[0], messages.shown[1]);
    for (const auto& [i, word] : {std::pair{1, "letter.$$$"}, {1, "create"}, {2, "old.txt"}, {2, "replace"}})
        EXPECT_TRUE(messages.shown[i].contains(word)) << messages.shown[i].toStdString();
    EXPECT_EQ(testing::entries(folder.path()), QStringList{"old.txt"}) << "choosing writes nothing";
}

}  // namespace
}  // namespace velmor::io
