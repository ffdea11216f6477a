// Helpers shared by the simulated bus tests: requests as PDUs, the words
// of a reply, and a master on TComPort that collects what comes back.
#pragma once

#include "EventClock.h"
#include "SimBus.h"
#include "TComPort.h"

#include <QByteArray>

#include <vector>

inline Pdu Request(int station, int function, int reg, int value)
{
    return {static_cast<std::uint8_t>(station), static_cast<std::uint8_t>(function),
            static_cast<std::uint8_t>(reg >> 8),     static_cast<std::uint8_t>(reg & 0xFF),
            static_cast<std::uint8_t>(value >> 8),   static_cast<std::uint8_t>(value & 0xFF)};
}

inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

inline std::vector<int> Words(const Pdu &reply)
{
    std::vector<int> words;
    for (size_t i = 3; i + 1 < reply.size(); i += 2)
        words.push_back(reply[i] * 256 + reply[i + 1]);
    return words;
}

// The exception code of a reply, or 0 when it is none.
inline int ExceptionOf(const std::optional<Pdu> &reply)
{
    return reply && reply->size() == 3 && ((*reply)[1] & 0x80) ? (*reply)[2] : 0;
}

// Reads one register through the controller's own request handling.
inline int ReadOne(SimController &c, int reg)
{
    const auto reply = c.Execute(Request(c.Address(), 0x03, reg, 1));
    return reply && reply->size() == 5 ? (*reply)[3] * 256 + (*reply)[4] : -1;
}

// Writes one register; the exception code, or 0 when it was echoed.
inline int WriteOne(SimController &c, int reg, int value)
{
    const Pdu request = Request(c.Address(), 0x06, reg, value & 0xFFFF);
    const auto reply = c.Execute(request);
    if (reply && *reply == request)
        return 0;
    return ExceptionOf(reply) ? ExceptionOf(reply) : -1;
}

inline int UnlockRegister(const SimController &c)
{
    return c.Kind() == Model::A ? 0x471B : 0x472A;
}

// The master's end: a real TComPort on the in-process line.
struct Master {
    struct Arrival {
        qint64 AtMs;
        QByteArray Bytes;
    };

    Master(VirtualClock &clock, SimBus &bus, const LineSettings &settings)
        : Clock(clock), Port(clock, InProcessLineFactory(&bus))
    {
        Port.SetComNumber(1);
        Open(settings);
        Port.OnTrigger = [this](TComPort &port, std::uint16_t message, std::uint16_t, std::uint16_t) {
            if (message != TComPort::TriggerAvail)
                return;
            QByteArray bytes;
            while (port.Waiting() > 0)
                bytes.append(static_cast<char>(port.GetChar()));
            Arrivals.push_back({Clock.NowMs(), bytes});
        };
    }

    void Open(const LineSettings &settings)
    {
        Port.SetBaud(settings.Baud);
        Port.SetDatabits(settings.DataBits);
        Port.SetParity(settings.Parity);
        Port.SetStopbits(settings.StopBits);
        Port.SetOpen(true);
    }

    // Sends and lets `waitMs` pass; everything that came back.
    QByteArray Transact(const QByteArray &frame, qint64 waitMs = 1000)
    {
        Arrivals.clear();
        SentAtMs = Clock.NowMs();
        Port.PutBlock(frame);
        Clock.Advance(waitMs);
        return Received();
    }

    QByteArray Received() const
    {
        QByteArray all;
        for (const Arrival &a : Arrivals)
            all += a.Bytes;
        return all;
    }

    VirtualClock &Clock;
    TComPort Port;
    std::vector<Arrival> Arrivals;
    qint64 SentAtMs = 0;
};

inline LineSettings Line(int baud, int dataBits, TParity parity, int stopBits)
{
    return LineSettings{baud, dataBits, parity, stopBits};
}
