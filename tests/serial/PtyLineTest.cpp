// The real QSerialPort line and the port directory over pseudo-terminals.
#include "ErrorReport.h"
#include "EventClock.h"
#include "PortDirectory.h"
#include "Pty.h"
#include "QtSerialLine.h"
#include "TComPort.h"

#include <QTest>

#include <cerrno>

#include <gtest/gtest.h>

namespace {

QString OpenError(TComPort &port)
{
    try {
        port.SetOpen(true);
    } catch (const ComError &e) {
        return e.Text();
    }
    return QString();
}

class PtyLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Line.Valid());
        ASSERT_TRUE(Folder.Link(1, Line.SlavePath));
        Port.SetComNumber(1);
        Port.SetBaud(19200);
        Port.SetDatabits(8);
        Port.SetStopbits(2);
        Port.SetParity(pOdd);
        Port.OnTrigger = [this](TComPort &port, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
            if (message == TComPort::TriggerAvail) {
                for (int i = 0; i < argument; ++i)
                    Received += static_cast<char>(port.GetChar());
            } else if (message == TComPort::TriggerTimer) {
                ++Timers;
            }
        };
    }

    Pty Line;
    PortFolder Folder;
    RealClock Clock;
    TComPort Port{Clock, QtSerialLineFactory()};
    QByteArray Received;
    int Timers = 0;
};

TEST_F(PtyLineTest, OpensWithTheSettingsWritesAndReads)
{
    ASSERT_EQ(OpenError(Port), QString());
    ASSERT_TRUE(Port.Open());
    EXPECT_EQ(Port.Device(), Folder.Path() + "/ports/COM1");
    // What a pseudo-terminal keeps of the settings: rate, stop bits, odd parity.
    const termios t = Line.SlaveSettings();
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & PARODD);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);

    Port.PutBlock(QByteArray(":010347000002B3\r\n"));
    QByteArray sent;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (sent += Line.Take()).size() >= 17; }, 5000));
    EXPECT_EQ(sent, ":010347000002B3\r\n");

    Line.Send(":0103040064012CAB\r\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Received.size() >= 19; }, 5000));
    EXPECT_EQ(Received, ":0103040064012CAB\r\n");

    const std::uint16_t handle = Port.AddTimerTrigger();
    Port.SetTimerTrigger(handle, 1, true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Timers == 1; }, 5000));
}

TEST_F(PtyLineTest, FramingChangesOnAnOpenLineAreApplied)
{
    ASSERT_EQ(OpenError(Port), QString());
    // A pseudo-terminal refuses parity and data-bit changes in place; the
    // service reopens the line and the new settings hold.
    Port.SetParity(pEven);
    Port.SetDatabits(7);
    Port.SetStopbits(1);
    Port.SetBaud(4800);
    EXPECT_TRUE(Port.Open());
    const termios t = Line.SlaveSettings();
    EXPECT_EQ(cfgetospeed(&t), B4800);
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_cflag & PARODD);
    Line.Send("ok");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Received == "ok"; }, 5000));
}

TEST_F(PtyLineTest, HeldAndMissingDevices)
{
    ASSERT_EQ(OpenError(Port), QString());
    TComPort second(Clock, QtSerialLineFactory());
    second.SetComNumber(1);
    EXPECT_EQ(OpenError(second), "ie_Open - device already open");
    EXPECT_FALSE(second.Open());

    TComPort missing(Clock, QtSerialLineFactory());
    missing.SetComNumber(9);
    EXPECT_EQ(OpenError(missing), "ie_BadId - Specified comport doesn't exist");
    // A link whose device has gone.
    ASSERT_TRUE(Folder.Link(2, QStringLiteral("/dev/no-such-tty")));
    missing.SetComNumber(2);
    EXPECT_EQ(OpenError(missing), "ie_BadId - Specified comport doesn't exist");
    EXPECT_FALSE(missing.Open());
}

