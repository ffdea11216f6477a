#include "TComPort.h"

#include "ErrorReport.h"

#include <algorithm>
#include <limits>
#include <type_traits>

namespace {

LineFactory &GlobalFactory()
{
    static LineFactory factory;
    return factory;
}

TComPort::PortChooser &GlobalChooser()
{
    static TComPort::PortChooser chooser;
    return chooser;
}

const QString NoComNumber = QStringLiteral("The ComNumber property of the TComPort has not been set");

} // namespace

void TComPort::SetDefaultLineFactory(LineFactory factory)
{
    GlobalFactory() = std::move(factory);
}

LineFactory TComPort::DefaultLineFactory()
{
    return GlobalFactory();
}

void TComPort::SetPortChooser(PortChooser chooser)
{
    GlobalChooser() = std::move(chooser);
}

TComPort::TComPort(EventClock &clock, LineFactory factory) : Clock(clock), Factory(std::move(factory)) {}

TComPort::~TComPort()
{
    OnTrigger = nullptr;
    OnLineLost = nullptr;
    CloseLine();
    if (LostTask)
        Clock.Cancel(LostTask);
}

void TComPort::SetComNumber(int number)
{
    if (number == Number)
        return;
    Number = number;
    if (IsOpen) {
        CloseLine();
        OpenLine();
    }
}

void TComPort::SetBaud(int rate)
{
    Settings.Baud = rate;
    ApplySettings();
}

void TComPort::SetDatabits(int bits)
{
    Settings.DataBits = bits;
    ApplySettings();
}

void TComPort::SetStopbits(int bits)
{
    Settings.StopBits = bits;
    ApplySettings();
}

void TComPort::SetParity(TParity parity)
{
    Settings.Parity = parity;
    ApplySettings();
}

template <typename Call>
auto TComPort::IntoLine(Call call)
{
    const std::uint64_t generation = Generation;
    const auto failedMeanwhile = [&] {
        if (generation == Generation || IsOpen)
            return false;
        if (LostTask) {
            Clock.Cancel(LostTask);
            LostTask = 0;
        }
        return true;
    };
    try {
        if constexpr (std::is_void_v<decltype(call())>) {
            call();
            if (failedMeanwhile())
                throw ComError(LostText);
        } else {
            auto result = call();
            if (failedMeanwhile())
                throw ComError(LostText);
            return result;
        }
    } catch (const ComError &) {
        if (failedMeanwhile())
            throw ComError(LostText);
        throw;
    }
}

void TComPort::ApplySettings()
{
    if (!IsOpen || IntoLine([this] { return Line->Apply(Settings); }))
        return;
    // Some devices (pseudo-terminals) refuse a change of parity or data bits
    // on an open line: reopen it with the new settings. What was received
    // under the old settings is discarded, as a close would. The line's
    // notifications are off meanwhile: its close must not look like a loss.
    DetachLine();
    Line->Close();
    Rx.clear();
    RxHead = 0;
    NewData = false;
    try {
        Line->Open(Settings);
    } catch (...) {
        CloseLine();
        throw;
    }
    AttachLine();
}

void TComPort::SetOpen(bool open)
{
    if (open == IsOpen)
        return;
    if (!open) {
        CloseLine();
        return;
    }
    if (Number == 0) {
        const LineFactory factory = Factory ? Factory : GlobalFactory();
        const std::optional<int> chosen = GlobalChooser() ? GlobalChooser()(factory) : std::nullopt;
        if (!chosen)
            throw ComError(NoComNumber);
        Number = *chosen;
    }
    OpenLine();
}

void TComPort::OpenLine()
{
    const LineFactory &factory = Factory ? Factory : GlobalFactory();
    if (!factory)
        throw ComError(QStringLiteral("ie_BadId - Specified comport doesn't exist"));
    std::unique_ptr<SerialLine> line = factory(Number);
    line->Open(Settings);
    Line = std::move(line);
    AttachLine();
    Rx.clear();
    RxHead = 0;
    NewData = false;
    IsOpen = true;
    LostText.clear();
    ++Generation;
}

void TComPort::AttachLine()
{
    Line->DataArrived = [this] { ScheduleCheck(Clock.NowMs()); };
    Line->Failed = [this](const QString &text) { LineFailed(text); };
}

void TComPort::DetachLine()
{
    Line->DataArrived = nullptr;
    Line->Failed = nullptr;
}

void TComPort::CloseLine()
{
    if (CheckTask) {
        Clock.Cancel(CheckTask);
        CheckTask = 0;
    }
    CheckAgain = false;
    Triggers.clear();
    Rx.clear();
    RxHead = 0;
    NewData = false;
    if (!IsOpen)
        return;
    IsOpen = false;
    ++Generation;
    DetachLine();
    Line->Close();
    // The line may be closing from inside one of its own notifications
    // (a device error): let it finish before it is destroyed.
    std::shared_ptr<SerialLine> retired(Line.release());
    Clock.CallSoon([retired] {});
}

void TComPort::LineFailed(const QString &text)
{
    if (!IsOpen)
        return;
    LostText = text;
    CloseLine();
    if (LostTask)
        Clock.Cancel(LostTask);
    LostTask = Clock.CallSoon([this, text] {
        LostTask = 0;
        if (OnLineLost)
            OnLineLost(*this, text);
        else
            ReportError(text);
    });
}

