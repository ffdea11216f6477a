#include "SimBus.h"

#include "Conversions.h"

#include <cmath>

namespace {

// Modbus RTU: a frame ends with a silence of 3.5 characters, fixed at
// 1.75 ms above 19200 baud.
double SilenceMicros(const ControllerConfig &config)
{
    return config.Baud > 19200 ? 1750.0 : 3.5 * CharacterMicros(config);
}

QString ParityName(TParity parity)
{
    switch (parity) {
    case pNone: return QStringLiteral("N");
    case pOdd: return QStringLiteral("O");
    case pEven: return QStringLiteral("E");
    case pMark: return QStringLiteral("M");
    case pSpace: return QStringLiteral("S");
    }
    return QStringLiteral("?");
}

// The station a frame names, as far as it can be made out.
int FrameStation(const QByteArray &frame, bool rtu)
{
    if (rtu)
        return frame.isEmpty() ? -1 : static_cast<std::uint8_t>(frame.at(0));
    if (frame.size() < 3)
        return -1;
    return HexPairToByte(frame.at(1), frame.at(2));
}

} // namespace

class SimBus::InProcessBusLine : public BusLine {
public:
    explicit InProcessBusLine(InProcessLine &line) : Line(line) {}

    bool Hears(const ControllerConfig &config) const override
    {
        // Inside the process every setting is known, as it is on a real wire.
        const LineSettings &s = Line.Settings();
        return Line.IsOpen() && s.Baud == config.Baud && s.DataBits == config.DataBits && s.Parity == config.Parity &&
               s.StopBits == config.StopBits;
    }
    void Send(const QByteArray &bytes) override { Line.Deliver(bytes); }
    QString Describe() const override
    {
        const LineSettings &s = Line.Settings();
        return QStringLiteral("%1 %2%3%4").arg(s.Baud).arg(s.DataBits).arg(ParityName(s.Parity)).arg(s.StopBits);
    }

private:
    InProcessLine &Line;
};

SimBus::SimBus(EventClock &clock, PaceClock *pace)
    : Clock(clock), OwnPace(pace ? nullptr : std::make_unique<MillisecondPace>(clock)), Pace(pace ? *pace : *OwnPace),
      StartMs(clock.NowMs())
{
}

SimBus::~SimBus()
{
    for (PaceClock::TaskId id : Pending)
        Pace.Cancel(id);
}

SimController &SimBus::Add(const ControllerConfig &config)
{
    auto station = std::make_unique<Station>();
    station->Controller = std::make_unique<SimController>(Clock, config);
    station->Controller->SetProgramMinuteMs(ProgramMinuteMs);
    Stations.push_back(std::move(station));
    return *Stations.back()->Controller;
}

std::vector<SimController *> SimBus::Controllers() const
{
    std::vector<SimController *> all;
    for (const auto &station : Stations)
        all.push_back(station->Controller.get());
    return all;
}

SimController *SimBus::Find(int address) const
{
    for (const auto &station : Stations) {
        if (station->Controller->Address() == address)
            return station->Controller.get();
    }
    return nullptr;
}

void SimBus::SetProgramMinuteMs(qint64 ms)
{
    ProgramMinuteMs = std::max<qint64>(ms, 1);
    for (const auto &station : Stations)
        station->Controller->SetProgramMinuteMs(ProgramMinuteMs);
}

void SimBus::Log(const QString &text)
{
    if (OnLog)
        OnLog(QStringLiteral("%1  %2").arg((Clock.NowMs() - StartMs) / 1000.0, 9, 'f', 3).arg(text));
}

// ---- lines -----------------------------------------------------------------

void SimBus::Attached(InProcessLine &line)
{
    if (!Adapters.count(&line))
        Adapters.emplace(&line, std::make_unique<InProcessBusLine>(line));
}

void SimBus::Detached(InProcessLine &line)
{
    const auto found = Adapters.find(&line);
    if (found == Adapters.end())
        return;
    Detach(*found->second);
    Adapters.erase(found);
}

void SimBus::Receive(InProcessLine &line, const QByteArray &bytes)
{
    Attached(line);
    Receive(*Adapters.at(&line), bytes);
}

int SimBus::IdOf(BusLine &line)
{
    const auto found = LineIds.find(&line);
    if (found != LineIds.end())
        return found->second;
    const int id = NextLineId++;
    LineIds.emplace(&line, id);
    Lines.emplace(id, &line);
    return id;
}

