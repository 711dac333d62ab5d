// SPDX-License-Identifier: MIT
// The window program started with its standard streams closed keeps those
// descriptors on /dev/null, so no file it saves can be given one of them.
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

namespace {

#ifdef VELMOR_MACHINE
TEST(ClosedStreams, TheWindowProgramPutsNullDeviceInTheirPlace)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"), QStringLiteral("exec \"$0\" <&- >&- 2>&-"), QStringLiteral(VELMOR_MACHINE)});
    ASSERT_TRUE(program.waitForStarted());
    const QString fds = QStringLiteral("/proc/%1/fd/").arg(program.processId());
    // Once the window is up, every file it opens at start has been opened.
    QDeadlineTimer deadline(20000);
    while (!QFileInfo::exists(fds + QStringLiteral("5")) && !deadline.hasExpired()) QThread::msleep(20);
    for (int fd = 0; fd <= 2; ++fd)
        EXPECT_EQ(QFileInfo(fds + QString::number(fd)).symLinkTarget(), QStringLiteral("/dev/null")) << fd;
    program.kill();
    program.waitForFinished();
}
#endif

}  // namespace
