// A real serial device through QSerialPort.
#pragma once

#include "SerialLine.h"

#include <QObject>
#include <QSerialPort>

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
    QString Describe() const override { return DevicePath; }

    static QSerialPort::Parity ToQt(TParity parity);

private:
    void OnError(QSerialPort::SerialPortError error);
    bool Configure(const LineSettings &settings);

    QString DevicePath;
    QSerialPort Port;
    bool Failing = false;
};

// Opens devices through the port directory: COMn is the device the
// directory gives for n.
LineFactory QtSerialLineFactory();
