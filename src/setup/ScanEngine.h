// The link scan: probes every address of a range under every combination of
// link settings that the presets leave open, and records each combination
// under which a controller answered. No widgets here: the search panel shows
// what the engine tells it through ScanView.
#pragma once

#include "ErrorReport.h"
#include "FrameCodec.h"
#include "Links.h"
#include "Public.h"

#include <QString>

#include <vector>

namespace Scan {

// A candidate c packs one combination of link settings:
// c = baud + 5 * parity + 15 * length + 30 * stop + 60 * format.
inline constexpr int CandidateCount = 120;
inline constexpr int ProbeRegister = 0x4701;
// The panel's estimate of one probe, in milliseconds.
inline constexpr int EstimatedProbeMs = 183;

// Component values in the order of the panel's preset lists (after "UNKNOW").
inline constexpr int BaudRates[5] = {9600, 19200, 38400, 4800, 2400};
inline constexpr TParity Parities[3] = {pOdd, pEven, pNone};

struct CandidateParts {
    int Baud = 0;    // 0 9600, 1 19200, 2 38400, 3 4800, 4 2400
    int Parity = 0;  // 0 odd, 1 even, 2 none
    int Length = 0;  // 0 7 data bits, 1 8 data bits
    int Stop = 0;    // 0 one stop bit, 1 two
    int Format = 0;  // 0 ASCII, 1 RTU
};
CandidateParts Decompose(int candidate);
int Compose(const CandidateParts &parts);

// What the operator fixed; -1 leaves a component open. Address is the range
// number: 0 all addresses, 1-16 the ranges "01H~10H" ... "F1H~F7H".
struct Presets {
    int Address = 0;
    int Baud = -1;
    int Parity = -1;
    int Length = -1;
    int Stop = -1;
    int Format = -1;
};

// The candidates the presets allow, in increasing order; RTU is never tried
// with 7 data bits.
std::vector<int> CandidateSet(const Presets &presets);

struct AddressRange {
    int First = 1;
    int Last = 247;
    int Count() const { return Last - First + 1; }
};
AddressRange RangeFor(int rangeNumber);

int ProbeTotal(const Presets &presets);

// Read one holding register 0x4701 at the address: 17 ASCII characters or
// 8 RTU bytes.
FrameCodec::Frame Probe(int address, bool rtu);

// How the format reads in the description: the scan's first candidate is
// spelled with the blanks first, a candidate reached by advancing with the
// blanks after (both are five characters wide).
enum class RtuSpelling { AtStart, Advanced };

// "COM01, 9600,7,O,1,ASCII": 23 characters.
QString Description(int portNumber, int candidate, RtuSpelling spelling);
// The part of a description the result table shows (from its seventh
// character on).
QString ProtocolColumn(const QString &description);
// "1FH" for address 31.
QString AddressColumn(int address);

// "Estimate time left : 2  min,,5 sec" for 125 seconds left.
QString TimeLeftText(int probeTotal, int probesDone);

QString CompletedText(int found);
QString AbortText(int found);

} // namespace Scan

// What the engine shows. The panel implements it.
class ScanView {
public:
    virtual ~ScanView() = default;
    // The candidate now probed.
    virtual void ShowDescription(const QString &text) = 0;
    virtual void ShowGauge(int value, int maximum) = 0;
    virtual void ShowTimeLeft(const QString &text) = 0;
    // Result row `row` (1-based, as many as there are hits).
    virtual void ShowHit(int row, const QString &address, const QString &protocol) = 0;
    // The scan ended (completed or aborted); the text says how.
    virtual void ShowScanEnd(const QString &text) = 0;
    // The line failed (cannot be opened, was lost, refused a write): the scan
    // did not start or has ended, the line is released.
    virtual void ShowScanFault(const QString &text) = 0;
};

class ScanEngine : public SetupReplyHandler {
public:
    // Registers itself as the link's reply handler and takes the port's
    // line-lost notice for as long as it exists.
    ScanEngine(SetupLink &link, TSessionState &session, TLinkSettings &settings, ScanView &view);
    ~ScanEngine() override;
    ScanEngine(const ScanEngine &) = delete;
    ScanEngine &operator=(const ScanEngine &) = delete;

    void Start(const Scan::Presets &presets);
    // Any candidates (in the order given) over any span of addresses.
    void Start(std::vector<int> candidates, const Scan::AddressRange &addresses);
    // The operator's CANCEL: ends the scan with the abort text.
    void Abort();
    // Ends any scan without a text and releases the line (CLOSE, Cancel).
    void Stop();

    void SetupReply() override;
    void LineLost(const QString &text);

    bool Searching() const { return IsSearching; }
    bool GridBusy() const { return IsGridBusy; }
    int FoundCount() const { return static_cast<int>(FoundCandidates.size()); }
    // Candidate of hit `row` (1-based); -1 when there is no such hit.
    int FoundCandidate(int row) const;
    int Candidate() const { return CurrentCandidate(); }
    int CurrentAddress() const { return Address; }
    int FirstAddress() const { return Addresses.First; }
    int LastAddress() const { return Addresses.Last; }
    int ProbesDone() const { return Done; }
    int ProbeTotal() const { return Total; }

private:
    int CurrentCandidate() const;
    void ConfigurePort(int candidate);
    void SendProbe();
    void Advance();
    void Complete();
    void Release();
    void Fail(const QString &text);
    // Runs a port operation; when the port service refuses it, the scan
    // ends with its text and false is returned.
    template <typename Operation>
    bool Attempt(Operation operation)
    {
        try {
            operation();
            return true;
        } catch (const ComError &e) {
            Fail(e.Text());
            return false;
        }
    }

    SetupLink &Link;
    TSessionState &Session;
    TLinkSettings &Settings;
    ScanView &View;
    TComPort::LostHandler PreviousLost;

    bool IsSearching = false;
    bool IsGridBusy = false;
    std::vector<int> Candidates;
    std::size_t CandidateIndex = 0;
    Scan::AddressRange Addresses;
    int Address = 0;
    int Done = 0;
    int Total = 0;
    int PortNumber = 0;
    // Every hit is kept, however many there are: the table grows with them.
    std::vector<int> FoundCandidates;
    QString CurrentDescription;
};
