// Faults a simulated controller can be made to show on the line, by chance
// or on a schedule of its replies.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

enum class Fault {
    None,
    Silence,         // the request is not heard: not executed, not answered
    BadChecksum,     // the reply's CRC or LRC is wrong
    Exception,       // an exception reply instead of the answer; not executed
    ForeignStation,  // the reply carries another station's address
    Split,           // the reply comes in small chunks with gaps
    Slow,            // the reply comes late
    Garbage,         // random bytes instead of the reply
};

// "silence", "checksum", "exception", "foreign", "split", "slow", "garbage".
QString FaultName(Fault fault);
std::optional<Fault> FaultFromName(const QString &name);

// A rule applies either by chance (Probability > 0) or by a schedule of the
// replies counted from the moment it was added, starting at 0: replies
// After .. After + Count - 1 (Count 0: every reply from After on); with
// Every > 0 that window repeats every Every replies.
struct FaultRule {
    Fault Kind = Fault::None;
    double Probability = 0;
    int After = 0;
    int Count = 0;
    int Every = 0;
};

struct FaultOptions {
    int ExceptionCode = 4;
    int ForeignAddress = 0;  // 0: the next address after the controller's own
    int SplitBytes = 3;
    int SplitGapMs = 30;
    int SlowMs = 400;
};

class FaultInjector {
public:
    void Add(const FaultRule &rule) { Rules.push_back({rule, 0}); }
    void Clear() { Rules.clear(); }
    bool Empty() const { return Rules.empty(); }
    void SetSeed(std::uint64_t seed) { State = seed; }

    // The fault for the next reply; the first rule that applies wins.
    Fault Next();
    // A deterministic random number for chance and garbage.
    std::uint32_t Random();

    FaultOptions Options;

private:
    struct Active {
        FaultRule Rule;
        int Seen;
    };
    static bool Scheduled(const FaultRule &rule, int reply);

    std::vector<Active> Rules;
    std::uint64_t State = 0x9E3779B97F4A7C15ULL;
};
