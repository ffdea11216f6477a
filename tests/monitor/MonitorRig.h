// The monitor's engine on a virtual clock, wired to the simulated controller
// bus in process, with a log of every request it put on the line.
#pragma once

#include "Conversions.h"
#include "EventClock.h"
#include "InProcessLine.h"
#include "MonitorEngine.h"
#include "Public.h"
#include "SimBus.h"
#include "TComPort.h"

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <vector>

struct SentRequest {
    int Station = 0;
    int Function = 0;
    int Register = 0;
    int Value = 0;
    qint64 AtMs = 0;
    bool operator==(const SentRequest &o) const
    {
        return Station == o.Station && Function == o.Function && Register == o.Register && Value == o.Value;
    }
};

// The six payload bytes of a request frame, ASCII or RTU.
inline std::vector<int> PayloadOf(const QByteArray &frame)
{
    std::vector<int> payload;
    if (frame.startsWith(':') && frame.size() >= 15) {
        for (int i = 0; i < 6; ++i)
            payload.push_back(HexPairToByte(frame.at(1 + 2 * i), frame.at(2 + 2 * i)) & 0xFF);
    } else if (frame.size() >= 6) {
        for (int i = 0; i < 6; ++i)
            payload.push_back(static_cast<std::uint8_t>(frame.at(i)));
    }
    return payload;
}

// Passes everything on to the bus and notes each request.
class RequestLog : public LinePeer {
public:
    RequestLog(LinePeer &bus, EventClock &clock) : Bus(bus), Clock(clock) {}
    void Receive(InProcessLine &line, const QByteArray &bytes) override
    {
        const std::vector<int> p = PayloadOf(bytes);
        if (p.size() == 6) {
            Sent.push_back({p[0], p[1], p[2] * 256 + p[3], p[4] * 256 + p[5], Clock.NowMs()});
            if (OnSent)
                OnSent(Sent.back());
        }
        if (Deaf)
            return;
        Bus.Receive(line, bytes);
    }
    void Attached(InProcessLine &line) override
    {
        Line = &line;
        Bus.Attached(line);
    }
    void Detached(InProcessLine &line) override
    {
        if (Line == &line)
            Line = nullptr;
        Bus.Detached(line);
    }

    LinePeer &Bus;
    EventClock &Clock;
    std::vector<SentRequest> Sent;
    InProcessLine *Line = nullptr;
    bool Deaf = false;  // nothing reaches the controllers (a cut line)
    std::function<void(const SentRequest &)> OnSent;
};

class MonitorRig : public MonitorView {
public:
    explicit MonitorRig(bool rtu = false, int baud = 9600)
    {
        SessionState = TSessionState{};
        LinkSettings = TLinkSettings{1, baud, rtu ? 8 : 7, 1, 1, rtu};
        Engine = std::make_unique<MonitorEngine>(Port, SessionState, *this);
    }
    ~MonitorRig() override
    {
        Engine.reset();
        SessionState = TSessionState{};
        LinkSettings = TLinkSettings{};
    }

    void Changed(unsigned aspects) override { ChangedAspects |= aspects; }
    void ShowLineFault(const QString &text) override { Faults << text; }
    void CloseWindow() override
    {
        ++Closes;
        Engine->FormClose();
    }
    void ClearTrend(int slot) override { TrendClears.push_back(slot); }
    void UploadFinished() override { ++Uploads; }
    void TransferFailed(const QString &caption) override { TransferFailures << caption; }
    void AskPassword() override { ++Asked; }

    SimController &Add(int address, Model model, bool rtu = false, int baud = 9600)
    {
        ControllerConfig c;
        c.Address = address;
        c.Kind = model;
        c.Baud = baud;
        c.Rtu = rtu;
        c.DataBits = rtu ? 8 : 7;
        return Bus.Add(c);
    }
    void Connect(int slot, int address)
    {
        Addresses[static_cast<size_t>(slot)] = address;
        Engine->RunBt0Click(slot, Addresses);
    }
    bool RunUntil(const std::function<bool()> &done, qint64 limitMs = 60'000)
    {
        return Clock.AdvanceUntil(done, limitMs);
    }
    // Runs until `count` more requests went out.
    bool RunRequests(size_t count, qint64 limitMs = 120'000)
    {
        const size_t target = Log.Sent.size() + count;
        return RunUntil([&] { return Log.Sent.size() >= target; }, limitMs);
    }
    // (register, count) of the requests from `from` on.
    std::vector<std::pair<int, int>> Reads(size_t from = 0) const
    {
        std::vector<std::pair<int, int>> reads;
        for (size_t i = from; i < Log.Sent.size(); ++i)
            reads.emplace_back(Log.Sent[i].Register, Log.Sent[i].Value);
        return reads;
    }

    VirtualClock Clock{55 * 1000};
    SimBus Bus{Clock};
    RequestLog Log{Bus, Clock};
    TComPort Port{Clock, InProcessLineFactory(&Log, 4)};
    std::unique_ptr<MonitorEngine> Engine;
    std::array<int, SlotCount> Addresses{1, 1, 1, 1};
    unsigned ChangedAspects = 0;
    QStringList Faults;
    int Closes = 0;
    std::vector<int> TrendClears;
    int Uploads = 0;
    QStringList TransferFailures;
    int Asked = 0;
};
