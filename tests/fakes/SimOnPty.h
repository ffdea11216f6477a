// The simulator program serving controllers on a pseudo-terminal linked as
// ports/COM1 in a temporary working folder, which is the current folder for
// the object's life. Tests that use it define QMV_QMVSIM_PATH.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

class SimOnPty {
public:
    SimOnPty() : Previous(QDir::currentPath())
    {
        QDir::setCurrent(Folder.path());
        QDir().mkdir(QStringLiteral("ports"));
        Process.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    ~SimOnPty()
    {
        Stop();
        QDir::setCurrent(Previous);
    }
    SimOnPty(const SimOnPty &) = delete;
    SimOnPty &operator=(const SimOnPty &) = delete;

    // Starts the simulator with these controllers ("address=1,model=A", ...);
    // true once it runs and its link is there.
    bool Start(const QStringList &controllers)
    {
        QFile::remove(Link());  // a link a killed simulator left behind
        QStringList arguments{QStringLiteral("--link"), Link()};
        for (const QString &c : controllers)
            arguments << QStringLiteral("--controller") << c;
        Process.start(QStringLiteral(QMV_QMVSIM_PATH), arguments);
        if (!Process.waitForStarted(5000))
            return false;
        const QString link = Link();
        return QTest::qWaitFor([&link] { return QFileInfo(link).exists(); }, 5000);
    }
    void Stop()
    {
        if (Process.state() == QProcess::NotRunning)
            return;
        Process.terminate();
        Process.waitForFinished(3000);
    }

    bool Valid() const { return Folder.isValid(); }
    QString Link() const { return Path(QStringLiteral("ports/COM1")); }
    QString Path(const QString &name) const { return Folder.filePath(name); }

    QProcess Process;

private:
    QTemporaryDir Folder;
    QString Previous;
};
