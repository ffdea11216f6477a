#include "Faults.h"

#include <array>
#include <utility>

namespace {

const std::array<std::pair<Fault, const char *>, 7> Names{{
    {Fault::Silence, "silence"},
    {Fault::BadChecksum, "checksum"},
    {Fault::Exception, "exception"},
    {Fault::ForeignStation, "foreign"},
    {Fault::Split, "split"},
    {Fault::Slow, "slow"},
    {Fault::Garbage, "garbage"},
}};

} // namespace

QString FaultName(Fault fault)
{
    for (const auto &[kind, name] : Names) {
        if (kind == fault)
            return QString::fromLatin1(name);
    }
    return QStringLiteral("none");
}

std::optional<Fault> FaultFromName(const QString &name)
{
    for (const auto &[kind, text] : Names) {
        if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return kind;
    }
    return std::nullopt;
}

std::uint32_t FaultInjector::Random()
{
    // splitmix64: small, fast, and the same sequence on every run.
    std::uint64_t z = (State += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

bool FaultInjector::Scheduled(const FaultRule &rule, int reply)
{
    if (reply < rule.After)
        return false;
    const int since = reply - rule.After;
    if (rule.Every > 0)
        return since % rule.Every < (rule.Count > 0 ? rule.Count : 1);
    return rule.Count == 0 || since < rule.Count;
}

Fault FaultInjector::Next()
{
    Fault chosen = Fault::None;
    for (Active &active : Rules) {
        const int reply = active.Seen++;
        if (chosen != Fault::None)
            continue;  // every rule still counts the reply
        bool applies;
        if (active.Rule.Probability > 0)
            applies = Random() < active.Rule.Probability * 4294967296.0;
        else
            applies = Scheduled(active.Rule, reply);
        if (applies)
            chosen = active.Rule.Kind;
    }
    return chosen;
}
