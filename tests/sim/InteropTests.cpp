// The simulator and the program's own serial code against Modbus peers we
// did not write: mbpoll (an RTU master), pymodbus's serial client (ASCII and
// RTU master) and pymodbus's serial server (a slave), all over
// pseudo-terminals. Every wait has a deadline and polls; nothing sleeps a
// fixed time.
#include "FrameCodec.h"
#include "QtSerialLine.h"
#include "TComPort.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

namespace {

const QString Qmvsim = QStringLiteral(QMVSIM_PATH);
const QString Scripts = QStringLiteral(INTEROP_SCRIPTS);
const QString Python = QStringLiteral("/usr/bin/python3");  // the one that sees Debian's pymodbus
const QString Mbpoll = QStringLiteral("/usr/bin/mbpoll");
const QString Socat = QStringLiteral("/usr/bin/socat");

// Spins the event loop until `done` or the deadline; true when done.
bool SpinUntil(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

bool LinkReady(const QString &path)
{
    const QFileInfo info(path);
    return info.isSymLink() && QFileInfo::exists(info.symLinkTarget());
}

struct RunResult {
    int ExitCode = -1;
    bool Finished = false;
    QString Out;
    QString Err;
};

RunResult RunProgram(const QString &program, const QStringList &arguments, int timeoutMs = 30'000)
{
    QProcess process;
    process.start(program, arguments);
    RunResult run;
    if (!process.waitForStarted(10'000))
        return run;
    run.Finished = process.waitForFinished(timeoutMs);
    if (!run.Finished) {
        process.kill();
        process.waitForFinished(5'000);
    }
    run.ExitCode = process.exitCode();
    run.Out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.Err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// A background program, ended with SIGTERM when the test is done with it.
class Background {
public:
    Background(const QString &program, const QStringList &arguments)
    {
        Process.setProcessChannelMode(QProcess::MergedChannels);
        Process.start(program, arguments);
        Started = Process.waitForStarted(10'000);
    }
    ~Background() { Stop(); }
    bool Stop()
    {
        if (Process.state() == QProcess::NotRunning)
            return Process.exitStatus() == QProcess::NormalExit;
        Process.terminate();
        if (!Process.waitForFinished(15'000)) {
            Process.kill();
            Process.waitForFinished(5'000);
            return false;
        }
        return Process.exitStatus() == QProcess::NormalExit;
    }
    bool Running() const { return Process.state() == QProcess::Running; }
    QString Output() { return QString::fromLocal8Bit(Process.readAll()); }
    bool Started = false;

private:
    QProcess Process;
};

class Interop : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The peers come with the test command's packages; missing ones
        // are a broken set-up, not a reason to skip.
        for (const QString &tool : {Qmvsim, Python, Mbpoll, Socat})
            ASSERT_TRUE(QFileInfo::exists(tool)) << tool.toStdString() << " is missing: run scripts/bootstrap";
        ASSERT_TRUE(Folder.isValid());
    }

    QString Path(const QString &name) const { return Folder.filePath(name); }

    // qmvsim serving the given controllers on a link in the test's folder.
    std::unique_ptr<Background> StartSimulator(const QStringList &controllers, const QString &link)
    {
        QStringList arguments{QStringLiteral("--link"), link};
        for (const QString &c : controllers)
            arguments << QStringLiteral("--controller") << c;
        auto simulator = std::make_unique<Background>(Qmvsim, arguments);
        EXPECT_TRUE(simulator->Started);
        EXPECT_TRUE(SpinUntil([&] { return LinkReady(link) || !simulator->Running(); }, 30'000))
            << simulator->Output().toStdString();
        EXPECT_TRUE(LinkReady(link)) << simulator->Output().toStdString();
        return simulator;
    }

    QTemporaryDir Folder;
};

// mbpoll prints "[18176]: 	250" per register.
std::map<int, int> MbpollValues(const QString &output)
{
    std::map<int, int> values;
    static const QRegularExpression line(QStringLiteral("\\[(\\d+)\\]:\\s+(-?\\d+)"));
    auto it = line.globalMatch(output);
    while (it.hasNext()) {
        const auto m = it.next();
        values[m.captured(1).toInt()] = m.captured(2).toInt();
    }
    return values;
}

QStringList MbpollArgs(const QString &parity, int address, int reg, const QString &port)
{
    return {QStringLiteral("-m"), QStringLiteral("rtu"), QStringLiteral("-a"), QString::number(address),
            QStringLiteral("-b"), QStringLiteral("19200"), QStringLiteral("-P"), parity,
            QStringLiteral("-r"), QString::number(reg), QStringLiteral("-0"), QStringLiteral("-o"),
            QStringLiteral("0.5"), port};
}

TEST_F(Interop, MbpollReadsProcessAndSetValueOverRtu)
{
    const QString link = Path(QStringLiteral("x"));
    auto sim = StartSimulator({QStringLiteral("address=2,model=B,baud=19200,data=8,parity=odd,format=rtu")}, link);
    QStringList args = MbpollArgs(QStringLiteral("odd"), 2, 0x4700, link);
    args << QStringLiteral("-c") << QStringLiteral("2") << QStringLiteral("-1");
    const RunResult run = RunProgram(Mbpoll, args);
    ASSERT_EQ(run.ExitCode, 0) << run.Out.toStdString() << run.Err.toStdString();
    const auto values = MbpollValues(run.Out);
    ASSERT_EQ(values.size(), 2u) << run.Out.toStdString();
    EXPECT_GE(values.at(0x4700), 240);  // warming up from 25.0 towards 150.0
    EXPECT_LE(values.at(0x4700), 1510);
    EXPECT_EQ(values.at(0x4701), 1500);
}

TEST_F(Interop, MbpollWritesASetValueAndReadsItBack)
{
    const QString link = Path(QStringLiteral("COM1"));
    auto sim = StartSimulator({QStringLiteral("address=9,model=C,baud=19200,data=8,parity=even,format=rtu")}, link);
    QStringList write = MbpollArgs(QStringLiteral("even"), 9, 0x4701, link);
    write << QStringLiteral("777");
    const RunResult written = RunProgram(Mbpoll, write);
    ASSERT_EQ(written.ExitCode, 0) << written.Out.toStdString() << written.Err.toStdString();
    QStringList read = MbpollArgs(QStringLiteral("even"), 9, 0x4701, link);
    read << QStringLiteral("-1");
    const RunResult run = RunProgram(Mbpoll, read);
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(MbpollValues(run.Out), (std::map<int, int>{{0x4701, 777}}));
}

TEST_F(Interop, MbpollGetsNoAnswerOnOtherSettingsOrAddressesAndAnExceptionForUnknownRegisters)
{
    const QString link = Path(QStringLiteral("COM2"));
    auto sim = StartSimulator({QStringLiteral("address=2,model=B,baud=19200,data=8,parity=odd,format=rtu")}, link);
    struct Case {
        QString Parity;
        int Address;
        int Reg;
    };
    for (const Case &c : {Case{QStringLiteral("even"), 2, 0x4700}, Case{QStringLiteral("odd"), 3, 0x4700},
                          Case{QStringLiteral("odd"), 2, 0x4739}}) {
        QStringList args = MbpollArgs(c.Parity, c.Address, c.Reg, link);
        args << QStringLiteral("-1");
        const RunResult run = RunProgram(Mbpoll, args);
        EXPECT_NE(run.ExitCode, 0) << run.Out.toStdString();
        EXPECT_TRUE(MbpollValues(run.Out).empty()) << run.Out.toStdString();
        const QLatin1String expected(c.Reg == 0x4739 ? "Illegal data address" : "timed out");
        EXPECT_TRUE(run.Err.contains(expected, Qt::CaseInsensitive)) << run.Err.toStdString();
    }
}

// pymodbus's client, ASCII and RTU, against controllers of both formats on
// one line at 8N1 (pyserial sets nothing else on a pseudo-terminal).
TEST_F(Interop, PymodbusMasterReadsAndWritesInBothFormats)
{
    const QString link = Path(QStringLiteral("COM3"));
    auto sim = StartSimulator({QStringLiteral("address=5,model=C,data=8,parity=none,format=ascii"),
                               QStringLiteral("address=7,model=A,parity=none,format=rtu")},
                              link);
    struct Case {
        QString Framer;
        int Unit;
        int SetValue;  // factory set value before the write
    };
    for (const Case &c : {Case{QStringLiteral("ascii"), 5, 800}, Case{QStringLiteral("rtu"), 7, 1000}}) {
        const RunResult run = RunProgram(Python, {Scripts + QStringLiteral("/pymodbus_master.py"), QStringLiteral("--port"), link,
                                            QStringLiteral("--framer"), c.Framer, QStringLiteral("--unit"),
                                            QString::number(c.Unit)});
        ASSERT_EQ(run.ExitCode, 0) << run.Out.toStdString() << run.Err.toStdString();
        const QJsonObject result = QJsonDocument::fromJson(run.Out.trimmed().toUtf8()).object();
        SCOPED_TRACE(run.Out.toStdString());
        ASSERT_TRUE(result.value(QStringLiteral("read")).isArray());
        EXPECT_EQ(result.value(QStringLiteral("read")).toArray().at(1).toInt(), c.SetValue);
        EXPECT_TRUE(result.value(QStringLiteral("write")).toBool());
        EXPECT_EQ(result.value(QStringLiteral("readback")).toArray().at(0).toInt(), 777);
        EXPECT_EQ(result.value(QStringLiteral("unknown")).toInt(), 2);
    }
}

// The program's serial port on a real device path, collecting one reply.
struct ProgramPort {
    explicit ProgramPort(const QString &device)
        : Port(DefaultClock(), [device](int) -> std::unique_ptr<SerialLine> { return std::make_unique<QtSerialLine>(device); })
    {
        Port.SetComNumber(1);
        Port.OnTrigger = [this](TComPort &port, std::uint16_t message, std::uint16_t, std::uint16_t) {
            if (message != TComPort::TriggerAvail)
                return;
            while (port.Waiting() > 0)
                Reply.append(static_cast<char>(port.GetChar()));
        };
    }
    void Configure(int baud, int dataBits, TParity parity, int stopBits)
    {
        Port.SetBaud(baud);
        Port.SetDatabits(dataBits);
        Port.SetParity(parity);
        Port.SetStopbits(stopBits);
        Port.SetOpen(true);
    }
    // One read of `count` registers; the monitor's verdict, or a time-out.
    FrameCodec::MonitorVerdict Read(int station, int reg, int count, bool rtu, int timeoutMs)
    {
        Reply.clear();
        Port.PutBlock(FrameCodec::BuildRequest(station, 0x03, reg, count, rtu).ToByteArray());
        const qsizetype expected = rtu ? 2 * count + 5 : 4 * count + 11;
        SpinUntil([&] { return Reply.size() >= expected; }, timeoutMs);
        return FrameCodec::CheckMonitorReply(reinterpret_cast<const std::uint8_t *>(Reply.constData()),
                                             static_cast<int>(Reply.size()), station, rtu, false);
    }
    TComPort Port;
    QByteArray Reply;
};

TEST_F(Interop, TheProgramsPortReadsTheSimulatorAndFollowsItsParity)
{
    const QString link = Path(QStringLiteral("COM4"));
    auto sim = StartSimulator({QStringLiteral("address=1,model=A")}, link);  // 9600 7E1 ASCII
    ProgramPort program(link);
    program.Configure(9600, 7, pEven, 1);
    auto verdict = program.Read(1, 0x4700, 2, false, 5'000);
    EXPECT_EQ(verdict.Status, FrameCodec::StatusOk) << program.Reply.toStdString();
    ASSERT_EQ(verdict.Words.size(), 2u);
    EXPECT_EQ(verdict.Words[1], 1000);
    // Odd parity is what a pseudo-terminal shows: this controller keeps quiet.
    program.Port.SetParity(pOdd);
    verdict = program.Read(1, 0x4700, 2, false, 1'500);
    EXPECT_TRUE(program.Reply.isEmpty()) << program.Reply.toStdString();
    program.Port.SetParity(pEven);
    verdict = program.Read(1, 0x4701, 1, false, 5'000);
    EXPECT_EQ(verdict.Status, FrameCodec::StatusOk);
    EXPECT_EQ(verdict.Words, std::vector<int>{1000});
}

// pymodbus's server as the slave, the program's port and codec as master,
// on a pair of linked pseudo-terminals.
TEST_F(Interop, TheProgramsPortReadsAPymodbusSlave)
{
    for (const QString &framer : {QStringLiteral("ascii"), QStringLiteral("rtu")}) {
        SCOPED_TRACE(framer.toStdString());
        const QString slaveEnd = Path(QStringLiteral("slave-") + framer);
        const QString masterEnd = Path(QStringLiteral("master-") + framer);
        Background pair(Socat, {QStringLiteral("pty,raw,echo=0,link=") + slaveEnd,
                                QStringLiteral("pty,raw,echo=0,link=") + masterEnd});
        ASSERT_TRUE(SpinUntil([&] { return LinkReady(slaveEnd) && LinkReady(masterEnd); }, 20'000));
        Background slave(Python, {Scripts + QStringLiteral("/pymodbus_slave.py"), QStringLiteral("--port"), slaveEnd,
                                  QStringLiteral("--framer"), framer, QStringLiteral("--unit"), QStringLiteral("3"),
                                  QStringLiteral("251"), QStringLiteral("1000"), QStringLiteral("-35")});
        ASSERT_TRUE(slave.Started);
        ProgramPort program(masterEnd);
        program.Configure(9600, 8, pNone, 1);
        const bool rtu = framer == QLatin1String("rtu");
        // The slave needs a moment to open its end: ask until it answers.
        FrameCodec::MonitorVerdict verdict;
        QDeadlineTimer deadline(30'000);
        do {
            verdict = program.Read(3, 0x4700, 3, rtu, 1'000);
        } while (verdict.Status != FrameCodec::StatusOk && !deadline.hasExpired() && slave.Running());
        EXPECT_EQ(verdict.Status, FrameCodec::StatusOk) << slave.Output().toStdString();
        EXPECT_EQ(verdict.Words, (std::vector<int>{251, 1000, 0xFFDD}));
        program.Port.SetOpen(false);
    }
}

TEST_F(Interop, SimulatorExplainsItselfAndNamesABadField)
{
    const RunResult help = RunProgram(Qmvsim, {QStringLiteral("--help")});
    EXPECT_EQ(help.ExitCode, 0);
    for (const char *word : {"--link", "--controller", "--fault", "--log", "format=ascii", "SIGTERM"})
        EXPECT_TRUE(help.Out.contains(QLatin1String(word))) << word;
    struct Case {
        const char *Config;
        const char *Field;
    };
    for (const Case &c : {Case{"address=300,model=B", "address"}, Case{"address=2,model=Q", "model"},
                          Case{"address=2,model=B,baud=1200", "baud"}, Case{"address=2,model=B,parity=x", "parity"},
                          Case{"address=2,model=B,colour=red", "colour"}}) {
        const RunResult run = RunProgram(Qmvsim, {QStringLiteral("--link"), Path(QStringLiteral("never")),
                                            QStringLiteral("--controller"), QString::fromLatin1(c.Config)});
        EXPECT_EQ(run.ExitCode, 2) << c.Config;
        EXPECT_TRUE(run.Err.contains(QLatin1String(c.Field))) << run.Err.toStdString();
        EXPECT_FALSE(QFileInfo(Path(QStringLiteral("never"))).isSymLink());
    }
}

TEST_F(Interop, SimulatorRemovesItsLinkWhenStopped)
{
    const QString link = Path(QStringLiteral("ports/COM7"));  // the folder is made as needed
    auto sim = StartSimulator({QStringLiteral("address=1,model=B")}, link);
    EXPECT_TRUE(sim->Stop());
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

} // namespace
