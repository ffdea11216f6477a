// The simulated controller bus: controllers of the three models on one
// line, each answering Modbus ASCII or RTU under its own address and link
// settings, at the pace a real line would allow.
//
// Tests attach it in-process to TComPort (InProcessLineFactory(&bus)); the
// simulator program serves it on a pseudo-terminal. The controllers live on
// the given clock; the line is paced on the given pace clock (by default the
// same clock, to its millisecond): a controller hears the frame when its
// last character has crossed the line, answers after the turnaround time,
// and its reply arrives in chunks as its characters cross the line.
// Nothing happens unless the master sends something. Ports attached to the
// bus go before the bus does.
#pragma once

#include "ControllerConfig.h"
#include "EventClock.h"
#include "InProcessLine.h"
#include "PaceClock.h"
#include "SimController.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

// The master's side of the line, as the bus needs it.
class BusLine {
public:
    virtual ~BusLine() = default;
    // Whether a controller set up this way makes out the line's characters.
    virtual bool Hears(const ControllerConfig &config) const = 0;
    virtual void Send(const QByteArray &bytes) = 0;
    // The line's settings, for the log.
    virtual QString Describe() const = 0;
};

class SimBus : public LinePeer {
public:
    // Longest frame a controller takes in: 64 characters in ASCII (a
    // request has 17), 256 bytes in RTU. Longer ones are dropped.
    static constexpr int MaxAsciiFrame = 64;
    static constexpr int MaxRtuFrame = 256;

    // `pace` outlives the bus; without one the line is paced on `clock`.
    explicit SimBus(EventClock &clock, PaceClock *pace = nullptr);
    ~SimBus() override;
    SimBus(const SimBus &) = delete;
    SimBus &operator=(const SimBus &) = delete;

    SimController &Add(const ControllerConfig &config);
    std::vector<SimController *> Controllers() const;
    // The first controller with that address, or nullptr.
    SimController *Find(int address) const;

    // Replies from this bus are paced at the character time plus this turnaround.
    void SetTurnaroundMs(int ms) { Turnaround = std::max(ms, 0); }
    int TurnaroundMs() const { return Turnaround; }
    // A reply reaches the master in chunks of this many bytes, each when its
    // last byte has crossed the line; 0 gives each reply in one piece.
    void SetChunkBytes(int bytes) { ChunkBytes = std::max(bytes, 0); }
    // How long one minute of a ramp/soak program lasts.
    void SetProgramMinuteMs(qint64 ms);

    // One line of text for every frame a controller took and its answer.
    std::function<void(const QString &)> OnLog;

    // The in-process line.
    void Receive(InProcessLine &line, const QByteArray &bytes) override;
    void Attached(InProcessLine &line) override;
    void Detached(InProcessLine &line) override;

    // Any other line (the simulator program's pseudo-terminal).
    void Receive(BusLine &line, const QByteArray &bytes);
    void Detach(BusLine &line);

private:
    struct Station {
        std::unique_ptr<SimController> Controller;
        QByteArray Frame;
        bool InFrame = false;   // ASCII: a ':' came
        bool Overlong = false;  // RTU: more came than any frame holds
        double WireEndUs = 0;   // when the last character heard so far ended
        double SendEndUs = 0;   // when the last reply it sent has left it
        PaceClock::TaskId SilenceTask = 0;
        int LineId = 0;
    };
    class InProcessBusLine;

    int IdOf(BusLine &line);
    void Feed(Station &station, int lineId, const BusLine &line, const QByteArray &bytes, double nowUs);
    void Reset(Station &station);
    void FrameEnded(Station &station, double endUs);
    void HandleFrame(Station &station, const QByteArray &frame, int lineId, double endUs);
    void ScheduleReply(Station &station, QByteArray reply, Fault fault, int lineId, double heardUs);
    void Deliver(const Station &station, int lineId, const QByteArray &chunk);
    PaceClock::TaskId At(double us, std::function<void()> task);
    void Cancel(PaceClock::TaskId &id);
    void Log(const QString &text);

    EventClock &Clock;
    std::unique_ptr<MillisecondPace> OwnPace;
    PaceClock &Pace;
    qint64 StartMs;
    std::vector<std::unique_ptr<Station>> Stations;
    int Turnaround = 5;
    int ChunkBytes = 16;
    qint64 ProgramMinuteMs = 60'000;
    std::map<InProcessLine *, std::unique_ptr<InProcessBusLine>> Adapters;
    std::map<BusLine *, int> LineIds;
    std::map<int, BusLine *> Lines;
    int NextLineId = 1;
    std::set<PaceClock::TaskId> Pending;
    QString LastUnheard;
};
