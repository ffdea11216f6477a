// The serial port component: configure, open, close, write and read one COM
// port, and learn of received data and expired deadlines through OnTrigger.
//
// Events are delivered on the UI thread one at a time, data before timers,
// never re-entrantly; a handler may use any operation of its own port and
// may close it. Deadlines are counted in ticks of 55 ms of the clock.
#pragma once

#include "EventClock.h"
#include "SerialLine.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TComPort {
public:
    // The only messages raised; handlers ignore any other.
    static constexpr std::uint16_t TriggerAvail = 0x7E01;
    static constexpr std::uint16_t TriggerTimer = 0x7E03;
    static constexpr int TickMs = 55;

    // (port, message, trigger handle or byte count, data)
    using TriggerHandler = std::function<void(TComPort &, std::uint16_t, std::uint16_t, std::uint16_t)>;
    // The port was closed because its device failed; the text says why.
    using LostHandler = std::function<void(TComPort &, const QString &)>;
    // Asked when a port without number is opened: the chosen port or none.
    using PortChooser = std::function<std::optional<int>(const LineFactory &)>;

    explicit TComPort(EventClock &clock = DefaultClock(), LineFactory factory = LineFactory());
    ~TComPort();
    TComPort(const TComPort &) = delete;
    TComPort &operator=(const TComPort &) = delete;

    void SetComNumber(int number);
    void SetBaud(int rate);
    void SetDatabits(int bits);
    void SetStopbits(int bits);
    void SetParity(TParity parity);
    void SetOpen(bool open);

    std::uint16_t AddTimerTrigger();
    void SetTimerTrigger(std::uint16_t handle, int ticks, bool arm);
    void PutBlock(const void *bytes, int length);
    void PutBlock(const QByteArray &bytes) { PutBlock(bytes.constData(), static_cast<int>(bytes.size())); }
    std::uint8_t GetChar();

    bool Open() const { return IsOpen; }
    int ComNumber() const { return Number; }
    int Baud() const { return Settings.Baud; }
    TParity Parity() const { return Settings.Parity; }
    int DataBits() const { return Settings.DataBits; }
    int StopBits() const { return Settings.StopBits; }
    int InSize() const { return 4096; }
    int OutSize() const { return 4096; }
    int Waiting() const;  // received bytes not yet read
    // The device behind the open port, for the user.
    QString Device() const;
    // The clock that counts this port's ticks.
    EventClock &Timebase() const { return Clock; }

    TriggerHandler OnTrigger;
    LostHandler OnLineLost;

    // Defaults for ports created without their own: the port directory's
    // real devices, and the "Select Port" dialog. The shell and tests set them.
    static void SetDefaultLineFactory(LineFactory factory);
    static LineFactory DefaultLineFactory();
    static void SetPortChooser(PortChooser chooser);

private:
    struct Trigger {
        std::uint16_t Handle;
        int Ticks;
        bool Armed;
        qint64 ArmTick;
    };

    void OpenLine();
    void CloseLine();
    void ApplySettings();
    void AttachLine();
    void DetachLine();
    // Runs a call into the line. When the device fails during the call the
    // port closes, and the caller gets the failure as its error (and no
    // later lost-line notice, so that it is reported once).
    template <typename Call>
    auto IntoLine(Call call);
    void ScheduleCheck(qint64 atMs);
    void ScheduleTimers();
    void Check();
    bool Raise(std::uint16_t message, std::uint16_t handle, std::uint16_t data);
    void PullReceived();
    void LineFailed(const QString &text);
    Trigger *Find(std::uint16_t handle);
    qint64 Tick() const { return Clock.NowMs() / TickMs; }

    EventClock &Clock;
    LineFactory Factory;
    std::unique_ptr<SerialLine> Line;
    LineSettings Settings;
    int Number = 0;
    bool IsOpen = false;
    std::uint64_t Generation = 0;  // changes at every open and close
    QByteArray Rx;
    qsizetype RxHead = 0;  // next byte GetChar returns
    bool NewData = false;
    std::vector<Trigger> Triggers;
    std::uint16_t LastHandle = 0;
    EventClock::TaskId CheckTask = 0;
    EventClock::TaskId LostTask = 0;
    QString LostText;
    qint64 CheckDue = 0;
    bool InHandler = false;
    bool CheckAgain = false;
    // Expired deadlines held back for input still on its way; bounded, so
    // that a chattering line cannot hold them back for ever.
    static constexpr int MaxDeferredChecks = 3;
    int DeferredChecks = 0;
};
