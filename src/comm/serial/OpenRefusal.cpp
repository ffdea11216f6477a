#include "OpenRefusal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Lock files name the device without "/dev/" and with '/' as '_':
// LCK..ttyUSB0, LCK..serial_by-id_usb-...
QString LockFileName(const QString &device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

// A lock file's first line is its holder's process id in text, with or
// without leading blanks; a lock whose holder has ended holds nothing.
bool HeldByRunningProgram(const QString &lockFile)
{
    QFile file(lockFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    const qint64 pid = file.readLine(64).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace
#endif

QStringList LockFolders()
{
    QStringList folders{QStringLiteral("/var/lock"),        QStringLiteral("/run/lock"),
                        QStringLiteral("/etc/locks"),       QStringLiteral("/var/spool/locks"),
                        QStringLiteral("/var/spool/uucp"),  QStringLiteral("/tmp"),
                        QStringLiteral("/var/tmp"),         QStringLiteral("/var/lock/lockdev"),
                        QDir::tempPath()};
    folders.removeDuplicates();
    return folders;
}

OpenRefusalFacts OpenRefusalFactsOf(const QString &path, const QStringList &lockFolders)
{
    OpenRefusalFacts facts;
    const QFileInfo info(path);
    facts.Device = info.canonicalFilePath().isEmpty() ? path : info.canonicalFilePath();
#ifndef Q_OS_WIN
    facts.Group = QFileInfo(facts.Device).group();
    // The rights the open itself is checked with: the effective user's.
    const QByteArray device = QFile::encodeName(facts.Device);
    facts.MayReadWrite = ::faccessat(AT_FDCWD, device.constData(), R_OK | W_OK, AT_EACCESS) == 0 || errno != EACCES;
    for (const QString &folder : lockFolders) {
        const QDir dir(folder);
        for (const QString &name : {path, facts.Device}) {
            if (HeldByRunningProgram(dir.filePath(LockFileName(name))))
                facts.Locked = true;
        }
    }
#else
    Q_UNUSED(lockFolders);
#endif
    return facts;
}

QString OpenRefusalText(const OpenRefusalFacts &facts)
{
    if (facts.Locked || facts.MayReadWrite)
        return QStringLiteral("ie_Open - device already open");
    // The device's own group is the one to join; for a device left to root
    // the usual group of serial devices is named.
    const QString group =
        facts.Group.isEmpty() || facts.Group == QLatin1String("root") ? QStringLiteral("dialout") : facts.Group;
    return QStringLiteral("Permission denied on %1: add your user to the %2 group (sudo usermod -aG %2 $USER), "
                          "then log in again.")
        .arg(facts.Device, group);
}
