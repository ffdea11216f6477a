#include "QtSerialLine.h"

#include "ErrorReport.h"
#include "OpenRefusal.h"
#include "PortDirectory.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#endif

namespace {

// Failures of a device that is still there make a lost line only when this
// many come within the interval: a device that has really failed reports
// again at every turn of the event loop.
constexpr int FailuresForLoss = 20;
constexpr qint64 FailureIntervalMs = 1000;

} // namespace

QtSerialLine::QtSerialLine(QString device) : DevicePath(std::move(device))
{
    connect(&Port, &QSerialPort::readyRead, this, [this] {
        if (DataArrived)
            DataArrived();
    });
    connect(&Port, &QSerialPort::errorOccurred, this, &QtSerialLine::OnError);
    // Reading is resumed from a timer, never from inside the port's read
    // handler: a read notifier enabled again while its event is being
    // delivered is handed that same event once more, reads nothing again,
    // and so on in a loop that looks like a failing device.
    ResumeReading.setSingleShot(true);
    ResumeReading.setInterval(1);
    ResumeReading.setTimerType(Qt::PreciseTimer);
    connect(&ResumeReading, &QTimer::timeout, this, [this] {
        if (Port.isOpen() && !Failing)
            Port.setReadBufferSize(Port.readBufferSize());
    });
}

QtSerialLine::~QtSerialLine()
{
    Port.disconnect(this);
    if (Port.isOpen())
        Port.close();
}

QSerialPort::Parity QtSerialLine::ToQt(TParity parity)
{
    switch (parity) {
    case pOdd: return QSerialPort::OddParity;
    case pEven: return QSerialPort::EvenParity;
    case pMark: return QSerialPort::MarkParity;
    case pSpace: return QSerialPort::SpaceParity;
    case pNone: break;
    }
    return QSerialPort::NoParity;
}

bool QtSerialLine::Configure(const LineSettings &s)
{
    bool ok = Port.setBaudRate(s.Baud);
    ok = Port.setDataBits(s.DataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8) && ok;
    ok = Port.setParity(ToQt(s.Parity)) && ok;
    ok = Port.setStopBits(s.StopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) && ok;
    ok = Port.setFlowControl(QSerialPort::NoFlowControl) && ok;
    return ok;
}

void QtSerialLine::Open(const LineSettings &settings)
{
    Failing = false;
    FailuresInBurst = 0;
    Port.setPortName(DevicePath);
    Configure(settings);
    if (!Port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = Port.error();
        const QString text = Port.errorString();
        Port.clearError();
        if (error == QSerialPort::DeviceNotFoundError)
            throw ComError(QStringLiteral("ie_BadId - Specified comport doesn't exist"));
        if (error == QSerialPort::PermissionError)
            throw ComError(OpenRefusalText(OpenRefusalFactsOf(DevicePath)));
        throw ComError(text);
    }
    Port.setDataTerminalReady(true);
    Port.setRequestToSend(true);
    Port.clearError();
}

void QtSerialLine::Close()
{
    if (Port.isOpen())
        Port.close();
    Port.clearError();
}

bool QtSerialLine::Apply(const LineSettings &settings)
{
    const bool ok = Configure(settings);
    Port.clearError();
    return ok;
}

void QtSerialLine::Write(const QByteArray &bytes)
{
    if (Port.write(bytes) != bytes.size()) {
        Port.clearError();
        throw ComError(QStringLiteral("Failed to put entire block"));
    }
}

qint64 QtSerialLine::PendingWrite() const
{
    return Port.bytesToWrite();
}

QByteArray QtSerialLine::TakeReceived()
{
    // Only what the port's own read notification has collected: reading the
    // device here as well would race that notification, which then finds
    // nothing to read and reports a failure.
    return Port.readAll();
}

bool QtSerialLine::InputPending() const
{
#ifdef Q_OS_UNIX
    int waiting = 0;
    if (Port.isOpen() && ::ioctl(Port.handle(), FIONREAD, &waiting) == 0)
        return waiting > 0;
#endif
    return false;
}

bool QtSerialLine::DeviceStillThere() const
{
    if (!QFileInfo::exists(DevicePath))
        return false;
#ifdef Q_OS_UNIX
    pollfd device{Port.handle(), POLLIN, 0};
    if (::poll(&device, 1, 0) < 0)
        return false;
    return (device.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
#else
    return false;  // no cheap way to ask: a failure is taken for a loss
#endif
}

void QtSerialLine::OnError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
    case QSerialPort::UnknownError:
        break;
    default:
        return;  // open and configuration errors are reported where they happen
    }
    if (!Port.isOpen() || Failing)
        return;
    const QString reason = Port.errorString();
    Port.clearError();
    if (DeviceStillThere()) {
        // A read that found nothing (its bytes were taken before its
        // notification came) reports the errno of whatever call came
        // before it. The port stops reading after some of these: it reads
        // on, and only failures that keep coming make a lost line.
        ResumeReading.start();
        if (!FailureBurst.isValid() || FailureBurst.elapsed() > FailureIntervalMs) {
            FailureBurst.start();
            FailuresInBurst = 0;
        }
        if (++FailuresInBurst < FailuresForLoss)
            return;
    }
    // A vanished device keeps reporting errors: stop at the first one.
    Failing = true;
    const QString text = QStringLiteral("Serial line %1 lost: %2").arg(DevicePath, reason);
    if (Failed)
        Failed(text);
}

LineFactory QtSerialLineFactory()
{
    return [](int comNumber) -> std::unique_ptr<SerialLine> {
        const QString device = PortDirectory::DeviceFor(comNumber);
        if (device.isEmpty())
            throw ComError(QStringLiteral("ie_BadId - Specified comport doesn't exist"));
        return std::make_unique<QtSerialLine>(device);
    };
}
