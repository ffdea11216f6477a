#include "ScanEngine.h"

#include "Conversions.h"
#include "ErrorReport.h"
#include "MessageTable.h"

#include <algorithm>

namespace Scan {

CandidateParts Decompose(int c)
{
    return {c % 5, (c / 5) % 3, (c / 15) % 2, (c / 30) % 2, (c / 60) % 2};
}

int Compose(const CandidateParts &p)
{
    return p.Baud + 5 * p.Parity + 15 * p.Length + 30 * p.Stop + 60 * p.Format;
}

namespace {

bool Allows(int preset, int value)
{
    return preset < 0 || preset == value;
}

const char *const BaudTexts[5] = {", 9600,", ",19200,", ",38400,", ", 4800,", ", 2400,"};
const char ParityLetters[3] = {'O', 'E', 'N'};

} // namespace

std::vector<int> CandidateSet(const Presets &presets)
{
    std::vector<int> set;
    for (int c = 0; c < CandidateCount; ++c) {
        const CandidateParts p = Decompose(c);
        if (p.Format == 1 && p.Length == 0)
            continue;  // Modbus RTU needs 8 data bits
        if (Allows(presets.Baud, p.Baud) && Allows(presets.Parity, p.Parity) && Allows(presets.Length, p.Length)
            && Allows(presets.Stop, p.Stop) && Allows(presets.Format, p.Format))
            set.push_back(c);
    }
    return set;
}

AddressRange RangeFor(int n)
{
    if (n < 1 || n > 16)
        return {1, 247};
    return {16 * n - 15, std::min(16 * n, 247)};
}

int ProbeTotal(const Presets &presets)
{
    return static_cast<int>(CandidateSet(presets).size()) * RangeFor(presets.Address).Count();
}

FrameCodec::Frame Probe(int address, bool rtu)
{
    return FrameCodec::BuildRequest(address, FrameCodec::FunctionRead, ProbeRegister, 1, rtu);
}

QString Description(int portNumber, int candidate, RtuSpelling spelling)
{
    const CandidateParts p = Decompose(candidate);
    const QString port = portNumber >= 0 && portNumber <= 99 ? FixedDigits(portNumber, 2) : QString::number(portNumber);
    QString text = QStringLiteral("COM") + port + QLatin1String(BaudTexts[p.Baud]);
    text += QLatin1Char(p.Length ? '8' : '7');
    text += QLatin1Char(',');
    text += QLatin1Char(ParityLetters[p.Parity]);
    text += QLatin1Char(',');
    text += QLatin1Char(p.Stop ? '2' : '1');
    text += QLatin1Char(',');
    if (p.Format == 0)
        text += QLatin1String("ASCII");
    else
        text += spelling == RtuSpelling::AtStart ? QLatin1String("  RTU") : QLatin1String("RTU  ");
    return text;
}

QString ProtocolColumn(const QString &description)
{
    return description.mid(6);
}

QString AddressColumn(int address)
{
    return ByteToHex(address) + QLatin1Char('H');
}

QString TimeLeftText(int probeTotal, int probesDone)
{
    const qint64 secs = static_cast<qint64>(probeTotal - probesDone) * EstimatedProbeMs / 1000;
    const qint64 m = secs / 60;
    const qint64 s = secs % 60;
    QString text = MessageTable::EstimateTimeLeft;
    if (m != 0)
        text += QString::number(m) + QLatin1Char(' ') + MessageTable::MinText + QLatin1Char(',');
    text += QString::number(s) + MessageTable::SecText;
    return text;
}

QString CompletedText(int found)
{
    return MessageTable::SearchCompleted + QString::number(found) + MessageTable::ItemsText;
}

QString AbortText(int found)
{
    return MessageTable::SearchAbort + QString::number(found) + MessageTable::ItemsText;
}

} // namespace Scan

ScanEngine::ScanEngine(SetupLink &link, TSessionState &session, TLinkSettings &settings, ScanView &view)
    : Link(link), Session(session), Settings(settings), View(view)
{
    Link.Handler = this;
    PreviousLost = Link.Port.OnLineLost;
    Link.Port.OnLineLost = [this](TComPort &, const QString &text) { LineLost(text); };
}

ScanEngine::~ScanEngine()
{
    // A scan never outlives its window: no reply may arrive for it later.
    IsSearching = false;
    Release();
    if (Link.Handler == this)
        Link.Handler = nullptr;
    Link.Port.OnLineLost = PreviousLost;
}

int ScanEngine::CurrentCandidate() const
{
    return CandidateIndex < Candidates.size() ? Candidates[CandidateIndex] : Scan::CandidateCount;
}

