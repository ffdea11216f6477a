// The recorder's engines wired as the window wires them, on a virtual clock
// and the main window's recorder link, with views that remember what they
// were told and a canvas that remembers what was drawn.
#pragma once

#include "ClockTimer.h"
#include "EventClock.h"
#include "InProcessLine.h"
#include "Links.h"
#include "MessageTable.h"
#include "Public.h"
#include "ReceiveRouting.h"
#include "RecordFile.h"
#include "RecorderState.h"
#include "Replayer.h"
#include "Sampler.h"
#include "SamplerLink.h"
#include "TComPort.h"
#include "TrendChart.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTime>

#include <array>
#include <csignal>
#include <ostream>
#include <memory>
#include <vector>

#include <sys/resource.h>

// Readable failures.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// Remembers every drawing operation.
class RecordingCanvas : public ChartCanvas {
public:
    struct Stroke {
        QPoint From, To;
        QColor Colour;
        int Width;
        bool Dotted;
    };
    struct Label {
        QPoint At;
        QString Text;
        QColor Colour;
    };

    void FillBox(const QRect &box, const QColor &colour) override
    {
        ++Fills;
        LastFill = colour;
        FillRect = box;
    }
    void Line(QPoint from, QPoint to, const QColor &colour, int width, bool dotted) override
    {
        Strokes.push_back({from, to, colour, width, dotted});
    }
    void Text(QPoint at, const QString &text, const QColor &colour, Qt::Alignment) override
    {
        Labels.push_back({at, text, colour});
    }
    void ShiftLeft(const QRect &) override { ++Shifts; }
    void Done() override { ++Dones; }

    void Forget()
    {
        Fills = Shifts = Dones = 0;
        Strokes.clear();
        Labels.clear();
    }
    // Curve segments (pen width 2) in a colour.
    int CurveStrokes(const QColor &colour) const
    {
        int n = 0;
        for (const Stroke &s : Strokes)
            n += s.Width == 2 && s.Colour == colour;
        return n;
    }
    QStringList LabelTexts(const QColor &colour) const
    {
        QStringList texts;
        for (const Label &l : Labels) {
            if (l.Colour == colour)
                texts << l.Text;
        }
        return texts;
    }

    int Fills = 0;
    int Shifts = 0;
    int Dones = 0;
    QColor LastFill;
    QRect FillRect;
    std::vector<Stroke> Strokes;
    std::vector<Label> Labels;
};

class FakeChartView : public ChartView {
public:
    void ShowValue(int slot, const QString &text) override { Values[static_cast<std::size_t>(slot)] = text; }
    void ShowSampleTime(const QString &text) override { Time = text; }
    QString MaxScaleText() const override { return MaxText; }
    QString MinScaleText() const override { return MinText; }
    void ShowScaleTexts(const QString &max, const QString &min) override
    {
        MaxText = max;
        MinText = min;
    }
    void ShowAutoScale() override { AutoShown = true; }

    std::array<QString, RecorderSlotCount> Values;
    QString Time;
    QString MaxText = QStringLiteral("100");
    QString MinText = QStringLiteral("0");
    bool AutoShown = false;
};

class FakeSamplerView : public SamplerView {
public:
    void ShowRecording(bool recording) override { Recording.push_back(recording); }
    void ShowSlotLook(int slot, SlotLook look) override { Looks[static_cast<std::size_t>(slot)] = look; }
    void ShowCounter(const QString &text) override { Counter = text; }
    // Start empties the line; only faults are kept.
    void ShowFaultLine(const QString &text) override
    {
        if (!text.isEmpty())
            FaultLines << text;
    }
    bool ConfirmOverwrite(const QString &fileName) override
    {
        Questions << fileName;
        return OverwriteAnswer;
    }
    void ShowSavingDisarmed() override { ++Disarmed; }
    void ShowFailure(const QString &text) override { Failures << text; }

    std::vector<bool> Recording;
    std::array<SlotLook, RecorderSlotCount> Looks{};
    QString Counter;
    QStringList FaultLines;
    QStringList Questions;
    bool OverwriteAnswer = true;
    int Disarmed = 0;
    QStringList Failures;
};

class FakeReplayView : public ReplayView {
public:
    void ShowReplayState(TReplayState state) override { States.push_back(state); }
    void ShowPositionText(const QString &text) override { Position = text; }
    void ShowTrackPosition(int position) override { Track = position; }
    QString PositionText() const override { return Position; }
    std::array<int, RecorderSlotCount> AddressEdits() const override { return Edits; }
    void ShowSampleTime(const QString &text) override { Time = text; }
    void ShowFileError() override { ++FileErrors; }
    void ShowConversionError(const QString &text) override { ConversionErrors << text; }