TEST_F(PtyLineTest, DeviceGoneClosesThePortAndTellsTheOwner)
{
    ASSERT_EQ(OpenError(Port), QString());
    QStringList lost;
    Port.OnLineLost = [&](TComPort &, const QString &text) { lost << text; };
    Line.ReleaseSlave();
    Line.CloseMaster();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !lost.isEmpty(); }, 5000));
    EXPECT_FALSE(Port.Open());
    QTest::qWait(200);  // no stream of further reports
    EXPECT_EQ(lost.size(), 1);
}

TEST_F(PtyLineTest, DeviceGoneDuringASettingsChangeIsReportedOnce)
{
    ASSERT_EQ(OpenError(Port), QString());
    int reports = 0;
    Port.OnLineLost = [&](TComPort &, const QString &) { ++reports; };
    Line.ReleaseSlave();
    Line.CloseMaster();
    // The changes run into the vanished device; whichever of them notices
    // it says so, and nothing touches the released line afterwards.
    for (TParity parity : {pEven, pNone}) {
        try {
            Port.SetBaud(parity == pEven ? 9600 : 4800);
            Port.SetParity(parity);
            Port.SetDatabits(parity == pEven ? 7 : 8);
        } catch (const ComError &) {
            ++reports;
            break;
        }
    }
    QTest::qWait(300);
    EXPECT_FALSE(Port.Open());
    EXPECT_EQ(reports, 1);
}

TEST(PtyLine, AnEmptyReadOfAHealthyDeviceDoesNotLoseTheLine)
{
    // Bytes arrive; before their read notification is handled, something
    // queued ahead of it (a deadline handler) takes them. The notification
    // then reads nothing, and whatever errno an earlier call left behind
    // reads like a failure. The device is there all along: the line stays,
    // and reads on.
    enum class Taker { DeadlineHandler, AnotherReader };
    struct Case {
        const char *Name;
        Taker Takes;
        int StaleErrno;
    } cases[] = {
        {"the handler takes what is buffered", Taker::DeadlineHandler, EAGAIN},
        {"the handler, another stale errno", Taker::DeadlineHandler, ENOTTY},
        {"the driver emptied behind the port's back", Taker::AnotherReader, EAGAIN},
        {"the same, another stale errno", Taker::AnotherReader, ENOTTY},
    };
    for (const Case &c : cases) {
        Pty pty;
        ASSERT_TRUE(pty.Valid());
        QtSerialLine line(pty.SlavePath);
        QStringList failures;
        QByteArray received;
        line.Failed = [&](const QString &text) { failures << text; };
        line.DataArrived = [&] { received += line.TakeReceived(); };
        line.Open(LineSettings{});
        const auto take = [&] {
            if (c.Takes == Taker::DeadlineHandler) {
                received += line.TakeReceived();
                return;
            }
            char buffer[64];
            (void)!::read(pty.Slave, buffer, sizeof buffer);
        };
        for (int round = 0; round < 10; ++round) {
            pty.Send(QByteArray::number(round) + "\r\n");
            QMetaObject::invokeMethod(qApp, take, Qt::QueuedConnection);
            errno = c.StaleErrno;
            QTest::qWait(5);
        }
        EXPECT_EQ(failures.join('|').toStdString(), "") << c.Name;
        if (c.Takes == Taker::DeadlineHandler) {
            EXPECT_EQ(received, "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n") << c.Name;
        }
        received.clear();
        pty.Send("still reading");
        EXPECT_TRUE(QTest::qWaitFor([&] { return received.endsWith("still reading"); }, 2000)) << c.Name;
    }
}

