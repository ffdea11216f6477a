// record: the recorder's sampling without its window. The same sampler
// fills the same record files; each completed sample is also a CSV row as
// the recorder's export writes it, and with --mqtt a message per controller.
#include "Commands.h"

#include "CliSupport.h"
#include "Conversions.h"
#include "CsvExport.h"
#include "MessageTable.h"
#include "MqttPublisher.h"
#include "ReceiveRouting.h"
#include "Sampler.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>

namespace Cli {

namespace {

const char RecordHelp[] = R"(Usage: qmvctl record --addresses LIST [--interval SECONDS] [--duration TIME]
                    [--csv FILE] [--rec FILE] [--mqtt URL] [line options]

Records the process value of up to ten controllers as the recorder does:
at every sample time each controller is read in turn, and a sample is
complete when all have answered. A controller that fails three times is
dropped (its value reads Err) and the others go on; when none is left the
recording ends. Each completed sample is one CSV row, as the recorder's CSV
export writes it, on standard output or in --csv FILE, written out at once.
Ctrl+C or SIGTERM ends the recording; every completed sample is kept.

  --addresses LIST     the controllers, such as 1,2,3 or 1-4 (at most 10)
  --interval SECONDS   the sample time, 1-99 seconds or 0.5 (default 1)
  --duration TIME      stop after this long: 90, 90s, 10m or 2h (default:
                       until stopped)
  --csv FILE           the CSV rows go to FILE instead of standard output
  --rec FILE           also a record file, as the recorder saves (RePlay and
                       CSV in the recorder read it)
  --mqtt URL           mqtt://HOST[:PORT]/TOPIC-PREFIX: each sample of each
                       controller is published (QoS 1) to TOPIC-PREFIX/ADDRESS
                       as {"time":"2024-05-01T09:05:03.250+02:00","address":1,
                       "value":25.3,"fault":null}; a dropped controller has
                       "value":null,"fault":"dropped". A broker that is away
                       is tried again; the local files never wait for it.
)";

// "90", "90s", "10m", "2h" in milliseconds.
qint64 ParseDuration(const QString &text)
{
    QString digits = text.trimmed().toLower();
    qint64 unit = 1000;
    if (digits.endsWith(QLatin1Char('s'))) {
        digits.chop(1);
    } else if (digits.endsWith(QLatin1Char('m'))) {
        digits.chop(1);
        unit = 60'000;
    } else if (digits.endsWith(QLatin1Char('h'))) {
        digits.chop(1);
        unit = 3'600'000;
    }
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    if (!ok || value <= 0 || value > 366LL * 24 * 3600)
        UsageFail(QStringLiteral("--duration: \"%1\" is not a time such as 90s, 10m or 2h").arg(text));
    return value * unit;
}

// The recorder's sample time: 1-99 seconds, 0 for half a second.
int ParseInterval(const QString &text)
{
    const QString t = text.trimmed();
    if (t == QLatin1String("0.5") || t == QLatin1String("0"))
        return 0;
    bool ok = false;
    const int seconds = t.toInt(&ok);
    if (!ok || seconds < 1 || seconds > MaxSampleTime)
        UsageFail(QStringLiteral("--interval: \"%1\" is not 1-99 seconds or 0.5").arg(text));
    return seconds;
}

// What the recorder window would show, told on standard error; each
// completed sample written out.
class Recording : public SamplerView, public ChartCanvas, public ChartView {
public:
    Recording(const RecordFile::Header &header, QFile *csv, MqttPublisher *mqtt) : Header(header), Csv(csv), Mqtt(mqtt)
    {
    }

