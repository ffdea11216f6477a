#include "InProcessLine.h"

#include "ErrorReport.h"

#include <QString>

InProcessLine::InProcessLine(LinePeer *peer, QString name) : Peer(peer), Name(std::move(name)) {}

InProcessLine::~InProcessLine()
{
    Close();
}

void InProcessLine::Open(const LineSettings &settings)
{
    Current = settings;
    Received.clear();
    Opened = true;
    if (Peer)
        Peer->Attached(*this);
}

void InProcessLine::Close()
{
    if (!Opened)
        return;
    Opened = false;
    Received.clear();
    if (Peer)
        Peer->Detached(*this);
}

bool InProcessLine::Apply(const LineSettings &settings)
{
    if (!FailOnApply.isEmpty()) {
        // As a real port reports a vanished device from inside the change.
        Fail(FailOnApply);
        return false;
    }
    if (RefuseFramingChange && (settings.Parity != Current.Parity || settings.DataBits != Current.DataBits))
        return false;
    Current = settings;
    return true;
}

void InProcessLine::Write(const QByteArray &bytes)
{
    if (!Opened)
        throw ComError(QStringLiteral("Failed to put entire block"));
    if (Peer)
        Peer->Receive(*this, bytes);
}

QByteArray InProcessLine::TakeReceived()
{
    QByteArray bytes;
    bytes.swap(Received);
    return bytes;
}

void InProcessLine::Deliver(const QByteArray &bytes)
{
    if (!Opened || bytes.isEmpty())
        return;
    Received += bytes;
    if (DataArrived)
        DataArrived();
}

void InProcessLine::Fail(const QString &text)
{
    if (Opened && Failed)
        Failed(text);
}

LineFactory InProcessLineFactory(LinePeer *peer, int ports)
{
    return [peer, ports](int comNumber) -> std::unique_ptr<SerialLine> {
        if (comNumber < 1 || comNumber > ports)
            throw ComError(QStringLiteral("ie_BadId - Specified comport doesn't exist"));
        return std::make_unique<InProcessLine>(peer, QStringLiteral("simulated COM%1").arg(comNumber));
    };
}
