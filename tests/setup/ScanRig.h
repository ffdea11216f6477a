// The main window's setup link on a virtual clock, as the scan sees it: a
// TComPort whose trigger handler is the main window's receive routing.
#pragma once

#include "Conversions.h"
#include "EventClock.h"
#include "FakePeer.h"
#include "Links.h"
#include "Public.h"
#include "ReceiveRouting.h"
#include "ScanEngine.h"
#include "TComPort.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// Records what the engine shows.
class RecordingView : public ScanView {
public:
    struct Hit {
        int Row;
        QString Address;
        QString Protocol;
    };

    void ShowDescription(const QString &text) override { Descriptions.push_back(text); }
    void ShowGauge(int value, int maximum) override
    {
        GaugeValue = value;
        GaugeMaximum = maximum;
    }
    void ShowTimeLeft(const QString &text) override { TimeLeft = text; }
    void ShowHit(int row, const QString &address, const QString &protocol) override
    {
        Hits.push_back({row, address, protocol});
    }
    void ShowScanEnd(const QString &text) override { EndText = text; }
    void ShowScanFault(const QString &text) override { FaultText = text; }

    std::vector<QString> Descriptions;
    std::vector<Hit> Hits;
    int GaugeValue = -1;
    int GaugeMaximum = -1;
    QString TimeLeft;
    QString EndText;
    QString FaultText;
};

// A peer that records every frame with the line settings it was sent under
// and answers through a script, after a delay on the clock.
class ScriptedPeer : public FakePeer {
public:
    struct Sent {
        QByteArray Bytes;
        LineSettings Settings;
    };
    using Script = std::function<std::optional<QByteArray>(const QByteArray &frame, const LineSettings &settings)>;

    explicit ScriptedPeer(EventClock &clock) : Clock(clock) {}

    void Receive(InProcessLine &line, const QByteArray &bytes) override
    {
        FakePeer::Receive(line, bytes);
        Frames.push_back({bytes, line.Settings()});
        if (!Answer)
            return;
        if (std::optional<QByteArray> reply = Answer(bytes, line.Settings())) {
            InProcessLine *target = &line;
            const QByteArray text = *reply;
            Clock.CallAfter(ReplyDelayMs, [this, target, text] {
                if (Line == target)
                    target->Deliver(text);
            });
        }
    }

    EventClock &Clock;
    Script Answer;
    int ReplyDelayMs = 20;
    std::vector<Sent> Frames;
};

// A script for ScriptedPeer: a controller at `address` that answers the
// probe (with register value 10) only under exactly its own line settings
// and format.
inline ScriptedPeer::Script ControllerAt(int address, LineSettings own, bool rtu)
{
    return [address, own, rtu](const QByteArray &frame, const LineSettings &settings) -> std::optional<QByteArray> {
        if (!(settings == own))
            return std::nullopt;
        const bool ascii = frame.size() == 17 && frame.startsWith(':');
        if (ascii == rtu)
            return std::nullopt;
        const int station = ascii ? frame.mid(1, 2).toInt(nullptr, 16) : static_cast<std::uint8_t>(frame.at(0));
        if (station != address)
            return std::nullopt;
        const std::uint8_t reply[5] = {static_cast<std::uint8_t>(address), 0x03, 0x02, 0x00, 0x0A};
        if (rtu) {
            const int crc = Crc16(reply, 5);
            QByteArray bytes(reinterpret_cast<const char *>(reply), 5);
            bytes += static_cast<char>(crc & 0xFF);
            bytes += static_cast<char>(crc >> 8);
            return bytes;
        }
        QByteArray text(":");
        for (std::uint8_t b : reply)
            text += ByteToHex(b).toLatin1();
        text += ByteToHex(AsciiLrc(text.constData(), 11)).toLatin1() + "\r\n";
        return text;
    };
}

// The setup link of the main window, wired the way the main window wires it.
struct SetupRig {
    SetupRig(EventClock &clock, LinePeer *peer, int ports = 50) : Port(clock, InProcessLineFactory(peer, ports)), Link(Port)
    {
        Port.OnTrigger = [this](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
            RouteSetupTrigger(Link, message, argument);
        };
    }

    TComPort Port;
    SetupLink Link;
};

// Resets the shared state the scan works on.
inline void ResetSharedState(int portNumber = 1)
{
    SessionState = TSessionState{};
    LinkSettings = TLinkSettings{};
    LinkSettings.PortNumber = portNumber;
}
