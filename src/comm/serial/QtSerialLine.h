// A real serial device through QSerialPort.
#pragma once

#include "SerialLine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

class QtSerialLine : public QObject, public SerialLine {
    Q_OBJECT
public:
    explicit QtSerialLine(QString device);
    ~QtSerialLine() override;

    void Open(const LineSettings &settings) override;
    void Close() override;
    bool Apply(const LineSettings &settings) override;
    void Write(const QByteArray &bytes) override;
    qint64 PendingWrite() const override;
    QByteArray TakeReceived() override;
    bool InputPending() const override;
    QString Describe() const override { return DevicePath; }

    static QSerialPort::Parity ToQt(TParity parity);

private:
    void OnError(QSerialPort::SerialPortError error);
    bool Configure(const LineSettings &settings);
    // The device file is there and the device has not hung up.
    bool DeviceStillThere() const;

    QString DevicePath;
    QSerialPort Port;
    bool Failing = false;
    // Failures of a device that is still there, counted over a short while:
    // only failures that keep coming make a lost line.
    QElapsedTimer FailureBurst;
    int FailuresInBurst = 0;
    QTimer ResumeReading;
};

// Opens devices through the port directory: COMn is the device the
// directory gives for n.
LineFactory QtSerialLineFactory();