    // SamplerView
    void ShowRecording(bool recording) override { Running = recording; }
    void ShowSlotLook(int slot, SlotLook look) override
    {
        if (look == SlotLook::Dropped)
            Note(QStringLiteral("address %1 dropped after %2 failed reads (%3)")
                     .arg(Header.Addresses[static_cast<size_t>(slot)])
                     .arg(FailLimit)
                     .arg(LastFault));
    }
    void ShowCounter(const QString &) override {}
    // The line names the recorder's device; the fault alone is told here.
    void ShowFaultLine(const QString &) override { LastFault = MessageTable::ResultText(SessionState.ResultCode).trimmed(); }
    bool ConfirmOverwrite(const QString &) override { return true; }
    void ShowSavingDisarmed() override {}
    void ShowFailure(const QString &text) override
    {
        if (text != MessageTable::DataCanNotSave) {
            LineFault = text;  // told once, at the end
            return;
        }
        // A record file that cannot be made is told at the start; one that
        // fails later is told when it does, and the recording goes on.
        FileFault = true;
        if (Samples > 0)
            Note(text);
    }
    void SampleTaken(int, const std::array<std::uint8_t, RecordBytes> &record) override;

    // ChartCanvas, ChartView: no chart here.
    void FillBox(const QRect &, const QColor &) override {}
    void Line(QPoint, QPoint, const QColor &, int, bool) override {}
    void Text(QPoint, const QString &, const QColor &, Qt::Alignment) override {}
    void ShiftLeft(const QRect &) override {}
    void Done() override {}
    void ShowValue(int, const QString &) override {}
    void ShowSampleTime(const QString &) override {}
    QString MaxScaleText() const override { return QString(); }
    QString MinScaleText() const override { return QString(); }
    void ShowScaleTexts(const QString &, const QString &) override {}
    void ShowAutoScale() override {}

    void WriteRow(const QByteArray &row);

    const RecordFile::Header Header;
    QFile *Csv;
    MqttPublisher *Mqtt;
    bool Running = false;
    QString LineFault;
    QString LastFault;
    bool FileFault = false;
    int Samples = 0;
};

void Recording::WriteRow(const QByteArray &row)
{
    if (!Csv) {
        std::fwrite(row.constData(), 1, static_cast<size_t>(row.size()), stdout);
        std::fflush(stdout);
        return;
    }
    if (FileFault)
        return;
    if (Csv->write(row) != row.size() || !Csv->flush()) {
        FileFault = true;
        Note(Csv->fileName() + QStringLiteral(": ") + MessageTable::DataCanNotSave);
    }
}

void Recording::SampleTaken(int, const std::array<std::uint8_t, RecordBytes> &record)
{
    ++Samples;
    std::array<int, RecorderSlotCount> values{};
    for (int s = 0; s < RecorderSlotCount; ++s)
        values[static_cast<size_t>(s)] = RecordFile::DecodeValue(record[static_cast<size_t>(2 * s)], record[static_cast<size_t>(2 * s + 1)]);
    const std::array<std::uint8_t, 4> time{record[20], record[21], record[22], record[23]};
    WriteRow(CsvExport::Row(Header, values, time));
    if (!Mqtt)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const QString stamp = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs);
    for (int s = 0; s < RecorderSlotCount; ++s) {
        const int address = Header.Addresses[static_cast<size_t>(s)];
        if (address == 0)
            continue;
        const int v = values[static_cast<size_t>(s)];
        const bool dropped = v == DroppedMarker;
        const QJsonObject message{{QStringLiteral("time"), stamp},
                                  {QStringLiteral("address"), address},
                                  {QStringLiteral("value"), dropped ? QJsonValue() : QJsonValue(TenthsText(v).toDouble())},
                                  {QStringLiteral("fault"), dropped ? QJsonValue(QStringLiteral("dropped")) : QJsonValue()}};
        Mqtt->Publish(address, QJsonDocument(message).toJson(QJsonDocument::Compact));
    }
}

} // namespace

int RecordCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    LinkOptions link;
    link.AddTo(parser);
    const QCommandLineOption addressesOption(QStringLiteral("addresses"), QString(), QStringLiteral("LIST"));
    const QCommandLineOption intervalOption(QStringLiteral("interval"), QString(), QStringLiteral("SECONDS"));
    const QCommandLineOption durationOption(QStringLiteral("duration"), QString(), QStringLiteral("TIME"));
    const QCommandLineOption csvOption(QStringLiteral("csv"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption recOption(QStringLiteral("rec"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption mqttOption(QStringLiteral("mqtt"), QString(), QStringLiteral("URL"));
    parser.addOptions({addressesOption, intervalOption, durationOption, csvOption, recOption, mqttOption});
    if (!Parse(parser, arguments, QString::fromLatin1(RecordHelp) + QLatin1String(LinkHelp)))
        return 0;
    if (parser.positionalArguments().size() > 1)
        UsageFail(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().at(1)));
    if (!parser.isSet(addressesOption))
        UsageFail(QStringLiteral("--addresses LIST is missing"));
    const std::vector<int> addresses = ParseAddresses(parser.value(addressesOption));
    if (addresses.size() > static_cast<size_t>(RecorderSlotCount))
        UsageFail(QStringLiteral("--addresses: at most %1 controllers").arg(RecorderSlotCount));
    const int sampleTime = parser.isSet(intervalOption) ? ParseInterval(parser.value(intervalOption)) : 1;
    const qint64 durationMs = parser.isSet(durationOption) ? ParseDuration(parser.value(durationOption)) : -1;

    RecordFile::Header header;
    std::array<int, RecorderSlotCount> stations{};
    for (size_t s = 0; s < addresses.size(); ++s) {
        stations[s] = addresses[s];
        header.Addresses[s] = static_cast<std::uint8_t>(addresses[s]);
    }
    header.SampleTime = sampleTime;

    Line line(parser, link);
    std::unique_ptr<MqttPublisher> mqtt;
    if (parser.isSet(mqttOption))
        mqtt = std::make_unique<MqttPublisher>(parser.value(mqttOption));
    QFile csv(parser.value(csvOption));
    if (parser.isSet(csvOption) && !csv.open(QIODevice::WriteOnly | QIODevice::Truncate))
        Fail(csv.fileName() + QStringLiteral(": ") + csv.errorString());

    TRecorderState state;
    if (parser.isSet(recOption)) {
        state.SaveArmed = true;
        state.RecordFilePath = QFileInfo(parser.value(recOption)).absoluteFilePath();
        CurrentFileName = QFileInfo(parser.value(recOption)).fileName();
    }
    TChartState chartState;
    Recording recording(header, parser.isSet(csvOption) ? &csv : nullptr, mqtt.get());

    RecorderLink recorderLink(line.Port());
    line.Port().OnTrigger = [&recorderLink](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
        RouteRecorderTrigger(recorderLink, SessionState, message, argument);
    };
    SamplerLink samplerLink(recorderLink, SessionState, DefaultClock());
    TrendChart chart(chartState, state, recording, recording);
    ClockTimer timer(DefaultClock());
    Sampler sampler(state, SessionState, samplerLink, chart, timer, recording);
    timer.OnTimer = [&] {
        if (state.Recording)
            sampler.Tick();
    };

    bool stopped = false;
    const auto stop = [&] {
        stopped = true;
        sampler.Stop();
    };
    InterruptWatch interrupt(stop);
    QTimer duration;
    duration.setSingleShot(true);
    QObject::connect(&duration, &QTimer::timeout, stop);

    sampler.Start(stations, sampleTime);
    // The sampler goes on without a record file it cannot make; asked for
    // one, the command does not.
    if (state.Recording && recording.FileFault) {
        sampler.Stop();
        Fail(parser.value(recOption) + QStringLiteral(": ") + MessageTable::DataCanNotSave);
    }
    // No sample completes before the first reply has come.
    if (state.Recording)
        recording.WriteRow(CsvExport::HeadingRow(header));
    if (state.Recording && durationMs > 0)
        duration.start(std::chrono::milliseconds(durationMs));
    RunUntil([&state] { return !state.Recording; });
    timer.OnTimer = nullptr;
    line.Port().OnTrigger = nullptr;
    if (mqtt)
        mqtt->Drain(3000);

    Note(QStringLiteral("%1 samples recorded").arg(recording.Samples));
    if (!recording.LineFault.isEmpty())
        Fail(line.Describe(recording.LineFault));
    if (recording.FileFault)
        Fail(QStringLiteral("not every sample could be saved"));
    if (!stopped)
        Fail(QStringLiteral("every controller was dropped"));
    return 0;
}

} // namespace Cli