    std::vector<TReplayState> States;
    QString Position = ZeroCounterText();
    int Track = 0;
    std::array<int, RecorderSlotCount> Edits{};
    QString Time;
    int FileErrors = 0;
    QStringList ConversionErrors;
};

// The chart with its fakes, on a state of its own.
struct ChartRig {
    explicit ChartRig(int width = 808) { Chart.SetGeometry(GeometryFor(width)); }

    std::unique_ptr<TChartState> ChartData = std::make_unique<TChartState>();
    TRecorderState State;
    RecordingCanvas Canvas;
    FakeChartView View;
    TrendChart Chart{*ChartData, State, Canvas, View};
};

// The sampler on the main window's recorder link: a TComPort whose trigger
// handler is the main window's receive routing, as in the program. The
// time of day starts at 09:05:03 and follows the clock.
struct SamplerRig {
    SamplerRig(EventClock &clock, LineFactory lines)
        : Clock(clock), Start(clock.NowMs()), Port(clock, std::move(lines)), Link(Port), Timer(clock)
    {
        Port.OnTrigger = [this](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
            RouteRecorderTrigger(Link, SessionState, message, argument);
        };
        Timer.OnTimer = [this] {
            if (Chart.State.Recording)
                Engine.Tick();
        };
        Engine.SetTimeOfDay([this] { return QTime(9, 5, 3).addMSecs(static_cast<int>(Clock.NowMs() - Start)); });
    }

    static std::array<int, RecorderSlotCount> Addresses(std::initializer_list<int> list)
    {
        std::array<int, RecorderSlotCount> a{};
        std::size_t i = 0;
        for (int v : list)
            a[i++] = v;
        return a;
    }
    TRecorderState &State() { return Chart.State; }

    EventClock &Clock;
    qint64 Start;
    TComPort Port;
    RecorderLink Link;
    ClockTimer Timer;
    ChartRig Chart;
    FakeSamplerView View;
    SamplerLink Line{Link, SessionState, Clock};
    Sampler Engine{Chart.State, SessionState, Line, Chart.Chart, Timer, View};
};

// Resets the shared state the recorder works on: the program's default link
// (COM1, 9600 baud, 7E1, ASCII).
inline void ResetShared()
{
    SessionState = TSessionState{};
    LinkSettings = TLinkSettings{};
    LinkSettings.PortNumber = 1;
    LinkSettings.BaudRate = 9600;
    LinkSettings.DataBits = 7;
    LinkSettings.ParityIndex = 1;
    LinkSettings.StopBits = 1;
    LinkSettings.RtuMode = false;
    CurrentFileName.clear();
    CurrentFileHandle = 0;
}

// A record file built byte by byte.
struct RecordBuilder {
    explicit RecordBuilder(std::array<std::uint8_t, RecorderSlotCount> addresses = {1}, int sampleTime = 1)
    {
        RecordFile::Header header;
        header.Addresses = addresses;
        header.SampleTime = sampleTime;
        const auto bytes = RecordFile::EncodeHeader(header);
        Bytes = QByteArray(reinterpret_cast<const char *>(bytes.data()), RecordFile::HeaderSize);
    }
    // One record: the ten raw words and the time (millisecond byte).
    RecordBuilder &Add(const std::array<int, RecorderSlotCount> &words, int hour = 9, int minute = 5, int second = 3,
                       int millisecond = 0)
    {
        for (int w : words) {
            Bytes.append(static_cast<char>((w >> 8) & 0xFF));
            Bytes.append(static_cast<char>(w & 0xFF));
        }
        Bytes.append(static_cast<char>(hour));
        Bytes.append(static_cast<char>(minute));
        Bytes.append(static_cast<char>(second));
        Bytes.append(static_cast<char>(millisecond));
        Bytes.append('Z');
        return *this;
    }
    bool Write(const QString &path) const
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const bool ok = file.write(Bytes) == Bytes.size();
        file.close();
        return ok;
    }

    QByteArray Bytes;
};

inline QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray bytes = file.readAll();
    file.close();
    return bytes;
}

// A file size limit makes the file system refuse further bytes at that
// size, as a full disk does; the signal that would end the process is
// ignored meanwhile, as the write's error is what counts.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &Saved);
        Previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = Saved;
        limit.rlim_cur = bytes;
        Active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &Saved);
        std::signal(SIGXFSZ, Previous);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool Active = false;

private:
    rlimit Saved{};
    void (*Previous)(int) = nullptr;
};
