// A serial line inside the process: what the master writes goes to a peer
// (the simulated bus), what the peer delivers arrives as received data. The
// peer sees every setting of the line, as real controllers effectively do.
#pragma once

#include "SerialLine.h"

class InProcessLine;

class LinePeer {
public:
    virtual ~LinePeer() = default;
    // Bytes the master sent, with the line's settings at that moment.
    virtual void Receive(InProcessLine &line, const QByteArray &bytes) = 0;
    virtual void Attached(InProcessLine &) {}
    virtual void Detached(InProcessLine &) {}
};

class InProcessLine : public SerialLine {
public:
    explicit InProcessLine(LinePeer *peer, QString name = QStringLiteral("in-process line"));
    ~InProcessLine() override;

    void Open(const LineSettings &settings) override;
    void Close() override;
    bool Apply(const LineSettings &settings) override;
    void Write(const QByteArray &bytes) override;
    qint64 PendingWrite() const override { return 0; }
    QByteArray TakeReceived() override;
    bool InputPending() const override { return false; }  // delivered at once
    QString Describe() const override { return Name; }

    // Peer side.
    void Deliver(const QByteArray &bytes);
    const LineSettings &Settings() const { return Current; }
    bool IsOpen() const { return Opened; }
    // Makes the next Apply of a parity or data-bits change fail, as a
    // pseudo-terminal does, so that the service's reopen path is exercised.
    bool RefuseFramingChange = false;
    // Simulates the device going away.
    void Fail(const QString &text);
    // Makes the next settings change fail with the device gone.
    QString FailOnApply;

private:
    LinePeer *Peer;
    QString Name;
    LineSettings Current;
    QByteArray Received;
    bool Opened = false;
};

// A factory that gives every COM number in [1, ports] a line to `peer`;
// other numbers do not exist.
LineFactory InProcessLineFactory(LinePeer *peer, int ports = 50);
