// The byte pipe under TComPort: a real device (QtSerialLine) or a line into
// the simulated controller bus (InProcessLine). Callbacks run on the UI thread.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

// In the order of the service's own enumeration (codes 0-4).
enum TParity { pNone, pOdd, pEven, pMark, pSpace };

struct LineSettings {
    int Baud = 19200;
    int DataBits = 8;
    TParity Parity = pNone;
    int StopBits = 1;
    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};

class SerialLine {
public:
    virtual ~SerialLine() = default;

    // Throws ComError with the service's texts ("ie_BadId - ...", "ie_Open - ...").
    virtual void Open(const LineSettings &settings) = 0;
    virtual void Close() = 0;
    // Changes the settings of the open line; false when the device refuses
    // the change in place (the service then reopens the line).
    virtual bool Apply(const LineSettings &settings) = 0;
    // Queues bytes for sending without blocking; throws ComError
    // "Failed to put entire block" when the device refuses them.
    virtual void Write(const QByteArray &bytes) = 0;
    virtual qint64 PendingWrite() const = 0;
    // Removes and returns what has been received.
    virtual QByteArray TakeReceived() = 0;
    // Bytes have come in that TakeReceived does not have yet: the device
    // holds them and their notification is still on its way.
    virtual bool InputPending() const = 0;
    // What the line stands for, for the user ("/dev/ttyUSB0").
    virtual QString Describe() const = 0;

    std::function<void()> DataArrived;
    // The device failed while open (adapter pulled); the text says why.
    std::function<void(const QString &text)> Failed;
};

// Makes the line for a COM number; throws ComError
// "ie_BadId - Specified comport doesn't exist" when there is no such port.
using LineFactory = std::function<std::unique_ptr<SerialLine>(int comNumber)>;
