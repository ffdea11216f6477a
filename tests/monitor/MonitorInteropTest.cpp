// The monitor against a Modbus slave we did not write: pymodbus's serial
// server in ASCII on one end of a socat pair of pseudo-terminals, the
// monitor's engine with the program's own serial code on the other, through
// ports/COM1. pymodbus answers the identification function 0x67 with the
// exception 0xE7, which is how a model A controller answers it. Every wait
// polls up to a deadline.
#include "FrameCodec.h"
#include "RealLineMonitor.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");  // the one that sees Debian's pymodbus
const QString Socat = QStringLiteral("/usr/bin/socat");
const QString SlaveScript = QStringLiteral(PYMODBUS_SLAVE);

// A program running beside the test until the test is done with it.
class Background {
public:
    Background(const QString &program, const QStringList &arguments)
    {
        Process.setProcessChannelMode(QProcess::MergedChannels);
        Process.start(program, arguments);
        Started = Process.waitForStarted(10'000);
    }
    ~Background()
    {
        if (Process.state() == QProcess::NotRunning)
            return;
        Process.terminate();
        if (!Process.waitForFinished(15'000)) {
            Process.kill();
            Process.waitForFinished(5'000);
        }
    }
    bool Running() const { return Process.state() == QProcess::Running; }
    std::string Output() { return QString::fromLocal8Bit(Process.readAll()).toStdString(); }
    bool Started = false;

private:
    QProcess Process;
};

bool LinkReady(const QString &path)
{
    const QFileInfo info(path);
    return info.isSymLink() && QFileInfo::exists(info.symLinkTarget());
}

// pymodbus takes a moment to start and drops what came before it opened its
// end: ask for one register until it answers, so that the monitor starts on
// a slave that listens (and its first time-outs are not spent on start-up).
bool SlaveAnswers(const QString &device, int station, int timeoutMs)
{
    QSerialPort port(device);
    port.setBaudRate(9600);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    const QByteArray probe = FrameCodec::BuildRequest(station, 0x03, 0x4700, 1, false).ToByteArray();
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        port.write(probe);
        port.waitForBytesWritten(1000);
        QByteArray reply;
        const QDeadlineTimer answer(1000);
        while (!reply.endsWith('\n') && !answer.hasExpired()) {
            if (port.waitForReadyRead(static_cast<int>(answer.remainingTime())))
                reply += port.readAll();
        }
        if (reply.endsWith('\n'))
            return true;
    }
    return false;
}

class MonitorInterop : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The peers come with the test command's packages; a missing one is
        // a broken set-up, not a reason to skip.
        for (const QString &tool : {Python, Socat})
            ASSERT_TRUE(QFileInfo::exists(tool)) << tool.toStdString() << " is missing: run scripts/bootstrap";
        ASSERT_TRUE(Folder.isValid());
        Previous = QDir::currentPath();
        QDir::setCurrent(Folder.path());
        ASSERT_TRUE(QDir().mkdir(QStringLiteral("ports")));
    }
    void TearDown() override
    {
        Slave.reset();
        Pair.reset();
        if (!Previous.isEmpty())
            QDir::setCurrent(Previous);
    }

