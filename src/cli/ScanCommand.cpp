// scan: the setup dialog's bus search without the dialog.
#include "Commands.h"

#include "CliSupport.h"
#include "ReceiveRouting.h"
#include "ScanEngine.h"

namespace Cli {

namespace {

const char ScanHelp[] = R"(Usage: qmvctl scan [--port COMn|DEVICE] [--addresses RANGE] [--baud LIST]
                  [--data LIST] [--parity LIST] [--stop LIST] [--format LIST]

Searches the line for controllers as the link settings dialog does: every
address of LIST under every combination of the link settings left open, one
probe each. Each controller that answers is printed as its address, the
same in hex, and the settings it answered under:
    17  11H  19200,8,E,1,RTU
Exit status 0 when at least one answered, 1 when none did.

  --port COMn|DEVICE   the port (default: the settings file's)
  --addresses RANGE    one range of addresses such as 1-32 (default 1-247)
  --baud LIST          of 9600,19200,38400,4800,2400 (default all)
  --data LIST          of 7,8 (default both; RTU always 8)
  --parity LIST        of none,even,odd (default all)
  --stop LIST          of 1,2 (default both)
  --format LIST        of ascii,rtu (default both)

A probe that is not answered takes about 0.11 s: narrow the search where
something is known.
)";

// The allowed values of one part of a candidate, by the option's list: the
// indexes into `names` (the part's order in a candidate); all when not given.
std::vector<int> Allowed(const QCommandLineParser &parser, const QCommandLineOption &option, const QStringList &names)
{
    std::vector<int> allowed;
    if (!parser.isSet(option)) {
        for (int i = 0; i < names.size(); ++i)
            allowed.push_back(i);
        return allowed;
    }
    for (const QString &value : parser.value(option).split(QLatin1Char(','))) {
        const qsizetype index = names.indexOf(value.trimmed().toLower());
        if (index < 0)
            UsageFail(QStringLiteral("--%1: \"%2\" is not one of %3")
                          .arg(option.names().first(), value, names.join(QLatin1Char(','))));
        allowed.push_back(static_cast<int>(index));
    }
    return allowed;
}

bool Has(const std::vector<int> &set, int value)
{
    return std::find(set.begin(), set.end(), value) != set.end();
}

class ScanPrinter : public ScanView {
public:
    void ShowDescription(const QString &text) override { Description = text; }
    void ShowGauge(int value, int maximum) override
    {
        Shown.Show(QStringLiteral("%1  %2%").arg(Description).arg(maximum > 0 ? value * 100 / maximum : 100));
    }
    void ShowTimeLeft(const QString &) override {}
    void ShowHit(int, const QString &address, const QString &protocol) override
    {
        Shown.Finish();
        Out(QStringLiteral("%1  %2  %3").arg(Engine->CurrentAddress(), 3).arg(address, protocol.trimmed()));
    }
    void ShowScanEnd(const QString &) override { Ended = true; }
    void ShowScanFault(const QString &text) override
    {
        Fault = text;
        Ended = true;
    }

    const ScanEngine *Engine = nullptr;
    QString Description;
    QString Fault;
    bool Ended = false;
    Progress Shown;
};

} // namespace

int ScanCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    LinkOptions link;
    link.AddTo(parser);
    const QCommandLineOption addressesOption(QStringLiteral("addresses"), QString(), QStringLiteral("RANGE"));
    parser.addOption(addressesOption);
    if (!Parse(parser, arguments, QString::fromLatin1(ScanHelp)))
        return 0;
    if (parser.positionalArguments().size() > 1)
        UsageFail(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().at(1)));

    // The candidates of the search, in its own order, narrowed by the lists.
    const std::vector<int> bauds = Allowed(parser, link.Baud, {"9600", "19200", "38400", "4800", "2400"});
    const std::vector<int> parities = Allowed(parser, link.Parity, {"odd", "even", "none"});
    const std::vector<int> lengths = Allowed(parser, link.Data, {"7", "8"});
    const std::vector<int> stops = Allowed(parser, link.Stop, {"1", "2"});
    const std::vector<int> formats = Allowed(parser, link.Format, {"ascii", "rtu"});
    std::vector<int> candidates;
    for (int c : Scan::CandidateSet(Scan::Presets{})) {
        const Scan::CandidateParts p = Scan::Decompose(c);
        if (Has(bauds, p.Baud) && Has(parities, p.Parity) && Has(lengths, p.Length) && Has(stops, p.Stop)
            && Has(formats, p.Format))
            candidates.push_back(c);
    }
    if (candidates.empty())
        UsageFail(QStringLiteral("no combination to try: RTU needs 8 data bits"));
    Scan::AddressRange span;
    if (parser.isSet(addressesOption)) {
        const std::vector<int> addresses = ParseAddresses(parser.value(addressesOption));
        span = {*std::min_element(addresses.begin(), addresses.end()), *std::max_element(addresses.begin(), addresses.end())};
        if (span.Count() != static_cast<int>(addresses.size()))
            UsageFail(QStringLiteral("--addresses: the search takes one range of addresses, such as 1-32"));
    }

    Line line(parser, link, true);
    SetupLink setupLink(line.Port());
    line.Port().OnTrigger = [&setupLink](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
        RouteSetupTrigger(setupLink, message, argument);
    };
    ScanPrinter printer;
    ScanEngine engine(setupLink, SessionState, LinkSettings, printer);
    printer.Engine = &engine;
    InterruptWatch interrupt([&engine] { engine.Abort(); });
    engine.Start(std::move(candidates), span);
    RunUntil([&printer] { return printer.Ended; });
    printer.Shown.Finish();
    line.Port().OnTrigger = nullptr;
    if (!printer.Fault.isEmpty())
        Fail(line.Describe(printer.Fault));
    if (engine.FoundCount() == 0)
        Fail(QStringLiteral("no controller answered on %1").arg(line.Name()));
    return 0;
}

} // namespace Cli
