// Telling a device another program holds from one the user may not open.
#include "OpenRefusal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(OpenRefusal, EachCauseHasItsText)
{
    const QString held = QStringLiteral("ie_Open - device already open");
    struct Case { const char *Name; OpenRefusalFacts Facts; QString Text; } cases[] = {
        {"no right to the device", {"/dev/ttyUSB0", "dialout", false, false},
         "Permission denied on /dev/ttyUSB0: add your user to the dialout group (sudo usermod -aG dialout $USER), "
         "then log in again."},
        {"the device's own group", {"/dev/ttyS0", "uucp", false, false},
         "Permission denied on /dev/ttyS0: add your user to the uucp group (sudo usermod -aG uucp $USER), "
         "then log in again."},
        {"a device left to root", {"/dev/ttyUSB1", "root", false, false},
         "Permission denied on /dev/ttyUSB1: add your user to the dialout group (sudo usermod -aG dialout $USER), "
         "then log in again."},
        {"a running program's lock", {"/dev/ttyUSB0", "dialout", true, true}, held},
        {"a lock comes first", {"/dev/ttyUSB0", "dialout", false, true}, held},
        {"held without a lock", {"/dev/ttyUSB0", "dialout", true, false}, held},
    };
    for (const Case &c : cases)
        EXPECT_EQ(OpenRefusalText(c.Facts), c.Text) << c.Name;
}

TEST(OpenRefusal, OnlyALockOfARunningProgramHoldsTheDevice)
{
    // A process id that is surely not running: a child that has ended.
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);

    const QByteArray me = QByteArray::number(::getpid());
    const QString device = QStringLiteral("/dev/ttyQMV0");
    // A link that does not exist keeps its own name as the device's.
    const QString link = QStringLiteral("/work/ports/COM3");
    struct Case { const char *Name; QString Device; QString LockName; QByteArray Content; bool Locked; } cases[] = {
        {"no lock file", device, {}, {}, false},
        {"pid, program and host", device, "LCK..ttyQMV0", me + "\nqmvcomm\nhost\n", true},
        {"pid right-aligned in ten columns", device, "LCK..ttyQMV0", "      " + me + "\n", true},
        {"holder ended", device, "LCK..ttyQMV0", QByteArray::number(child) + "\n", false},
        {"not a pid", device, "LCK..ttyQMV0", "locked\n", false},
        {"another device's lock", device, "LCK..ttyQMV1", me + "\n", false},
        {"locked under the name of the link", link, "LCK.._work_ports_COM3", me + "\n", true},
    };
    for (const Case &c : cases) {
        QTemporaryDir locks;
        ASSERT_TRUE(locks.isValid());
        if (!c.LockName.isEmpty()) {
            QFile file(QDir(locks.path()).filePath(c.LockName));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.Content);
        }
        EXPECT_EQ(OpenRefusalFactsOf(c.Device, {locks.path()}).Locked, c.Locked) << c.Name;
    }
}

} // namespace
