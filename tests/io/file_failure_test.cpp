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

#include <tuple>
#include <vector>

namespace velmor::io {
namespace {

TEST(FileFailures, EachRefusalNamesTheFileAndTheReasonAndLosesNothing)
{
    QTemporaryDir folder;
    const QString f = folder.path(), big = f + "/big.txt", locked = f + "/ro/locked.txt";
    // Opening a pipe would wait for a writer forever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(f + "/pipe").constData(), 0600), 0);
    testing::writeBytes(big, "");
    ASSERT_TRUE(QFile::resize(big, kMaxBoxFileBytes + 1));
    ASSERT_TRUE(QDir(f).mkpath("taken") && QDir(f).mkpath("ro") && QDir(f).mkpath("small"));
    testing::writeBytes(f + "/taken/inside.txt", "kept");
    testing::writeBytes(locked, "kept");
    std::vector<std::tuple<bool, QString, const char*>> failures{
        {false, f + "/vanished.txt", "No such file"},
        {false, f, "folder"},
        {false, "/proc/self/mem", "Could not read"},  // address 0 is never mapped
        {false, f + "/pipe", "not an ordinary file"},
        {false, big, "velmor"},
        {true, f + "/taken", "Could not create"},
        {true, f + "/missing/file.txt", "Could not create"},
        {true, f + '/' + QString(300, u'n'), "Could not"},
    };
    // Root ignores permissions; run_unprivileged.sh runs this as nobody too.
    if (::geteuid() != 0) {
        ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        ASSERT_TRUE(QFile::setPermissions(f + "/ro", QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        failures.insert(failures.end(), {{false, locked, "Permission denied"}, {true, locked, "Could not create"}});
    }
    // Only root can mount a disk small enough to fill.
    const QByteArray small = QFile::encodeName(f + "/small");
    // No ASSERT from here to the unmount, which must run.
    const bool mounted = ::mount("velmor-test", small.constData(), "tmpfs", 0, "size=64k") == 0;
    if (mounted) {
        testing::writeBytes(f + "/small/kept.txt", "kept");
        failures.emplace_back(true, f + "/small/kept.txt", "No space left");
    }
    const QStringList before = testing::entries(f);
    for (const auto& [save, path, reason] : failures) {
        SCOPED_TRACE(path.toStdString());
        testing::ScriptedFileDialogs dialogs;
        testing::RecordingMessages messages;
        dialogs.answers = {path};
        FileCommands commands(nullptr, dialogs, messages);
        const QString typed = save ? QString(1 << 20, u'x') : QStringLiteral("the user's text\r\n");
        testing::StringHolder box(typed);
        EXPECT_FALSE(save ? commands.saveFrom(box, TextKind::Plain) : commands.openInto(box, TextKind::Plain));
        EXPECT_EQ(box.text(), typed);
        EXPECT_EQ(messages.shown.size(), 1u);
        const QString text = messages.shown.empty() ? QString() : messages.shown[0].text;
        EXPECT_TRUE(text.contains(QDir::toNativeSeparators(path)) && text.contains(reason)) << text.toStdString();
    }
    const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    EXPECT_TRUE(QFile::setPermissions(f + "/ro", all) && QFile::setPermissions(locked, all));
    EXPECT_EQ(testing::entries(f), before);
    for (const char* kept : {"/taken/inside.txt", "/ro/locked.txt", "/small/kept.txt"}) {
        if (!QFile::exists(f + kept)) continue;
        EXPECT_EQ(testing::readBytes(f + kept), "kept") << kept;
    }
    EXPECT_EQ(testing::entries(f + "/small"), mounted ? QStringList{"kept.txt"} : QStringList{}) << "no temporary left";
    EXPECT_EQ(testing::entries(f + "/ro"), QStringList{"locked.txt"});
    if (mounted) ::umount2(small.constData(), MNT_DETACH);
    ASSERT_TRUE(QFile::resize(big, kMaxBoxFileBytes));
    EXPECT_TRUE(readTextFile(big).ok()) << "the limit itself opens";
    EXPECT_GE(kMaxBoxFileBytes, 50LL * 1000 * 1000);
}

}  // namespace
}  // namespace velmor::io
