// qmvctl as a user runs it: the program itself, started as a process, on a
// simulated bus served over a pseudo-terminal (ports/COM1 in a temporary
// working folder) by this test, which can look into the controllers; and
// against pymodbus's serial server acting as a model A. Files are checked
// with the program's own readers; MQTT with Debian's broker and client.
#include "ControllerArgs.h"
#include "CsvExport.h"
#include "ParameterFile.h"
#include "PtyLink.h"
#include "RampFile.h"
#include "RecordFile.h"
#include "SimBus.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>

namespace {

// Runs the event loop (and so the simulated bus) until `done` holds; unlike
// QTest::qWaitFor it does not sleep between events, so that the bus answers
// at once.
bool WaitUntil(const std::function<bool()> &done, int limitMs)
{
    QDeadlineTimer deadline(limitMs);
    QTimer wake;
    wake.start(20);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

struct Result {
    int Status = -1;
    QString Out;
    QString Err;
};

std::string Show(const Result &r)
{
    return QStringLiteral("status %1\n--- stdout\n%2--- stderr\n%3").arg(r.Status).arg(r.Out, r.Err).toStdString();
}

// A program beside the test; it ends with the test.
class Beside {
public:
    Beside(const QString &program, const QStringList &arguments)
    {
        Process.setProcessChannelMode(QProcess::MergedChannels);
        Process.start(program, arguments);
        Started = Process.waitForStarted(10'000);
    }
    ~Beside() { Stop(); }
    void Stop()
    {
        if (Process.state() == QProcess::NotRunning)
            return;
        Process.terminate();
        if (!QTest::qWaitFor([this] { return Process.state() == QProcess::NotRunning; }, 10'000))
            Process.kill();
        Process.waitForFinished(5'000);
    }
    QString Output() { return QString::fromLocal8Bit(Process.readAll()); }
    bool Started = false;
    QProcess Process;
};

// A working folder with the simulated bus on ports/COM1, served by this
// process while qmvctl runs.
class Qmvctl : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        Previous = QDir::currentPath();
        QDir::setCurrent(Folder.path());
        ASSERT_TRUE(QDir().mkdir(QStringLiteral("ports")));
    }
    void TearDown() override
    {
        Link.reset();
        QDir::setCurrent(Previous);
    }

    SimController &Add(const QString &fields)
    {
        QString error;
        const std::optional<ControllerSetup> setup = ParseControllerArgument(fields, error);
        EXPECT_TRUE(setup) << error.toStdString();
        SimController &controller = Bus.Add(setup->Config);
        ApplySetup(controller, *setup);
        controller.SetNoise(false);
        return controller;
    }
    void Serve() { Link = std::make_unique<PtyLink>(Bus, Path(QStringLiteral("ports/COM1"))); }

    // Runs qmvctl to its end; `during` is called once it runs.
    Result Run(const QStringList &arguments, const std::function<void(QProcess &)> &during = {}, int limitMs = 120'000)
    {
        QProcess process;
        process.start(QStringLiteral(QMV_QMVCTL_PATH), arguments);
        EXPECT_TRUE(process.waitForStarted(10'000));
        if (during)
            during(process);
        const bool ended = WaitUntil([&] { return process.state() == QProcess::NotRunning; }, limitMs);
        if (!ended) {
            process.kill();
            process.waitForFinished(5'000);
        }
        Result r;
        r.Status = ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.Out = QString::fromLocal8Bit(process.readAllStandardOutput());
        r.Err = QString::fromLocal8Bit(process.readAllStandardError());
        return r;
    }

    QString Path(const QString &name) const { return Folder.filePath(name); }
    QByteArray Read(const QString &name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir Folder;
    QString Previous;
    SimBus Bus{DefaultClock()};
    std::unique_ptr<PtyLink> Link;
};

QJsonObject Json(const Result &r)
{
    return QJsonDocument::fromJson(r.Out.toUtf8()).object();
}

QJsonValue Parameter(const QJsonObject &read, const QString &name)
{
    for (const QJsonValue &p : read.value(QStringLiteral("parameters")).toArray()) {
        if (p.toObject().value(QStringLiteral("name")).toString() == name)
            return p.toObject().value(QStringLiteral("value"));
    }
    return QJsonValue::Undefined;
}

const QStringList Rtu38400{QStringLiteral("--baud"), QStringLiteral("38400"), QStringLiteral("--format"),
                           QStringLiteral("rtu"), QStringLiteral("--parity"), QStringLiteral("even")};

TEST_F(Qmvctl, ScanFindsTheDemoBus)
{
    Add(QStringLiteral("address=1,model=A"));
    Add(QStringLiteral("address=3,model=C"));
    Add(QStringLiteral("address=17,model=B,baud=19200,data=8,parity=even,format=rtu"));
    Serve();
    const Result r = Run({"scan", "--port", "COM1", "--addresses", "1-17", "--baud", "9600,19200", "--data", "8",
                          "--parity", "even", "--stop", "1"});
    ASSERT_EQ(r.Status, 0) << Show(r);
    EXPECT_EQ(r.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              (QStringList{"  1  01H  9600,8,E,1,ASCII", "  3  03H  9600,8,E,1,ASCII", " 17  11H  19200,8,E,1,RTU"}))
        << Show(r);

    const Result none = Run({"scan", "--port", "COM1", "--addresses", "4-6", "--baud", "9600", "--data", "8",
                             "--parity", "even", "--stop", "1", "--format", "ascii"});
    EXPECT_EQ(none.Status, 1) << Show(none);
    EXPECT_EQ(none.Err, QStringLiteral("qmvctl: no controller answered on COM1\n"));
}

TEST_F(Qmvctl, ReadShowsEachModelAsItsPageDoes)
{
    SimController &a = Add(QStringLiteral("address=1,model=A,sv=100.0"));
    SimController &b = Add(QStringLiteral("address=2,model=B,sv=-12.5"));
    SimController &c = Add(QStringLiteral("address=3,model=C,sv=80.0"));
    Serve();
    struct Case {
        int Address;
        SimController *Controller;
        const char *Model;
        double Sv;
    };
    const Case cases[] = {{1, &a, "A", 100}, {2, &b, "B", -12.5}, {3, &c, "C", 80}};
    for (const Case &k : cases) {
        // Still, for as long as the test looks.
        k.Controller->SetTimeConstantMs(2'000'000'000);
        k.Controller->SetProcessValue(251);
        const Result r = Run({"read", "--port", "COM1", "--address", QString::number(k.Address), "--json"});
        ASSERT_EQ(r.Status, 0) << Show(r);
        const QJsonObject read = Json(r);
        EXPECT_EQ(read.value("model").toString(), QLatin1String(k.Model)) << k.Address;
        EXPECT_EQ(read.value("sv").toDouble(), k.Sv) << Show(r);
        EXPECT_NEAR(read.value("pv").toDouble(), k.Address == 1 ? 25 : 25.1, 0.15) << Show(r);
        EXPECT_EQ(Parameter(read, "SV").toDouble(), k.Sv);
    }
    // The text form names each parameter with its page caption, scaled as
    // the page of its model shows it.
    const Result textA = Run({"read", "--port", "COM1", "--address", "1", "RangeHi"});
    EXPECT_TRUE(textA.Out.endsWith("\nRangeHi        Range Hi           600\n")) << Show(textA);
    const Result textB = Run({"read", "--port", "COM1", "--address", "2", "RangeHi", "CtrlSet"});
    EXPECT_TRUE(textB.Out.endsWith("\nRangeHi        Range Hi           600.0\nCtrlSet        Ctrl. Method       PID\n"))
        << Show(textB);
}

TEST_F(Qmvctl, WriteReachesTheControllerAndARefusedValueSendsNothing)
{
    SimController &b = Add(QStringLiteral("address=2,model=B"));
    Serve();
    const Result r = Run({"write", "--port", "COM1", "--address", "2", "SV=123.4", "PVTune=-5.0", "CtrlSet=ON-OFF"});
    ASSERT_EQ(r.Status, 0) << Show(r);
    EXPECT_EQ(r.Out, QStringLiteral("SV = 123.4\nPVTune = - 5.0\nCtrlSet = ON-OFF\n"));
    EXPECT_EQ(b.Peek(0x4701), 1234);
    EXPECT_EQ(b.Peek(0x471D), 0xFFCE);  // after its unlock write
    EXPECT_EQ(b.Peek(0x4719), 1);

    // One value out of range refuses the whole command before anything is
    // written; the controller is read, never written.
    struct Case {
        QStringList Assignments;
        QString Err;
    };
    const Case refused[] = {
        {{"SV=50.0", "RangeHi=99999"}, "qmvctl: RangeHi: \"99999\" is not a number from -3276.8 to 3276.7\n"},
        {{"SV=50.0", "RunStop=Maybe"}, "qmvctl: RunStop: \"Maybe\" is none of Stop, Run, Stop Program, Hold Program\n"},
        {{"SV=50.0", "InputA=1"}, "qmvctl: InputA: not a parameter of this model B\n"},
    };
    for (const Case &k : refused) {
        const Result no = Run(QStringList{"write", "--port", "COM1", "--address", "2"} + k.Assignments);
        EXPECT_EQ(no.Status, 1) << Show(no);
        EXPECT_EQ(no.Err, k.Err);
        EXPECT_EQ(b.Peek(0x4701), 1234);
    }
    b.SetComWriteEnabled(false);
    const Result disabled = Run({"write", "--port", "COM1", "--address", "2", "SV=50.0"});
    EXPECT_EQ(disabled.Status, 1);
    EXPECT_EQ(disabled.Err, QStringLiteral("qmvctl: address 2: Please enable COM write function first (write ComWrite=Enable)\n"));
    EXPECT_EQ(b.Peek(0x4701), 1234);
}

TEST_F(Qmvctl, BackupRestoresIntoAnotherControllerAndAWindowFileRestores)
{
    SimController &source = Add(QStringLiteral("address=5,model=B,baud=38400,data=8,format=rtu"));
    SimController &target = Add(QStringLiteral("address=6,model=B,baud=38400,data=8,format=rtu"));
    source.Poke(0x4701, 777);
    source.Poke(0x4704, 5000);
    Serve();
    const Result backup = Run(QStringList{"backup", "--port", "COM1", "--address", "5", "--out", "five.par"} + Rtu38400);
    ASSERT_EQ(backup.Status, 0) << Show(backup);
    EXPECT_EQ(backup.Out, QStringLiteral("QMB V1.10 parameters successful upload into buffer\nSaved to five.par\n"));
    const Result restore = Run(QStringList{"restore", "--port", "COM1", "--address", "6", "five.par"} + Rtu38400);
    ASSERT_EQ(restore.Status, 0) << Show(restore);
    EXPECT_EQ(restore.Out, QStringLiteral("92 parameters written to address 6\n"));
    EXPECT_EQ(target.ParameterBlock(), source.ParameterBlock());
    EXPECT_EQ(target.Peek(0x4701), 777);

    // A file as the monitor window saves its buffer restores the same way,
    // and reads back byte for byte.
    ParameterImage image;
    source.Poke(0x4701, 321);
    const auto block = source.ParameterBlock();
    std::copy(block.begin(), block.end(), image.Bytes.begin());
    image.SetOrigin('B', 0x0110);
    ASSERT_TRUE(SaveParameterFile(Path("window.par"), image));
    ASSERT_EQ(Run(QStringList{"restore", "--port", "COM1", "--address", "6", "window.par"} + Rtu38400).Status, 0);
    ASSERT_EQ(Run(QStringList{"backup", "--port", "COM1", "--address", "6", "--out", "six.par"} + Rtu38400).Status, 0);
    EXPECT_EQ(Read("six.par"), Read("window.par"));

    const Result bad = Run(QStringList{"restore", "--port", "COM1", "--address", "6", "QmvctlTest.missing"} + Rtu38400);
    EXPECT_EQ(bad.Status, 1);
    EXPECT_EQ(bad.Err, QStringLiteral("qmvctl: QmvctlTest.missing: File data length or content error !\n"));
}

TEST_F(Qmvctl, RampProgramsGoRoundTrip)
{
    SimController &source = Add(QStringLiteral("address=5,model=B,baud=38400,data=8,format=rtu"));
    SimController &target = Add(QStringLiteral("address=6,model=C,baud=38400,data=8,format=rtu"));
    source.SetRampByte(5, 0x42);  // unlike the target's
    ASSERT_NE(source.RampBlock(), target.RampBlock());
    Serve();
    const Result read = Run(QStringList{"ramp", "read", "--port", "COM1", "--address", "5", "five.r$s"} + Rtu38400);
    ASSERT_EQ(read.Status, 0) << Show(read);
    RampSoakProgram program;
    RampImage image{};
    ASSERT_TRUE(LoadRampFile(Path("five.r$s"), program, image));
    const Result write = Run(QStringList{"ramp", "write", "--port", "COM1", "--address", "6", "five.r$s"} + Rtu38400);
    ASSERT_EQ(write.Status, 0) << Show(write);
    EXPECT_EQ(write.Out, QStringLiteral("Ramp soak program written to address 6\n"));
    EXPECT_EQ(target.RampBlock(), source.RampBlock());
    ASSERT_EQ(Run(QStringList{"ramp", "read", "--port", "COM1", "--address", "6", "six.r$s"} + Rtu38400).Status, 0);
    EXPECT_EQ(Read("six.r$s"), Read("five.r$s"));
}

// The record file and the CSV a recording left: the CSV is exactly what the
// recorder's export makes of the record file.
int CheckRecording(const QString &recordPath, const QString &csvPath, const QString &exportPath)
{
    int rows = 0;
    EXPECT_EQ(CsvExport::Export(recordPath, exportPath, &rows), CsvExport::Result::Done);
    QFile live(csvPath), exported(exportPath);
    EXPECT_TRUE(live.open(QIODevice::ReadOnly) && exported.open(QIODevice::ReadOnly));
    EXPECT_EQ(live.readAll(), exported.readAll());
    return rows;
}

TEST_F(Qmvctl, RecordKeepsEveryFinishedSampleWhenAControllerDropsAndWhenStopped)
{
    Add(QStringLiteral("address=1,model=A"));
    SimController &b = Add(QStringLiteral("address=2,model=B"));
    QString error;
    const std::optional<FaultSetup> silence = ParseFaultArgument(QStringLiteral("address=2,kind=silence,after=4"), error);
    ASSERT_TRUE(silence) << error.toStdString();
    ApplyFault(b, *silence);
    Serve();
    const Result r = Run({"record", "--port", "COM1", "--addresses", "1,2", "--interval", "0.5", "--csv", "r.csv",
                          "--rec", "r.rec"},
                         [](QProcess &p) {
                             QTest::qWait(7'000);
                             p.terminate();  // SIGTERM
                         });
    ASSERT_EQ(r.Status, 0) << Show(r);
    EXPECT_TRUE(r.Err.contains("qmvctl: address 2 dropped after 3 failed reads (Received data time out error)\n"))
        << Show(r);
    const int rows = CheckRecording(Path("r.rec"), Path("r.csv"), Path("export.csv"));
    EXPECT_GE(rows, 6);
    EXPECT_TRUE(r.Err.endsWith(QStringLiteral("qmvctl: %1 samples recorded\n").arg(rows))) << Show(r);
    const QStringList lines = QString::fromLatin1(Read("r.csv")).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), rows + 1);
    EXPECT_EQ(lines.first(), QStringLiteral("Time,1,2"));
    // Four answers of address 2, then Err for it to the end; address 1 goes on.
    for (int row = 1; row <= rows; ++row)
        EXPECT_EQ(lines[row].endsWith(QStringLiteral(",Err")), row > 4) << lines[row].toStdString();
    RecordFile::RecordReader reader;
    ASSERT_TRUE(reader.Open(Path("r.rec")));
    EXPECT_EQ(reader.FileHeader().Addresses[0], 1);
    EXPECT_EQ(reader.FileHeader().Addresses[1], 2);
    EXPECT_EQ(reader.FileHeader().SampleTime, 0);
}

// A loopback port nobody listens on now.
int FreePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

class Broker {
public:
    explicit Broker(const QString &folder) : Port(FreePort()), Config(folder + QStringLiteral("/mosquitto.conf"))
    {
        QFile file(Config);
        if (file.open(QIODevice::WriteOnly))
            file.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n").arg(Port).toLatin1());
    }
    // The broker, and a client that prints every message of the topics.
    bool Start()
    {
        Server = std::make_unique<Beside>(QStringLiteral("/usr/sbin/mosquitto"), QStringList{"-c", Config});
        return Server->Started && QTest::qWaitFor([this] { return Listening(); }, 10'000);
    }
    bool Subscribe(const QString &topic)
    {
        Client = std::make_unique<Beside>(QStringLiteral("/usr/bin/mosquitto_sub"),
                                          QStringList{"-h", "127.0.0.1", "-p", QString::number(Port), "-t", topic, "-q", "1", "-v"});
        QTest::qWait(500);
        return Client->Started;
    }
    bool Listening() const
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(Port));
        const bool up = ::connect(s, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        ::close(s);
        return up;
    }
    QString Url(const QString &prefix) const { return QStringLiteral("mqtt://127.0.0.1:%1/%2").arg(Port).arg(prefix); }

    int Port;
    QString Config;
    std::unique_ptr<Beside> Server;
    std::unique_ptr<Beside> Client;
};

TEST_F(Qmvctl, EverySampleArrivesAtTheBroker)
{
    Add(QStringLiteral("address=1,model=A"));
    Add(QStringLiteral("address=2,model=B"));
    Serve();
    Broker broker(Folder.path());
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(broker.Subscribe(QStringLiteral("plant/#")));
    const Result r = Run({"record", "--port", "COM1", "--addresses", "1,2", "--interval", "0.5", "--duration", "4",
                          "--csv", "m.csv", "--mqtt", broker.Url("plant/line1")});
    ASSERT_EQ(r.Status, 0) << Show(r);
    QTest::qWait(500);
    broker.Client->Stop();
    const QStringList messages = broker.Client->Output().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList rows = QString::fromLatin1(Read("m.csv")).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(1);
    ASSERT_GE(rows.size(), 6) << Show(r);
    ASSERT_EQ(messages.size(), 2 * rows.size()) << messages.join('\n').toStdString();
    // In order, per sample the controllers in turn, each with the CSV's value.
    for (int i = 0; i < messages.size(); ++i) {
        const int address = 1 + i % 2;
        const QString topic = QStringLiteral("plant/line1/%1 ").arg(address);
        ASSERT_TRUE(messages[i].startsWith(topic)) << messages[i].toStdString();
        const QJsonObject m = QJsonDocument::fromJson(messages[i].mid(topic.size()).toUtf8()).object();
        EXPECT_EQ(m.value("address").toInt(), address);
        EXPECT_EQ(m.value("value").toDouble(), rows[i / 2].section(QLatin1Char(','), address, address).toDouble());
        EXPECT_TRUE(m.value("fault").isNull());
        EXPECT_TRUE(QDateTime::fromString(m.value("time").toString(), Qt::ISODateWithMs).isValid());
    }
}

TEST_F(Qmvctl, StoppingTheBrokerMidRecordLosesNoLocalSample)
{
    Add(QStringLiteral("address=1,model=A"));
    Serve();
    Broker broker(Folder.path());
    ASSERT_TRUE(broker.Start());
    const Result r = Run({"record", "--port", "COM1", "--addresses", "1", "--interval", "0.5", "--duration", "6",
                          "--csv", "m.csv", "--rec", "m.rec", "--mqtt", broker.Url("plant")},
                         [&broker](QProcess &) {
                             QTest::qWait(2'000);
                             broker.Server->Stop();
                         });
    ASSERT_EQ(r.Status, 0) << Show(r);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("MQTT broker 127.0.0.1:%1 lost; trying again").arg(broker.Port))) << Show(r);
    // A sample every half second for six seconds, none missing.
    const int rows = CheckRecording(Path("m.rec"), Path("m.csv"), Path("export.csv"));
    EXPECT_GE(rows, 10) << Show(r);
}

TEST_F(Qmvctl, APymodbusSlaveReadsAsAModelA)
{
    const QString programEnd = Path("ports/COM1");
    const QString slaveEnd = Path("slave");
    Beside pair(QStringLiteral("/usr/bin/socat"), {"pty,raw,echo=0,link=" + programEnd, "pty,raw,echo=0,link=" + slaveEnd});
    ASSERT_TRUE(pair.Started);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(programEnd) && QFileInfo::exists(slaveEnd); }, 20'000));
    // Registers 0x4700 on: process value 25.1, set value 100.0, input type
    // with tenths, communication write enabled, nothing changed at the panel.
    std::vector<int> registers(0x38, 0);
    registers[0x00] = 251;
    registers[0x01] = 1000;
    registers[0x10] = 1;
    registers[0x1A] = 1;
    registers[0x1D] = 1;
    QStringList arguments{QStringLiteral(PYMODBUS_SLAVE), "--port", slaveEnd, "--framer", "ascii", "--unit", "1"};
    for (int value : registers)
        arguments << QString::number(value);
    Beside slave(QStringLiteral("/usr/bin/python3"), arguments);
    ASSERT_TRUE(slave.Started);
    // pymodbus takes a while to listen: read until it answers.
    Result r;
    for (int attempt = 0; attempt < 10 && r.Status != 0; ++attempt)
        r = Run({"read", "--port", "COM1", "--address", "1", "--data", "8", "--parity", "none", "--json"});
    ASSERT_EQ(r.Status, 0) << Show(r) << slave.Output().toStdString();
    const QJsonObject read = Json(r);
    EXPECT_EQ(read.value("model").toString(), QStringLiteral("A"));
    EXPECT_EQ(read.value("pv").toDouble(), 25.1);
    EXPECT_EQ(read.value("sv").toDouble(), 100.0);
    EXPECT_EQ(Parameter(read, "ComWrite").toString(), QStringLiteral("Enable"));
}

TEST_F(Qmvctl, EveryFailureIsOneLineAndAStatus)
{
    Add(QStringLiteral("address=1,model=A"));
    Serve();
    QFile bad(Path("bad.par"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly) && bad.write("short") == 5);
    bad.close();
    struct Case {
        QStringList Arguments;
        int Status;
        QString Err;
    };
    const Case cases[] = {
        {{"read", "--port", "/dev/qmvctl-no-such-port"}, 1,
         "qmvctl: /dev/qmvctl-no-such-port: ie_BadId - Specified comport doesn't exist"},
        {{"read", "--port", "COM50"}, 1, "qmvctl: COM50: ie_BadId - Specified comport doesn't exist"},
        {{"read", "--port", "COM1", "--address", "9"}, 1, "qmvctl: address 9 does not answer: Received data time out error"},
        {{"restore", "--port", "COM1", "--address", "1", "bad.par"}, 1,
         "qmvctl: bad.par: File data length or content error !"},
        {{"restore", "--port", "COM1", "--address", "1", "--all", "bad.par"}, 2,
         "qmvctl: --all writes every controller on the line at once: give --yes as well"},
        {{"write", "--port", "COM1", "--address", "1", "Nothing=1"}, 2,
         "qmvctl: no parameter \"Nothing\" (qmvctl read lists them)"},
        {{"record", "--port", "COM1", "--addresses", "1", "--mqtt", "http://x/y"}, 2,
         "qmvctl: --mqtt: \"http://x/y\" is not mqtt://HOST[:PORT]/TOPIC-PREFIX"},
        {{"frobnicate"}, 2, "qmvctl: no command \"frobnicate\" (see qmvctl --help)"},
    };
    for (const Case &k : cases) {
        const Result r = Run(k.Arguments);
        EXPECT_EQ(r.Status, k.Status) << Show(r);
        EXPECT_EQ(r.Err, k.Err + QLatin1Char('\n')) << Show(r);
        EXPECT_TRUE(r.Out.isEmpty()) << Show(r);
    }
}

} // namespace