void SimBus::Detach(BusLine &line)
{
    const auto found = LineIds.find(&line);
    if (found == LineIds.end())
        return;
    // Replies on their way to this line are dropped when they fall due.
    Lines.erase(found->second);
    for (auto &station : Stations) {
        if (station->LineId == found->second)
            Reset(*station);
    }
    LineIds.erase(found);
}

void SimBus::Receive(BusLine &line, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    const int id = IdOf(line);
    const double nowUs = static_cast<double>(Pace.NowUs());
    bool heard = false;
    for (auto &station : Stations) {
        heard = heard || line.Hears(station->Controller->Config());
        Feed(*station, id, line, bytes, nowUs);
    }
    if (heard) {
        LastUnheard.clear();
    } else if (line.Describe() != LastUnheard) {
        // Once per setting, or a scan would fill the log.
        LastUnheard = line.Describe();
        Log(QStringLiteral("<- %1 bytes at %2: no controller uses these settings").arg(bytes.size()).arg(LastUnheard));
    }
}

// ---- receiving -------------------------------------------------------------

PaceClock::TaskId SimBus::At(double us, std::function<void()> task)
{
    auto id = std::make_shared<PaceClock::TaskId>(0);
    *id = Pace.CallAtUs(std::llround(us), [this, id, task = std::move(task)] {
        Pending.erase(*id);
        task();
    });
    Pending.insert(*id);
    return *id;
}

void SimBus::Cancel(PaceClock::TaskId &id)
{
    if (!id)
        return;
    Pace.Cancel(id);
    Pending.erase(id);
    id = 0;
}

void SimBus::Reset(Station &station)
{
    Cancel(station.SilenceTask);
    station.Frame.clear();
    station.InFrame = false;
    station.Overlong = false;
}

void SimBus::Feed(Station &station, int lineId, const BusLine &line, const QByteArray &bytes, double nowUs)
{
    const ControllerConfig &config = station.Controller->Config();
    if (!line.Hears(config)) {
        // At another speed or framing the characters are noise to it; what
        // it had gathered is spoilt too.
        Reset(station);
        return;
    }
    if (station.LineId != lineId) {
        Reset(station);
        station.LineId = lineId;
    }
    const double charUs = CharacterMicros(config);
    const double startUs = std::max(nowUs, station.WireEndUs);
    if (config.Rtu) {
        if (!station.Frame.isEmpty() && nowUs - station.WireEndUs >= SilenceMicros(config))
            FrameEnded(station, station.WireEndUs + SilenceMicros(config));  // even if its timer has not run yet
        for (char c : bytes) {
            if (station.Frame.size() < MaxRtuFrame)
                station.Frame.append(c);
            else
                station.Overlong = true;
        }
        station.WireEndUs = startUs + static_cast<double>(bytes.size()) * charUs;
        Cancel(station.SilenceTask);
        Station *s = &station;
        const double endUs = station.WireEndUs + SilenceMicros(config);
        station.SilenceTask = At(endUs, [this, s, endUs] {
            s->SilenceTask = 0;
            FrameEnded(*s, endUs);
        });
        return;
    }
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c == ':') {
            station.Frame = QByteArray(1, ':');
            station.InFrame = true;
            continue;
        }
        if (!station.InFrame)
            continue;  // line noise between frames
        if (station.Frame.size() >= MaxAsciiFrame) {
            station.Frame.clear();  // longer than any request: dropped
            station.InFrame = false;
            continue;
        }
        station.Frame.append(c);
        if (c != '\n')
            continue;
        const double endUs = startUs + static_cast<double>(i + 1) * charUs;
        Station *s = &station;
        At(endUs, [this, s, frame = station.Frame, lineId, endUs] { HandleFrame(*s, frame, lineId, endUs); });
        station.Frame.clear();
        station.InFrame = false;
    }
    station.WireEndUs = startUs + static_cast<double>(bytes.size()) * charUs;
}

void SimBus::FrameEnded(Station &station, double endUs)
{
    Cancel(station.SilenceTask);
    const QByteArray frame = station.Frame;
    const bool overlong = station.Overlong;
    station.Frame.clear();
    station.Overlong = false;
    if (!overlong && !frame.isEmpty())
        HandleFrame(station, frame, station.LineId, endUs);
}

