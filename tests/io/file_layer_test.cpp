// SPDX-License-Identifier: MIT
// The file layer as the File menu's commands use it: the "|"-separated file
// types, one refused file per rule of files/ with nothing lost, texts that
// Windows-1252 cannot hold, and what a replaced file keeps.
#include "io/file_commands.h"
#include "io/file_filter.h"
#include "io/text_file.h"
#include "file_rights.h"
#include "io_doubles.h"
#include "words/words.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

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

class FileCommandsTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    testing::ScriptedFileDialogs dialogs;
    testing::RecordingMessages messages;
    FileCommands commands{nullptr, dialogs, messages};
};

// Refused before a file is asked for, naming the character and its line.
TEST_F(FileCommandsTest, ATextWithoutWindows1252FormIsNotSaved)
{
    for (const auto& [text, character, line] : {std::tuple{u"a\nb\r\nc\rnot \u0151 but \U0001F600", u"\"\u0151\" (U+0151)", 4},
                                                {u"\n\r\n\U0001F600\u2028", u"\"\U0001F600\" (U+1F600)", 3},
                                                {u"\u200B", u"U+200B", 1}}) {
        EXPECT_FALSE(commands.saveFrom(testing::StringHolder(QString::fromUtf16(text)), TextKind::Plain));
        EXPECT_EQ(messages.shown.takeFirst(), QString::fromUtf16(words::kCannotSave)
                                                   .arg(QString::fromUtf16(character), QString::number(line)));
    }
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

// One message naming the file once and the reason; neither the box nor the
// folder loses or gains anything.
TEST_F(FileCommandsTest, EachRefusedFileIsNamedWithTheReasonAndNothingIsLost)
{
    const QString f = folder.path(), big = f + "/big.txt";
    ASSERT_EQ(::mkfifo(QFile::encodeName(f + "/pipe").constData(), 0600), 0);
    ASSERT_TRUE(testing::writeBytes(big, "") && QFile::resize(big, kMaxBoxFileBytes + 1));
    ASSERT_TRUE(QDir(f).mkpath("taken"));
    const std::tuple<bool, QString, QString> failures[]{
        {false, f + "/two\nlines\u202E.txt", "No such file"},  // on one line, in order
        {false, f, "folder"},
        {false, "/proc/self/mem", "Could not read"},  // address 0 is never mapped
        {false, f + "/pipe", "not an ordinary file"},  // opened, it would wait for a writer
        {false, big, "67,108,865 bytes (64.00 MiB), the window takes at most 67,108,864 bytes"},
        {true, f + "/taken", "folder"},
        {true, f + "/pipe", "not an ordinary file"},
        {true, f + "/no/file.txt", "Could not create"},
        {true, f + "/" + QString(NAME_MAX + 1, u'n'), "File name too long"},
        {true, "/dev/stdout", "own open files"},
    };
    const QString before = testing::entries(f);
    for (const auto& [save, path, reason] : failures) {
        const QString typed = save ? QString(1 << 20, u'x') : QStringLiteral("the user's text\r\n");
        testing::StringHolder box(typed);
        dialogs.answers = {path};
        EXPECT_FALSE(save ? commands.saveFrom(box, TextKind::Plain) : commands.openInto(box, TextKind::Plain));
        EXPECT_EQ(box.text(), typed);
        ASSERT_EQ(messages.shown.size(), 1);
        const QString text = messages.shown.takeFirst();
        EXPECT_EQ(text.count(QString(path).replace(u'\n', "\\n").replace(u'\u202E', "\\u202E")), 1) << text.toStdString();
        EXPECT_TRUE(text.contains(reason)) << text.toStdString();
    }
    EXPECT_EQ(testing::entries(f), before) << "no file added, no temporary left";
    ASSERT_TRUE(QFile::resize(big, kMaxBoxFileBytes));
    EXPECT_TRUE(readTextFile(big).ok()) << "the limit itself opens";

    // Permissions stop no one as root: then the read is made as nobody.
    const QString locked = f + "/locked.txt";
    ASSERT_TRUE(testing::writeBytes(locked, "") && ::chmod(QFile::encodeName(locked).constData(), 0) == 0);
    const pid_t reader = ::fork();
    if (reader == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        ::_exit(readTextFile(locked).failure.contains("Permission denied") ? 0 : 1);
    }
    int status = -1;
    ::waitpid(reader, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// The mode's group bits hold the access list's mask: without the list, the
// owning group would get what only the named user had.
TEST_F(FileCommandsTest, ReplacingAFileKeepsItsOwnerModeAccessListAndAttributesButNoSetIdBits)
{
    const QString path = folder.filePath("shared.txt");
    const QByteArray native = QFile::encodeName(path);
    ASSERT_TRUE(testing::writeBytes(path, "old"));
    const bool root = ::geteuid() == 0;
    ASSERT_EQ(::chmod(native.constData(), root ? 06751 : 02640), 0);
    ASSERT_TRUE(!root || ::chown(native.constData(), 65534, 65534) == 0);
    test::setAccessList(native.constData(), "u::rwx,u:65533:rw-,g::r-x,m::rwx,o::--x");
    const std::string list = test::accessList(native.constData());
    ASSERT_EQ(::setxattr(native.constData(), "user.tag", "x", 1, 0), 0) << std::strerror(errno);
    ASSERT_TRUE(writeFileAtomically(path, "new").ok());
    EXPECT_EQ(testing::readBytes(path), "new");
    struct stat after {};
    ASSERT_EQ(::stat(native.constData(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0771u);
    EXPECT_EQ(after.st_uid, root ? 65534u : ::geteuid());
    EXPECT_EQ(test::accessList(native.constData()), list);
    EXPECT_EQ(::getxattr(native.constData(), "user.tag", nullptr, 0), 1);
    EXPECT_EQ(testing::entries(folder.path()), "shared.txt");
}

}  // namespace
}  // namespace velmor::io
