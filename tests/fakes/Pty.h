// A pseudo-terminal for tests of the real serial code: the test holds the
// master side and plays the far end; the port opens the slave side through
// a ports/COMn link in a temporary working folder.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

class Pty {
public:
    Pty()
    {
        char name[256] = {};
        if (openpty(&Master, &Slave, name, nullptr, nullptr) != 0)
            return;
        SlavePath = QString::fromLocal8Bit(name);
        termios raw{};
        tcgetattr(Slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(Slave, TCSANOW, &raw);
        fcntl(Master, F_SETFL, fcntl(Master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty()
    {
        CloseMaster();
        if (Slave >= 0)
            ::close(Slave);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool Valid() const { return Master >= 0; }
    void CloseMaster()
    {
        if (Master >= 0)
            ::close(Master);
        Master = -1;
    }
    // Closes the slave side this object holds, so that closing the master
    // hangs the line up for whoever else has it open.
    void ReleaseSlave()
    {
        if (Slave >= 0)
            ::close(Slave);
        Slave = -1;
    }
    void Send(const QByteArray &bytes) { (void)!::write(Master, bytes.constData(), static_cast<size_t>(bytes.size())); }
    QByteArray Take()
    {
        QByteArray all;
        char buffer[512];
        for (;;) {
            const ssize_t n = ::read(Master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            all.append(buffer, n);
        }
        return all;
    }
    termios SlaveSettings() const
    {
        termios t{};
        tcgetattr(Slave >= 0 ? Slave : Master, &t);
        return t;
    }

    int Master = -1;
    int Slave = -1;
    QString SlavePath;
};

// A working folder with ports/COMn links, entered for the object's life.
class PortFolder {
public:
    PortFolder() : Previous(QDir::currentPath())
    {
        QDir(Dir.path()).mkdir(QStringLiteral("ports"));
        QDir::setCurrent(Dir.path());
    }
    ~PortFolder() { QDir::setCurrent(Previous); }
    bool Link(int number, const QString &target)
    {
        return QFile::link(target, QStringLiteral("ports/COM%1").arg(number));
    }
    QString Path() const { return Dir.path(); }

private:
    QTemporaryDir Dir;
    QString Previous;
};