// `endUs`: when the frame's end could be told on the line; the reply is timed
// from there, not from when this runs.
void SimBus::HandleFrame(Station &station, const QByteArray &frame, int lineId, double endUs)
{
    SimController &controller = *station.Controller;
    const bool rtu = controller.Config().Rtu;
    const std::optional<Pdu> request = SimFraming::Decode(frame, rtu);
    if (!request) {
        if (FrameStation(frame, rtu) == controller.Address())
            Log(QStringLiteral("<- %1  ignored by station %2: bad checksum or form")
                    .arg(SimFraming::Hex(frame, rtu))
                    .arg(controller.Address()));
        return;
    }
    const int target = (*request)[0];
    if (target != 0 && target != controller.Address())
        return;
    Log(QStringLiteral("<- %1  %2").arg(SimFraming::Hex(frame, rtu), SimFraming::DescribeRequest(*request)));
    const Fault fault = target == 0 ? Fault::None : controller.Faults().Next();
    if (fault == Fault::Silence) {
        Log(QStringLiteral("   station %1 stays silent (fault)").arg(controller.Address()));
        return;
    }
    std::optional<Pdu> reply;
    if (fault == Fault::Exception)
        reply = controller.ExceptionReply(*request, controller.Faults().Options.ExceptionCode);
    else
        reply = controller.Execute(*request);
    if (!reply) {
        if (target == 0)
            Log(QStringLiteral("   applied by station %1, no reply to a broadcast").arg(controller.Address()));
        return;
    }
    if (fault == Fault::ForeignStation) {
        const int foreign = controller.Faults().Options.ForeignAddress;
        (*reply)[0] = static_cast<std::uint8_t>(foreign > 0 ? foreign : controller.Address() % 247 + 1);
    }
    QByteArray bytes = SimFraming::Encode(*reply, rtu);
    if (fault == Fault::BadChecksum) {
        if (rtu) {
            bytes[bytes.size() - 1] = static_cast<char>(bytes.at(bytes.size() - 1) ^ 0x5A);
        } else {
            // The LRC's low digit, one higher.
            char &digit = bytes[bytes.size() - 3];
            digit = digit == '9' ? 'A' : digit == 'F' ? '0' : static_cast<char>(digit + 1);
        }
    } else if (fault == Fault::Garbage) {
        for (char &c : bytes)
            c = static_cast<char>(controller.Faults().Random() & 0xFF);
    }
    Log(QStringLiteral("-> %1  %2%3")
            .arg(SimFraming::Hex(bytes, rtu), SimFraming::DescribeReply(*reply),
                 fault == Fault::None ? QString() : QStringLiteral("  [fault: %1]").arg(FaultName(fault))));
    ScheduleReply(station, bytes, fault, lineId, endUs);
}

void SimBus::ScheduleReply(Station &station, QByteArray reply, Fault fault, int lineId, double heardUs)
{
    const ControllerConfig &config = station.Controller->Config();
    const FaultOptions &options = station.Controller->Faults().Options;
    const double charUs = CharacterMicros(config);
    double startUs = heardUs + Turnaround * 1000.0;
    if (fault == Fault::Slow)
        startUs += options.SlowMs * 1000.0;
    // One transmitter: a request heard while an earlier reply (a late one)
    // is still going out is answered after it, never in between.
    startUs = std::max(startUs, station.SendEndUs);
    const qsizetype total = reply.size();
    qsizetype chunk = total;
    double gapUs = 0;
    if (fault == Fault::Split) {
        chunk = std::max(options.SplitBytes, 1);
        gapUs = options.SplitGapMs * 1000.0;
    } else if (ChunkBytes > 0) {
        chunk = ChunkBytes;
    }
    const Station *s = &station;
    int index = 0;
    for (qsizetype from = 0; from < total; from += chunk, ++index) {
        const qsizetype to = std::min(total, from + chunk);
        const double dueUs = startUs + static_cast<double>(to) * charUs + index * gapUs;
        At(dueUs, [this, s, lineId, piece = reply.mid(from, to - from)] { Deliver(*s, lineId, piece); });
        station.SendEndUs = dueUs;
    }
}

void SimBus::Deliver(const Station &station, int lineId, const QByteArray &chunk)
{
    const auto found = Lines.find(lineId);
    // A master that closed the line or changed its settings meanwhile gets
    // nothing it could read.
    if (found == Lines.end() || !found->second->Hears(station.Controller->Config()))
        return;
    found->second->Send(chunk);
}
