#include "PtyLink.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::runtime_error SystemError(const QString &what)
{
    return std::runtime_error(QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno))).toStdString());
}

int BaudOf(speed_t speed)
{
    switch (speed) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 0;
    }
}

QString LinkTarget(const QString &path)
{
    char target[4096];
    const QByteArray name = QFile::encodeName(path);
    const ssize_t n = ::readlink(name.constData(), target, sizeof target - 1);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(target, static_cast<qsizetype>(n)));
}

} // namespace

PtyLink::PtyLink(SimBus &bus, const QString &linkPath) : Bus(bus), Link(linkPath)
{
    char name[256] = {};
    if (::openpty(&Master, &Slave, name, nullptr, nullptr) != 0)
        throw SystemError(QStringLiteral("cannot create a pseudo-terminal"));
    DeviceName = QString::fromLocal8Bit(name);
    ::fcntl(Master, F_SETFD, FD_CLOEXEC);
    ::fcntl(Slave, F_SETFD, FD_CLOEXEC);
    ::fcntl(Master, F_SETFL, ::fcntl(Master, F_GETFL) | O_NONBLOCK);

    // Raw, like a serial line: no echo, no line editing, no CR/LF changes,
    // at the program's default rate until someone sets another.
    termios tio{};
    ::tcgetattr(Slave, &tio);
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    ::tcsetattr(Slave, TCSANOW, &tio);

    try {
        MakeLink();
    } catch (...) {
        ::close(Master);
        ::close(Slave);
        throw;
    }
    Reader = new QSocketNotifier(Master, QSocketNotifier::Read, this);
    connect(Reader, &QSocketNotifier::activated, this, &PtyLink::ReadAvailable);
    Writer = new QSocketNotifier(Master, QSocketNotifier::Write, this);
    Writer->setEnabled(false);
    connect(Writer, &QSocketNotifier::activated, this, &PtyLink::WritePending);
}

PtyLink::~PtyLink()
{
    Bus.Detach(*this);
    delete Reader;
    delete Writer;
    // Only our own link: another simulator may have taken the name since.
    if (LinkTarget(Link) == DeviceName)
        ::unlink(QFile::encodeName(Link).constData());
    ::close(Master);
    ::close(Slave);
}

void PtyLink::MakeLink()
{
    const QFileInfo info(Link);
    QDir().mkpath(info.absolutePath());
    const QByteArray path = QFile::encodeName(Link);
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && !S_ISLNK(st.st_mode))
        throw std::runtime_error(QStringLiteral("%1 exists and is not a link; not replacing it").arg(Link).toStdString());
    // A link left by a simulator that was killed is replaced in one step.
    const QByteArray temporary = path + ".qmvsim-" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(QFile::encodeName(DeviceName).constData(), temporary.constData()) != 0)
        throw SystemError(QStringLiteral("cannot create the link %1").arg(Link));
    if (::rename(temporary.constData(), path.constData()) != 0) {
        ::unlink(temporary.constData());
        throw SystemError(QStringLiteral("cannot create the link %1").arg(Link));
    }
}

std::optional<PtyLink::SeenSettings> PtyLink::Seen() const
{
    termios tio{};
    if (::tcgetattr(Slave, &tio) != 0)
        return std::nullopt;
    SeenSettings seen;
    seen.Baud = BaudOf(::cfgetospeed(&tio));
    seen.StopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    seen.OddParity = (tio.c_cflag & PARODD) != 0;
    return seen;
}

bool PtyLink::Hears(const ControllerConfig &config) const
{
    const auto seen = Seen();
    return seen && seen->Baud == config.Baud && seen->StopBits == config.StopBits &&
           seen->OddParity == (config.Parity == pOdd);
}

QString PtyLink::Describe() const
{
    const auto seen = Seen();
    if (!seen)
        return QStringLiteral("unknown settings");
    return QStringLiteral("%1 baud, %2 stop bit%3, %4")
        .arg(seen->Baud)
        .arg(seen->StopBits)
        .arg(seen->StopBits == 2 ? QStringLiteral("s") : QString())
        .arg(seen->OddParity ? QStringLiteral("odd parity") : QStringLiteral("even or no parity"));
}

void PtyLink::ReadAvailable()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(Master, buffer, sizeof buffer);
        if (n > 0) {
            // Whatever still waits unread for the program when it sends
            // again is a late reply to a program that has given up on it
            // or closed the port since: a real port would not keep it.
            ::tcflush(Slave, TCIFLUSH);
            Bus.Receive(*this, QByteArray(buffer, static_cast<qsizetype>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        // An error the terminal keeps reporting: look again a little later
        // rather than spin on it.
        Reader->setEnabled(false);
        QTimer::singleShot(200, this, [this] { Reader->setEnabled(true); });
        return;
    }
}

void PtyLink::Send(const QByteArray &bytes)
{
    if (Out.size() > 65536)
        Out.clear();  // nobody reads: a real line would lose it too
    Out += bytes;
    WritePending();
}

void PtyLink::WritePending()
{
    while (!Out.isEmpty()) {
        const ssize_t n = ::write(Master, Out.constData(), static_cast<size_t>(Out.size()));
        if (n > 0) {
            Out.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            Out.clear();  // nobody can take it
        break;
    }
    Writer->setEnabled(!Out.isEmpty());
}