std::uint16_t TComPort::AddTimerTrigger()
{
    do {
        ++LastHandle;
    } while (LastHandle == 0 || Find(LastHandle));
    Triggers.push_back({LastHandle, 0, false, 0});
    return LastHandle;
}

TComPort::Trigger *TComPort::Find(std::uint16_t handle)
{
    for (Trigger &t : Triggers) {
        if (t.Handle == handle)
            return &t;
    }
    return nullptr;
}

void TComPort::SetTimerTrigger(std::uint16_t handle, int ticks, bool arm)
{
    Trigger *trigger = Find(handle);
    if (!trigger)
        throw ComError(QStringLiteral("Bad trigger handle"));
    if (!arm) {
        trigger->Armed = false;
        return;
    }
    if (ticks != 0)
        trigger->Ticks = std::max(ticks, 0);
    trigger->Armed = true;
    trigger->ArmTick = Tick();
    ScheduleTimers();
}

void TComPort::PutBlock(const void *bytes, int length)
{
    if (!IsOpen)
        throw ComError(LostText.isEmpty() ? QStringLiteral("Failed to put entire block") : LostText);
    if (length < 0 || OutSize() - Line->PendingWrite() < length)
        throw ComError(QStringLiteral("Output buffer too small for block"));
    IntoLine([&] { Line->Write(QByteArray(static_cast<const char *>(bytes), length)); });
}

std::uint8_t TComPort::GetChar()
{
    if (RxHead >= Rx.size())
        throw ComError(QStringLiteral("Buffer is empty"));
    return static_cast<std::uint8_t>(Rx.at(RxHead++));
}

int TComPort::Waiting() const
{
    return static_cast<int>(Rx.size() - RxHead);
}

QString TComPort::Device() const
{
    return Line ? Line->Describe() : QString();
}

void TComPort::PullReceived()
{
    if (!Line)
        return;
    const QByteArray bytes = Line->TakeReceived();
    if (RxHead > 0) {
        Rx.remove(0, RxHead);
        RxHead = 0;
    }
    // Like a full driver buffer: what does not fit is lost.
    const qsizetype room = InSize() - Rx.size();
    const qsizetype taken = std::min<qsizetype>(room, bytes.size());
    if (taken > 0) {
        Rx.append(bytes.constData(), taken);
        NewData = true;
    }
}

void TComPort::ScheduleCheck(qint64 atMs)
{
    if (!IsOpen)
        return;
    if (CheckTask) {
        if (CheckDue <= atMs)
            return;
        Clock.Cancel(CheckTask);
    }
    CheckDue = atMs;
    CheckTask = Clock.CallAt(atMs, [this] {
        CheckTask = 0;
        Check();
    });
}

void TComPort::ScheduleTimers()
{
    qint64 earliest = std::numeric_limits<qint64>::max();
    for (const Trigger &t : Triggers) {
        if (t.Armed)
            earliest = std::min(earliest, (t.ArmTick + t.Ticks + 1) * TickMs);
    }
    if (earliest != std::numeric_limits<qint64>::max())
        ScheduleCheck(earliest);
}

void TComPort::Check()
{
    if (!IsOpen)
        return;
    if (InHandler) {
        // A handler is running a nested event loop (a message box): the
        // next event waits until it has returned.
        CheckAgain = true;
        return;
    }
    struct Reschedule {
        TComPort *Port;
        ~Reschedule() { Port->ScheduleTimers(); }
    } reschedule{this};

    // Bytes that arrive while a data handler runs a nested event loop (a
    // message box) were on the line before any deadline found expired
    // after it: they are delivered before the timers are looked at.
    for (;;) {
        PullReceived();
        if (!NewData || Waiting() <= 0)
            break;
        NewData = false;
        const auto count = static_cast<std::uint16_t>(std::min(Waiting(), 0xFFFF));
        if (!Raise(TriggerAvail, count, count))
            return;
    }
    const qint64 tick = Tick();
    // Bytes the device holds whose notification has not come yet were on
    // the line before this deadline was found expired: let the
    // notification run first (the timers are looked at again right after).
    const bool timerDue = std::any_of(Triggers.begin(), Triggers.end(),
                                      [tick](const Trigger &t) { return t.Armed && tick > t.ArmTick + t.Ticks; });
    if (timerDue && DeferredChecks < MaxDeferredChecks && Line->InputPending()) {
        ++DeferredChecks;
        return;
    }
    DeferredChecks = 0;
    for (size_t i = 0; i < Triggers.size(); ++i) {
        if (!Triggers[i].Armed || tick <= Triggers[i].ArmTick + Triggers[i].Ticks)
            continue;
        Triggers[i].Armed = false;
        if (!Raise(TriggerTimer, Triggers[i].Handle, 0))
            return;
    }
}

bool TComPort::Raise(std::uint16_t message, std::uint16_t handle, std::uint16_t data)
{
    const std::uint64_t generation = Generation;
    struct HandlerScope {
        TComPort *Port;
        explicit HandlerScope(TComPort *port) : Port(port) { Port->InHandler = true; }
        ~HandlerScope()
        {
            Port->InHandler = false;
            if (Port->CheckAgain && Port->IsOpen) {
                Port->CheckAgain = false;
                Port->ScheduleCheck(Port->Clock.NowMs());
            }
        }
    } scope(this);
    if (OnTrigger)
        OnTrigger(*this, message, handle, data);
    return IsOpen && generation == Generation;
}
