// The recorder's costs on a record file of a million records (25 MB, ten
// slots, two of them dropped part-way): the peak memory of loading and
// playing it through and how much of it is growth over the process at
// start-up, the time of a jump to its last record with the file in the
// page cache and with the file's pages dropped from it, one sample column
// against a full redraw of the chart at W = 1280, and the export of the file
// as a table.
//
// usage: replay_bench [--records N] [--width W]
// The last lines are the figures named in them.
#include "CsvExport.h"
#include "RecdIme.h"
#include "RecordFile.h"
#include "RecorderState.h"
#include "Replayer.h"
#include "TrendChart.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

double NowMs()
{
    using namespace std::chrono;
    return duration_cast<duration<double, std::milli>>(steady_clock::now().time_since_epoch()).count();
}

// A line of /proc/self/status in kB ("VmHWM", "VmRSS"), in MB.
double StatusMb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> lines = status.readAll().split('\n');
    status.close();
    for (const QByteArray &line : lines) {
        if (line.startsWith(field))
            return line.mid(line.indexOf(':') + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// Starts a new peak: the kernel resets VmHWM to the present size.
void ResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) {
        clear.write("5");
        clear.close();
    }
}

// Asks the kernel to drop the file's pages from its cache, as after a
// restart: no root needed, the pages are clean once written out. The share
// of the file's pages still cached afterwards, 0 to 1 (-1: not known).
double DropFromCache(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    double cached = -1;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    void *map = size > 0 ? ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (map != MAP_FAILED) {
        const long page = ::sysconf(_SC_PAGESIZE);
        std::vector<unsigned char> resident(static_cast<size_t>((size + page - 1) / page));
        if (::mincore(map, static_cast<size_t>(size), resident.data()) == 0) {
            size_t in = 0;
            for (unsigned char r : resident)
                in += r & 1;
            cached = static_cast<double>(in) / static_cast<double>(resident.size());
        }
        ::munmap(map, static_cast<size_t>(size));
    }
    ::close(fd);
    return cached;
}

bool WriteFile(const QString &path, int records)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    RecordFile::Header header;
    for (int s = 0; s < RecorderSlotCount; ++s)
        header.Addresses[static_cast<std::size_t>(s)] = static_cast<std::uint8_t>(s + 1);
    header.SampleTime = 1;
    const auto head = RecordFile::EncodeHeader(header);
    file.write(reinterpret_cast<const char *>(head.data()), RecordFile::HeaderSize);
    QByteArray chunk;
    for (int n = 0; n < records; ++n) {
        for (int s = 0; s < RecorderSlotCount; ++s) {
            int word = static_cast<int>(250 + 50 * s + 80 * std::sin((n + 37 * s) / 300.0)) & 0xFFFF;
            if ((s == 3 && n >= records / 2) || (s == 7 && n >= records * 9 / 10))
                word = DroppedMarker;
            chunk.append(static_cast<char>(word >> 8));
            chunk.append(static_cast<char>(word & 0xFF));
        }
        const int second = n % 86400;
        chunk.append(static_cast<char>(second / 3600));
        chunk.append(static_cast<char>(second / 60 % 60));
        chunk.append(static_cast<char>(second % 60));
        chunk.append(static_cast<char>(n & 0xFF));
        chunk.append('Z');
        if (chunk.size() > (1 << 20)) {
            if (file.write(chunk) != chunk.size())
                return false;
            chunk.clear();
        }
    }
    const bool ok = file.write(chunk) == chunk.size();
    file.close();
    return ok;
}

class QuietView : public ChartView, public ReplayView {
public:
    void ShowValue(int, const QString &) override {}
    void ShowSampleTime(const QString &) override {}
    QString MaxScaleText() const override { return QStringLiteral("100"); }
    QString MinScaleText() const override { return QStringLiteral("0"); }
    void ShowScaleTexts(const QString &, const QString &) override {}
    void ShowAutoScale() override {}
    void ShowReplayState(TReplayState) override {}
    void ShowPositionText(const QString &text) override { Position = text; }
    void ShowTrackPosition(int) override {}
    QString PositionText() const override { return Position; }
    std::array<int, RecorderSlotCount> AddressEdits() const override { return {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}; }
    void ShowFileError() override { ++Errors; }
    void ShowConversionError(const QString &) override { ++Errors; }

    QString Position;
    int Errors = 0;
};