    // pymodbus as station 1 in ASCII, holding registers from 0x4700 on, on
    // the far end of the pair whose near end is COM1.
    void StartSlave(const std::vector<int> &registers)
    {
        const QString programEnd = Folder.filePath(QStringLiteral("ports/COM1"));
        const QString slaveEnd = Folder.filePath(QStringLiteral("slave"));
        Pair = std::make_unique<Background>(Socat, QStringList{QStringLiteral("pty,raw,echo=0,link=") + programEnd,
                                                               QStringLiteral("pty,raw,echo=0,link=") + slaveEnd});
        ASSERT_TRUE(Pair->Started);
        ASSERT_TRUE(QTest::qWaitFor([&] { return LinkReady(programEnd) && LinkReady(slaveEnd); }, 20'000))
            << Pair->Output();
        QStringList arguments{SlaveScript, QStringLiteral("--port"), slaveEnd, QStringLiteral("--framer"),
                              QStringLiteral("ascii"), QStringLiteral("--unit"), QStringLiteral("1")};
        for (int value : registers)
            arguments << QString::number(value);
        Slave = std::make_unique<Background>(Python, arguments);
        ASSERT_TRUE(Slave->Started);
        ASSERT_TRUE(SlaveAnswers(programEnd, 1, 30'000)) << Slave->Output();
    }

    QTemporaryDir Folder;
    QString Previous;
    std::unique_ptr<Background> Pair;
    std::unique_ptr<Background> Slave;
};

// The slave's end speaks 8N1: a pseudo-terminal cannot tell 7E1 apart, and
// pyserial cannot set it there.
const TLinkSettings Com1Ascii8N1{1, 9600, 8, 0, 1, false};

TEST_F(MonitorInterop, APymodbusSlaveIsIdentifiedAsModelAAndShowsItsValues)
{
    // Holding registers 0x4700-0x4737 cover every status and page read of a
    // model A; the rest stay 0.
    std::vector<int> registers(0x38, 0);
    registers[0x00] = 251;   // process value 25.1
    registers[0x01] = 1000;  // set value 100.0
    registers[0x10] = 1;     // input type with tenths of a degree
    registers[0x1A] = 1;     // communication write enabled
    registers[0x1D] = 1;     // flag word: no setting changed at the controller
    ASSERT_NO_FATAL_FAILURE(StartSlave(registers));

    RealLineMonitor monitor(Com1Ascii8N1);
    const MonitorEngine &engine = *monitor.Engine;
    monitor.Connect(0, 1);
    ASSERT_TRUE(monitor.Port.Open()) << monitor.Faults.join('|').toStdString();
    const bool shown = QTest::qWaitFor(
        [&] {
            return engine.Slot(0).SlotModel == ModelA && engine.View(0).PvText == QLatin1String("25.1")
                && engine.View(0).SvText == QLatin1String("100.0") && engine.Page().Shown;
        },
        30'000);
    EXPECT_EQ(engine.Slot(0).SlotModel, ModelA);
    EXPECT_EQ(engine.View(0).PvText.toStdString(), "25.1");
    EXPECT_EQ(engine.View(0).SvText.toStdString(), "100.0");
    ASSERT_TRUE(shown) << engine.Message().toStdString() << Slave->Output();
    EXPECT_EQ(engine.Large().PvText, QStringLiteral("25.1"));
    EXPECT_EQ(engine.Page()[Pc::SV].Text, QStringLiteral("100.0"));
    // Every request of the model A cycle was answered as asked.
    EXPECT_EQ(engine.Slot(0).ErrorCount, 0) << engine.Message().toStdString();
    EXPECT_TRUE(monitor.Faults.isEmpty()) << monitor.Faults.join('|').toStdString();
    EXPECT_TRUE(Slave->Running()) << Slave->Output();

    // Cancelled, the slot lets the line go once its last request has ended.
    monitor.Connect(0, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !monitor.Port.Open(); }, 5'000));
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_TRUE(monitor.Faults.isEmpty()) << monitor.Faults.join('|').toStdString();
}

TEST_F(MonitorInterop, ReadsThePeerRefusesAreCountedAndTheCycleGoesOn)
{
    // Only the process and the set value: pymodbus refuses every other read
    // with "illegal address"; the fourth refusal in a row moves the cycle on.
    ASSERT_NO_FATAL_FAILURE(StartSlave({251, 1000}));

    RealLineMonitor monitor(Com1Ascii8N1);
    const MonitorEngine &engine = *monitor.Engine;
    monitor.Connect(0, 1);
    ASSERT_TRUE(monitor.Port.Open()) << monitor.Faults.join('|').toStdString();
    const bool shown = QTest::qWaitFor(
        [&] {
            return engine.View(0).PvText == QLatin1String("25.1") && engine.View(0).SvText == QLatin1String("100.0")
                && engine.Slot(0).ErrorCount >= 8;
        },
        30'000);
    EXPECT_EQ(engine.Slot(0).SlotModel, ModelA);
    EXPECT_EQ(engine.View(0).PvText.toStdString(), "25.1");  // no input type read: tenths as before
    EXPECT_EQ(engine.View(0).SvText.toStdString(), "100.0");
    ASSERT_TRUE(shown) << engine.Message().toStdString() << " errors " << engine.Slot(0).ErrorCount;
    EXPECT_EQ(engine.Message(), QStringLiteral(" Read error : illegal address  !!!"));
    EXPECT_TRUE(engine.MessageRed());
    // Refusals are answers: the slot stays.
    EXPECT_TRUE(engine.Slot(0).SlotConnected);
    EXPECT_EQ(engine.ActiveSlotCount(), 1);
    EXPECT_TRUE(monitor.Faults.isEmpty()) << monitor.Faults.join('|').toStdString();
}

} // namespace