TEST(PortDirectory, LinksFirstThenUsbThenBuiltIn)
{
    const QList<PortEntry> ports = PortDirectory::Assign(
        {{1, QStringLiteral("/work/ports/COM1")}, {3, QStringLiteral("/work/ports/COM3")}},
        {QStringLiteral("/dev/ttyS10"), QStringLiteral("/dev/ttyS2"), QStringLiteral("/dev/ttyUSB1"),
         QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyUSB0")});
    QStringList seen;
    for (const PortEntry &p : ports)
        seen << QStringLiteral("COM%1=%2").arg(p.Number).arg(p.Device);
    EXPECT_EQ(seen.join(' '), "COM1=/work/ports/COM1 COM2=/dev/ttyACM0 COM3=/work/ports/COM3 COM4=/dev/ttyUSB0 "
                              "COM5=/dev/ttyUSB1 COM6=/dev/ttyS2 COM7=/dev/ttyS10");
}

TEST(PortDirectory, NumbersStayWithTheirDevicesForTheRun)
{
    const QString a = QStringLiteral("/dev/serial/by-id/usb-A-if00-port0");
    const QString b = QStringLiteral("/dev/serial/by-id/usb-B-if00-port0");
    const QString link = QStringLiteral("/work/ports/COM2");
    struct Case {
        const char *Name;
        QList<PortEntry> Links;
        QStringList Devices;
        QList<PortEntry> Known;
        QString Expected;
    } cases[] = {
        {"first enumeration", {}, {b, a, "/dev/ttyS0"}, {}, "COM1=" + a + " COM2=" + b + " COM3=/dev/ttyS0"},
        {"an adapter pulled keeps its number reserved", {}, {b}, {{1, a}, {2, b}},
         "COM1=" + a + " COM2=" + b},
        {"a new device never takes a reserved number", {}, {b, "/dev/ttyUSB7"}, {{1, a}, {2, b}},
         "COM1=" + a + " COM2=" + b + " COM3=/dev/ttyUSB7"},
        {"the same adapter plugged in again is the same number", {}, {a, b}, {{1, a}, {2, b}},
         "COM1=" + a + " COM2=" + b},
        {"a link wins its number", {{2, link}}, {a, b}, {{1, a}, {2, b}}, "COM1=" + a + " COM2=" + link + " COM3=" + b},
    };
    for (const Case &c : cases) {
        QStringList seen;
        for (const PortEntry &p : PortDirectory::Assign(c.Links, c.Devices, c.Known))
            seen << QStringLiteral("COM%1=%2").arg(p.Number).arg(p.Device);
        EXPECT_EQ(seen.join(' '), c.Expected) << c.Name;
    }
}

TEST(PortDirectory, LinkedDeviceIsNotListedTwice)
{
    Pty pty;
    PortFolder folder;
    ASSERT_TRUE(folder.Link(5, pty.SlavePath));
    const QList<PortEntry> ports = PortDirectory::Assign({{5, folder.Path() + "/ports/COM5"}}, {pty.SlavePath});
    ASSERT_EQ(ports.size(), 1);
    EXPECT_EQ(ports[0].Number, 5);
    EXPECT_EQ(PortDirectory::DeviceFor(5), folder.Path() + "/ports/COM5");
    EXPECT_TRUE(PortDirectory::PortNames().contains("COM5"));
}

TEST(PortDirectory, RegistryNamesMarkPorts)
{
    struct Case { QStringList Names; QList<int> Marked; } cases[] = {
        {{"COM3", "COM12", "COM15"}, {3, 12}},
        {{"LPT1", "com4", "COM2"}, {2}},
        {{"COM1", "COMX", "COM2"}, {1}},  // an unreadable number ends the list
        {{"COM123", "COM0"}, {0}},
        {{"COM7 "}, {}},
    };
    for (const Case &c : cases) {
        bool present[ComPortCount] = {};
        PortDirectory::MarkComPorts(c.Names, present);
        QList<int> marked;
        for (int i = 0; i < ComPortCount; ++i) {
            if (present[i])
                marked << i;
        }
        EXPECT_EQ(marked, c.Marked) << c.Names.join(',').toStdString();
    }
}

} // namespace
