#include "ControllerSession.h"

#include "MessageTable.h"
#include "RampTransferRules.h"

namespace Cli {

namespace {

// Far longer than any transfer takes (a ramp/soak read in ASCII at 2400
// baud is about two minutes): a guard against waiting for ever, never the
// way a command normally ends.
constexpr int GuardMs = 10 * 60 * 1000;

} // namespace

ControllerSession::ControllerSession(Line &line, int address) : Link(line), Station(address)
{
    Monitor = std::make_unique<MonitorEngine>(line.Port(), SessionState, *this);
    std::array<int, SlotCount> addresses{};
    addresses.fill(1);
    addresses[0] = address;
    Monitor->RunBt0Click(0, addresses);
    Await([this] { return Slot().Identified; }, QStringLiteral("its identification"));
    if (Slot().SlotModel != ModelA && Slot().SlotModel != ModelB && Slot().SlotModel != ModelC)
        Fail(QStringLiteral("address %1 answers, but not as a controller of the models A, B or C").arg(address));
    Await([this] { return Slot().PvRead && Monitor->Page().Shown; }, QStringLiteral("its parameters"));
}

ControllerSession::~ControllerSession()
{
    Shown.Finish();
    Monitor.reset();
}

void ControllerSession::Await(const std::function<bool()> &done, const QString &what)
{
    const bool reached = RunUntil(
        [&] { return done() || !LineFault.isEmpty() || !JobFault.isEmpty() || !Slot().SlotConnected; }, GuardMs);
    Shown.Finish();
    if (!LineFault.isEmpty())
        Fail(Link.Describe(LineFault));
    if (!JobFault.isEmpty())
        Fail(QStringLiteral("address %1: %2").arg(Station).arg(JobFault));
    if (!Slot().SlotConnected)
        Fail(QStringLiteral("address %1 does not answer: %2").arg(Station).arg(Monitor->Message().trimmed()));
    if (!reached)
        Fail(QStringLiteral("address %1: %2 did not come").arg(Station).arg(what));
}

void ControllerSession::Write(const std::function<void()> &start)
{
    WriteConfirmed.reset();
    const int reads = Monitor->PageReadCount();
    start();
    Await([this] { return WriteConfirmed.has_value(); }, QStringLiteral("the echo of the write"));
    if (!*WriteConfirmed)
        Fail(QStringLiteral("address %1 did not take the write: %2").arg(Station).arg(Monitor->Message().trimmed()));
    // Below security level 4 a model C shows no page to read back.
    if (!Slot().Restricted())
        Await([this, reads] { return Monitor->PageReadCount() > reads; }, QStringLiteral("the page read back"));
}

void ControllerSession::Begin(const QString &what)
{
    Ended = false;
    JobFault.clear();
    ProgressCaption = what;
}

void ControllerSession::Started(MonitorEngine::TransferStart start)
{
    using Start = MonitorEngine::TransferStart;
    switch (start) {
    case Start::Started:
        return;
    case Start::WriteDisabled:
        Fail(QStringLiteral("address %1: %2 (write ComWrite=Enable)").arg(Station).arg(MessageTable::EnableComWriteFirst));
    case Start::TargetChanged:
        Fail(MessageTable::DownloadTargetChanged.arg(Station));
    case Start::UnknownModel:
    case Start::NoController:
    case Start::Busy:
        break;
    }
    Fail(QStringLiteral("address %1: the %2 cannot start: %3").arg(Station).arg(ProgressCaption, MessageTable::NotIdentifiedYet));
}

void ControllerSession::Upload()
{
    Begin(QStringLiteral("upload"));
    Started(Monitor->UPLOAD1Click(QStringLiteral("UPLOAD")));
    Await([this] { return Ended; }, QStringLiteral("the upload"));
}

void ControllerSession::Download(bool broadcast)
{
    const QString caption =
        broadcast ? QStringLiteral("WRITE TO ALL CONNECTED DEVICE") : QStringLiteral("WRITE TO SELECTED DEVICE");
    Begin(QStringLiteral("write"));
    Started(Monitor->DOWNLOAD1Click(broadcast, caption, Monitor->DownloadTarget()));
    Await([this] { return Ended; }, QStringLiteral("the end of the write"));
}

void ControllerSession::ReadRamp(std::array<std::uint8_t, 256> &parameters, std::array<std::uint8_t, 260> &ramp)
{
    RampParameters = &parameters;
    RampImage = &ramp;
    Begin(QStringLiteral("ramp/soak read"));
    if (!Monitor->StartRampRead(*this))
        Fail(QStringLiteral("address %1 keeps no ramp/soak program (model %2)").arg(Station).arg(QChar(Slot().SlotModel)));
    Await([this] { return Ended; }, QStringLiteral("the ramp/soak program"));
}

void ControllerSession::WriteRamp(const std::array<int, 153> &words)
{
    RampWords = &words;
    Begin(QStringLiteral("ramp/soak write"));
    if (!Monitor->StartRampWrite(*this))
        Fail(QStringLiteral("address %1 keeps no ramp/soak program (model %2)").arg(Station).arg(QChar(Slot().SlotModel)));
    Await([this] { return Ended; }, QStringLiteral("the end of the ramp/soak write"));
}

void ControllerSession::Changed(unsigned aspects)
{
    // The engine reports while it is being made, before it is ours.
    if (Monitor && (aspects & MonitorAspect::Transfer) && Monitor->ProgressShown())
        Shown.Show(QStringLiteral("%1 %2%").arg(ProgressCaption).arg(Monitor->ProgressPosition() / 10));
}

void ControllerSession::ShowLineFault(const QString &text)
{
    if (LineFault.isEmpty())
        LineFault = text;
}

void ControllerSession::TransferFailed(const QString &caption)
{
    JobFault = caption + MessageTable::TransferIncomplete;
}

void ControllerSession::TransferFinished(FinishedTransfer job, int count, int station)
{
    if (job == FinishedTransfer::Password)
        return;
    Out(MessageTable::ParametersWritten(count, station));
    Ended = true;
}

void ControllerSession::WriteFinished(bool confirmed)
{
    WriteConfirmed = confirmed;
}

void ControllerSession::RampReadProgress(int parameterPairs, int rampPairs)
{
    Shown.Show(QStringLiteral("%1 %2%").arg(ProgressCaption).arg(ReadProgressPerMille(parameterPairs, rampPairs) / 10));
}

void ControllerSession::RampReadDone(const std::array<std::uint8_t, 256> &parameterBlock,
                                     const std::array<std::uint8_t, 260> &rampImage)
{
    *RampParameters = parameterBlock;
    *RampImage = rampImage;
    Ended = true;
}

int ControllerSession::RampWriteValue(int index)
{
    return index >= 0 && index < RampWriteCount ? (*RampWords)[static_cast<size_t>(index)] : 0;
}

void ControllerSession::RampWriteProgress(int written)
{
    Shown.Show(QStringLiteral("%1 %2%").arg(ProgressCaption).arg(WriteProgressPerMille(written) / 10));
    if (written >= RampWriteCount)
        Ended = true;
}

void ControllerSession::RampTransferFailed()
{
    JobFault = MessageTable::RampTransferIncomplete;
}

} // namespace Cli