// Draws nothing: for playing a whole file through in reasonable time.
class NullCanvas : public ChartCanvas {
public:
    void FillBox(const QRect &, const QColor &) override {}
    void Line(QPoint, QPoint, const QColor &, int, bool) override {}
    void Text(QPoint, const QString &, const QColor &, Qt::Alignment) override {}
    void ShiftLeft(const QRect &) override {}
    void Done() override {}
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int records = 1'000'000;
    int width = 1280;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--records"))
            records = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--width"))
            width = std::max(MinChartWidth, args[++i].toInt());
    }

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bench.rec"));
    if (!folder.isValid() || !WriteFile(path, records)) {
        std::fprintf(stderr, "cannot write the record file\n");
        return 1;
    }
    std::printf("file: %d records, %.1f MB; chart width %d\n", records, QFile(path).size() / 1e6, width);

    QuietView view;
    auto state = std::make_unique<TRecorderState>();
    auto chartData = std::make_unique<TChartState>();
    VirtualClock clock;

    // Loading and playing the whole file through, one record per tick.
    const double baseline = StatusMb("VmRSS");
    ResetPeak();
    double playMs = 0;
    {
        NullCanvas canvas;
        TrendChart chart(*chartData, *state, canvas, view);
        chart.SetGeometry(GeometryFor(width));
        ClockTimer timer(clock);
        Replayer replay(*state, *chartData, chart, timer, view);
        timer.OnTimer = [&replay] { replay.Timer1Timer(); };
        RecordFile::Header header;
        if (!replay.Load(path, header))
            return 1;
        const double start = NowMs();
        replay.Play();
        while (state->ReplayRunning)
            clock.Advance(Replayer::PlayIntervalMs);
        playMs = NowMs() - start;
    }
    const double replayPeak = StatusMb("VmHWM");
    std::printf("replay: played %d records in %.0f ms; baseline %.1f MB, growth %.1f MB\n", records, playMs, baseline,
                replayPeak - baseline);

    // The real chart from here on.
    TRecdIme box;
    TrendChart chart(*chartData, *state, box, view);
    const ChartGeometry geometry = GeometryFor(width);
    chart.SetGeometry(geometry);
    box.SetBoxSize(QSize(geometry.BoxWidth, geometry.BoxHeight));
    ClockTimer timer(clock);
    Replayer replay(*state, *chartData, chart, timer, view);
    RecordFile::Header header;
    if (!replay.Load(path, header))
        return 1;
    // A typed jump and what it took.
    const auto jump = [&](int record) {
        view.Position = QString::number(record);
        const double begin = NowMs();
        replay.LoopCntKeyUp(true);
        return NowMs() - begin;
    };
    // The first jump pays for what is done once (fonts, the first full
    // chart); the same jump again, from the middle, with the file in the
    // page cache and then with its pages dropped from it, as the first jump
    // after the file was copied in or the machine started.
    const double jumpMs = jump(records);
    const double middleMs = jump(records / 2);
    const double againMs = jump(records);
    jump(records / 2);
    const double cached = DropFromCache(path);
    const double coldMs = jump(records);
    const QString coldness = cached < 0 ? QStringLiteral("the kernel did not say how much stayed: maybe warm")
                                        : QStringLiteral("%1% of it stayed cached: %2")
                                              .arg(cached * 100, 0, 'f', 0)
                                              .arg(cached > 0.5 ? QStringLiteral("warm after all") : QStringLiteral("cold"));
    std::printf("jump: to the last record %.1f ms (the first jump), to the middle %.1f ms, to the last again %.1f ms,"
                " all with the file in the page cache; to the last %.1f ms with the file dropped from the cache (%s)\n",
                jumpMs, middleMs, againMs, coldMs, qPrintable(coldness));

    // Live columns past the full width (each one scrolls) against redraws.
    chart.ClearRing();
    state->DeviceAddress = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    state->DeviceShown.fill(true);
    state->DroppedAt.fill(-1);
    chart.UpdateChartHasCurves();
    const int warm = geometry.ChartWidth + 1;
    const int columns = 3000;
    double columnMs = 0;
    for (int n = 0; n < warm + columns; ++n) {
        const double start = NowMs();
        state->SampleCount = n;
        for (int s = 0; s < RecorderSlotCount; ++s)
            chart.StoreChartValue(s, 250 + 40 * s + static_cast<int>(30 * std::sin(n / 40.0 + s)));
        chart.UpdateChart(n);
        if (n >= warm)
            columnMs += NowMs() - start;
    }
    const int redraws = 50;
    double redrawMs = NowMs();
    for (int i = 0; i < redraws; ++i)
        chart.RedrawChart(warm + columns - 1);
    redrawMs = NowMs() - redrawMs;

    // The export, with its own peak.
    ResetPeak();
    const double before = StatusMb("VmRSS");
    double csvMs = NowMs();
    const CsvExport::Result result = CsvExport::Export(path, folder.filePath(QStringLiteral("bench.csv")));
    csvMs = NowMs() - csvMs;
    const double csvPeak = StatusMb("VmHWM");
    std::printf("csv: %s, %.1f MB written, peak %.1f MB (%.1f MB over the %.1f MB before)\n",
                result == CsvExport::Result::Done ? "done" : "FAILED",
                QFile(folder.filePath(QStringLiteral("bench.csv"))).size() / 1e6, csvPeak, csvPeak - before, before);
    if (view.Errors)
        std::printf("errors: %d\n", view.Errors);

    std::printf("replay-peak-mb: %.1f\n", replayPeak);
    std::printf("replay-growth-mb: %.1f\n", replayPeak - baseline);
    std::printf("replay-jump-ms: %.1f\n", jumpMs);
    std::printf("replay-jump-cold-ms: %.1f\n", coldMs);
    std::printf("chart-column-us: %.1f\n", columnMs * 1000.0 / columns);
    std::printf("chart-redraw-us: %.1f\n", redrawMs * 1000.0 / redraws);
    std::printf("csv-export-s: %.2f\n", csvMs / 1000.0);
    return result == CsvExport::Result::Done ? 0 : 1;
}
