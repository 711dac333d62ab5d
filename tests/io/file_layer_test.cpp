// SPDX-License-Identifier: MIT
// The file layer as the File menu's commands use it: the "|"-separated file
// types, texts that Windows-1252 cannot hold, and one refused file per
// message of the window's own, with nothing lost (the rules behind them are
// tested in files/).
#include "io/file_commands.h"
#include "io/file_filter.h"
#include "io/text_file.h"
#include "io_doubles.h"
#include "words/words.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace velmor::io {

TEST(FileFilter, GivesOneNameFilterPerFileTypeUpToTheFirstEmptyOrMissingField)
{
    for (const auto& [filter, expected] : std::initializer_list<std::pair<const char16_t*, QStringList>>{
             {u"Text Files (*.txt)|*.txt|All files (*.*)|*.*", {"Text Files (*.txt)", "All files (*)"}},
             {u"Notes (*.txt)|*.txt; *.md", {"Notes (*.txt) (*.txt *.md)"}},
             {u"A|*.a||B|*.b", {"A (*.a)"}}})
        EXPECT_EQ(toNameFilters(filter), expected) << QString::fromUtf16(filter).toStdString();
}

// A text without Windows-1252 form is refused before a file is asked for,
// naming the character and its line. A refused file is named once with the
// reason, in one message; neither the box nor the folder gains or loses.
TEST(FileCommands, RefuseWhatCannotBeSavedOrOpenedAndLoseNothing)
{
    QTemporaryDir folder;
    testing::ScriptedFileDialogs dialogs;
    testing::RecordingMessages messages;
    FileCommands commands{nullptr, dialogs, messages};
    for (const auto& [text, character, line] : {std::tuple{u"a\nb\r\nc\rnot \u0151 but \U0001F600", u"\"\u0151\" (U+0151)", 4},
                                                {u"\n\r\n\U0001F600\u2028", u"\"\U0001F600\" (U+1F600)", 3},
                                                {u"\u200B", u"U+200B", 1}}) {
        EXPECT_FALSE(commands.saveFrom(testing::StringHolder(QString::fromUtf16(text)), TextKind::Plain));
        EXPECT_EQ(messages.shown.takeFirst(), QString::fromUtf16(words::kCannotSave)
                                                   .arg(QString::fromUtf16(character), QString::number(line)));
    }
    EXPECT_TRUE(dialogs.asked.isEmpty());
    const QString f = folder.path(), big = f + "/big.txt";
    ASSERT_EQ(::mkfifo(QFile::encodeName(f + "/pipe").constData(), 0600), 0);
    ASSERT_TRUE(testing::writeBytes(big, "") && QFile::resize(big, kMaxBoxFileBytes + 1));
    const std::tuple<bool, QString, QString> failures[]{  // saved, the file, the reason
        {false, f + "/two\nlines\u202E.txt", std::strerror(ENOENT)},  // on one line, in order
        {false, f, "folder"},
        {false, "/proc/self/mem", "Could not read"},  // address 0 is never mapped
        {false, f + "/pipe", "not an ordinary file"},  // opened, it would wait for a writer
        {false, big, "67,108,865 bytes (64.00 MiB), the window takes at most 67,108,864 bytes"},
        {true, f + "/pipe", "not an ordinary file"},
        {true, f + "/no/file.txt", "Could not create"},
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
    const uint open = QDir(QStringLiteral("/proc/self/fd")).count();
    EXPECT_TRUE(readTextFile(big).ok()) << "the limit itself opens";
    EXPECT_EQ(QDir(QStringLiteral("/proc/self/fd")).count(), open) << "a file read is closed";
    // Files under /proc tell no size: they are read to their end, within the limit.
    EXPECT_TRUE(readTextFile("/proc/version").text == QString::fromLatin1(testing::readBytes("/proc/version")) &&
                !readTextFile("/proc/self/maps", 16).ok());
}

}  // namespace velmor::io