int ScanEngine::FoundCandidate(int row) const
{
    if (row < 1 || row > FoundCount())
        return -1;
    return FoundCandidates[static_cast<std::size_t>(row - 1)];
}

void ScanEngine::Start(const Scan::Presets &presets)
{
    Start(Scan::CandidateSet(presets), Scan::RangeFor(presets.Address));
}

void ScanEngine::Start(std::vector<int> candidates, const Scan::AddressRange &addresses)
{
    if (IsSearching)
        return;
    FoundCandidates.clear();
    Addresses = addresses;
    Candidates = std::move(candidates);
    CandidateIndex = 0;
    IsSearching = true;
    Done = 0;
    Total = static_cast<int>(Candidates.size()) * Addresses.Count();
    View.ShowGauge(0, Total);
    if (Candidates.empty()) {
        Complete();
        return;
    }
    PortNumber = Settings.PortNumber;
    if (!Attempt([this] {
            Link.Port.SetComNumber(PortNumber);
            ConfigurePort(CurrentCandidate());
        }))
        return;
    CurrentDescription = Scan::Description(PortNumber, CurrentCandidate(), Scan::RtuSpelling::AtStart);
    View.ShowDescription(CurrentDescription);
    Address = Addresses.First;
    Session.ActiveModule = ModuleSetup;
    if (!Attempt([this] {
            Link.Port.SetOpen(true);
            Link.Exchange.Begin();
        }))
        return;
    SendProbe();
}

void ScanEngine::ConfigurePort(int candidate)
{
    const Scan::CandidateParts p = Scan::Decompose(candidate);
    TComPort &port = Link.Port;
    // Over a line that refuses a framing change in place the port service
    // reopens it; the trigger handle stays valid either way.
    port.SetBaud(Scan::BaudRates[p.Baud]);
    port.SetDatabits(p.Length ? 8 : 7);
    port.SetParity(Scan::Parities[p.Parity]);
    port.SetStopbits(p.Stop + 1);
}

void ScanEngine::SendProbe()
{
    const bool rtu = Scan::Decompose(CurrentCandidate()).Format == 1;
    Settings.RtuMode = rtu;
    Attempt([&] { Link.Send(Scan::Probe(Address, rtu), rtu, Session.SetupTimeoutTicks); });
}

void ScanEngine::SetupReply()
{
    if (!IsSearching)
        return;
    const int candidate = CurrentCandidate();
    const bool rtu = Scan::Decompose(candidate).Format == 1;
    // A reply that overflowed its store is not an answer to the probe.
    const bool hit = !Link.SetupRxOverflow && FrameCodec::IsScanHit(Link.SetupRxText, Address, rtu);
    Link.Exchange.Report(hit ? TrafficVerdict::Ok
                             : RejectedReplyVerdict(Link.Exchange.Bytes(), Link.Exchange.Count(), Address, rtu));
    if (hit) {
        FoundCandidates.push_back(candidate);
        IsGridBusy = true;
        View.ShowHit(FoundCount(), Scan::AddressColumn(Address), Scan::ProtocolColumn(CurrentDescription));
        IsGridBusy = false;
    }
    Advance();
}

void ScanEngine::Advance()
{
    ++Done;
    View.ShowTimeLeft(Scan::TimeLeftText(Total, Done));
    if (Address < Addresses.Last) {
        ++Address;
    } else {
        ++CandidateIndex;
        if (CandidateIndex >= Candidates.size()) {
            Complete();
            return;
        }
        if (!Attempt([this] { ConfigurePort(CurrentCandidate()); }))
            return;
        CurrentDescription = Scan::Description(PortNumber, CurrentCandidate(), Scan::RtuSpelling::Advanced);
        View.ShowDescription(CurrentDescription);
        Address = Addresses.First;
    }
    View.ShowGauge(Done, Total);
    SendProbe();
}

void ScanEngine::Complete()
{
    IsSearching = false;
    View.ShowGauge(Total, Total);
    Release();
    View.ShowScanEnd(Scan::CompletedText(FoundCount()));
}

void ScanEngine::Abort()
{
    if (!IsSearching)
        return;
    IsSearching = false;
    Release();
    View.ShowScanEnd(Scan::AbortText(FoundCount()));
}

void ScanEngine::Stop()
{
    IsSearching = false;
    Release();
}

void ScanEngine::Fail(const QString &text)
{
    IsSearching = false;
    Release();
    View.ShowScanFault(text);
}

void ScanEngine::LineLost(const QString &text)
{
    if (IsSearching)
        Fail(text);
    else
        Release();
}

void ScanEngine::Release()
{
    Link.Exchange.Abandon();
    CloseLink(Link.Port, ModuleSetup, Session);
}
