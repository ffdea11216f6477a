#include "QtSerialLine.h"

#include "ErrorReport.h"
#include "OpenRefusal.h"
#include "PortDirectory.h"

#include <QFileInfo>

QtSerialLine::QtSerialLine(QString device) : DevicePath(std::move(device))
{
    connect(&Port, &QSerialPort::readyRead, this, [this] {
        if (DataArrived)
            DataArrived();
    });
    connect(&Port, &QSerialPort::errorOccurred, this, &QtSerialLine::OnError);
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
    // Pick up bytes the driver holds but whose notification has not been
    // handled yet, so that data found with an expired deadline comes first.
    if (Port.isOpen() && !Failing)
        Port.waitForReadyRead(0);
    return Port.readAll();
}

void QtSerialLine::OnError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:  // from the zero-time poll above
        return;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        break;
    case QSerialPort::UnknownError:
        // An odd failure of one call on a device that is still there is not
        // a lost line; a device that has gone is.
        if (QFileInfo::exists(DevicePath)) {
            Port.clearError();
            return;
        }
        break;
    default:
        return;  // open and configuration errors are reported where they happen
    }
    if (!Port.isOpen() || Failing)
        return;
    // A vanished device keeps reporting errors: stop at the first one.
    Failing = true;
    const QString text = QStringLiteral("Serial line %1 lost: %2").arg(DevicePath, Port.errorString());
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
