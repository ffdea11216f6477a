#include "ControllerArgs.h"

#include "Conversions.h"
#include "SimController.h"

#include <QRegularExpression>
#include <QStringList>

#include <map>

namespace {

using Fields = std::map<QString, QString>;

// "a=1,b=2" into fields; a repeated, empty or unnamed field is an error.
std::optional<Fields> SplitFields(const QString &text, const QStringList &known, QString &error)
{
    Fields fields;
    if (text.trimmed().isEmpty()) {
        error = QStringLiteral("nothing given");
        return std::nullopt;
    }
    for (const QString &part : text.split(QLatin1Char(','))) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        const QString name = (eq < 0 ? part : part.left(eq)).trimmed().toLower();
        const QString value = eq < 0 ? QString() : part.mid(eq + 1).trimmed();
        if (name.isEmpty()) {
            error = QStringLiteral("a field without a name in \"%1\"").arg(part);
            return std::nullopt;
        }
        if (!known.contains(name)) {
            error = QStringLiteral("unknown field \"%1\" (known: %2)").arg(name, known.join(QLatin1String(", ")));
            return std::nullopt;
        }
        if (eq < 0 || value.isEmpty()) {
            error = QStringLiteral("%1: needs a value (%1=...)").arg(name);
            return std::nullopt;
        }
        if (fields.count(name)) {
            error = QStringLiteral("%1: given twice").arg(name);
            return std::nullopt;
        }
        fields.emplace(name, value);
    }
    return fields;
}

std::optional<int> Integer(const QString &text)
{
    bool ok = false;
    const int value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toInt(&ok, 16)
                                                                                : text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

bool Bad(QString &error, const QString &field, const QString &value, const QString &expected)
{
    error = QStringLiteral("%1: \"%2\" is not %3").arg(field, value, expected);
    return false;
}

bool IntegerIn(const Fields &f, const char *name, int lo, int hi, const QString &expected, std::optional<int> &out,
               QString &error)
{
    const auto found = f.find(QLatin1String(name));
    if (found == f.end())
        return true;
    const auto value = Integer(found->second);
    if (!value || *value < lo || *value > hi)
        return Bad(error, QLatin1String(name), found->second, expected);
    out = value;
    return true;
}

// "1.12" (major, then two hex digits) or a word "0x0112".
std::optional<int> Firmware(const QString &text)
{
    static const QRegularExpression dotted(QStringLiteral("^(\\d{1,3})\\.([0-9A-Fa-f]{2})$"));
    const auto match = dotted.match(text);
    if (match.hasMatch()) {
        const int major = match.captured(1).toInt();
        if (major > 255)
            return std::nullopt;
        return major * 256 + match.captured(2).toInt(nullptr, 16);
    }
    const auto word = Integer(text);
    return word && *word >= 0 && *word <= 0xFFFF ? word : std::nullopt;
}

} // namespace

std::optional<ControllerSetup> ParseControllerArgument(const QString &text, QString &error)
{
    static const QStringList known{QStringLiteral("address"), QStringLiteral("model"),  QStringLiteral("baud"),
                                   QStringLiteral("data"),    QStringLiteral("parity"), QStringLiteral("stop"),
                                   QStringLiteral("format"),  QStringLiteral("firmware"), QStringLiteral("sv"),
                                   QStringLiteral("level"),   QStringLiteral("keys"),   QStringLiteral("key1"),
                                   QStringLiteral("key2"),    QStringLiteral("key3")};
    const auto fields = SplitFields(text, known, error);
    if (!fields)
        return std::nullopt;
    const Fields &f = *fields;
    ControllerSetup setup;
    ControllerConfig &config = setup.Config;

    if (!f.count(QStringLiteral("address"))) {
        error = QStringLiteral("address: missing (address=1..247)");
        return std::nullopt;
    }
    std::optional<int> number;
    if (!IntegerIn(f, "address", 1, 247, QStringLiteral("a station address 1-247"), number, error))
        return std::nullopt;
    config.Address = *number;

    if (!f.count(QStringLiteral("model"))) {
        error = QStringLiteral("model: missing (model=A, B or C)");
        return std::nullopt;
    }
    const QString model = f.at(QStringLiteral("model")).toUpper();
    if (model == QLatin1String("A"))
        config.Kind = Model::A;
    else if (model == QLatin1String("B"))
        config.Kind = Model::B;
    else if (model == QLatin1String("C"))
        config.Kind = Model::C;
    else if (!Bad(error, QStringLiteral("model"), f.at(QStringLiteral("model")), QStringLiteral("A, B or C")))
        return std::nullopt;

    if (f.count(QStringLiteral("baud"))) {
        const QString value = f.at(QStringLiteral("baud"));
        const auto baud = Integer(value);
        if (!baud || !(*baud == 2400 || *baud == 4800 || *baud == 9600 || *baud == 19200 || *baud == 38400)) {
            Bad(error, QStringLiteral("baud"), value, QStringLiteral("2400, 4800, 9600, 19200 or 38400"));
            return std::nullopt;
        }
        config.Baud = *baud;
    }
    if (f.count(QStringLiteral("format"))) {
        const QString value = f.at(QStringLiteral("format")).toLower();
        if (value != QLatin1String("ascii") && value != QLatin1String("rtu")) {
            Bad(error, QStringLiteral("format"), f.at(QStringLiteral("format")), QStringLiteral("ascii or rtu"));
            return std::nullopt;
        }
        config.Rtu = value == QLatin1String("rtu");
    }
    // RTU always carries 8 data bits, so that is its default.
    config.DataBits = config.Rtu ? 8 : 7;
    number.reset();
    if (!IntegerIn(f, "data", 7, 8, QStringLiteral("7 or 8"), number, error))
        return std::nullopt;
    if (number) {
        if (config.Rtu && *number != 8) {
            error = QStringLiteral("data: RTU carries 8 data bits, not %1").arg(*number);
            return std::nullopt;
        }
        config.DataBits = *number;
    }
    if (f.count(QStringLiteral("parity"))) {
        const QString value = f.at(QStringLiteral("parity")).toLower();
        if (value == QLatin1String("none") || value == QLatin1String("n"))
            config.Parity = pNone;
        else if (value == QLatin1String("even") || value == QLatin1String("e"))
            config.Parity = pEven;
        else if (value == QLatin1String("odd") || value == QLatin1String("o"))
            config.Parity = pOdd;
        else if (!Bad(error, QStringLiteral("parity"), f.at(QStringLiteral("parity")), QStringLiteral("none, even or odd")))
            return std::nullopt;
    }
    number.reset();
    if (!IntegerIn(f, "stop", 1, 2, QStringLiteral("1 or 2"), number, error))
        return std::nullopt;
    if (number)
        config.StopBits = *number;

    if (f.count(QStringLiteral("firmware"))) {
        const auto firmware = Firmware(f.at(QStringLiteral("firmware")));
        if (!firmware) {
            Bad(error, QStringLiteral("firmware"), f.at(QStringLiteral("firmware")),
                QStringLiteral("a version such as 1.12 or a word such as 0x0112"));
            return std::nullopt;
        }
        config.Firmware = *firmware;
    }
    if (f.count(QStringLiteral("sv"))) {
        const QString value = f.at(QStringLiteral("sv"));
        const int tenths = ParseScaledDecimal(value.toLatin1().constData(), 1);
        if (tenths == InvalidNumber || tenths < -1999 || tenths > 9999) {
            Bad(error, QStringLiteral("sv"), value, QStringLiteral("a set value from -199.9 to 999.9"));
            return std::nullopt;
        }
        setup.SetValue = tenths;
    }
    const bool security = f.count(QStringLiteral("level")) || f.count(QStringLiteral("keys")) ||
                          f.count(QStringLiteral("key1")) || f.count(QStringLiteral("key2")) ||
                          f.count(QStringLiteral("key3"));
    if (security && config.Kind != Model::C) {
        error = QStringLiteral("level, keys, key1-key3: only model C has security levels");
        return std::nullopt;
    }
    if (f.count(QStringLiteral("level"))) {
        const QString value = f.at(QStringLiteral("level"));
        const auto level = Integer(value);
        if (!level || !(*level == 8 || *level == 4 || *level == 2 || *level == 1)) {
            Bad(error, QStringLiteral("level"), value, QStringLiteral("8, 4, 2 or 1"));
            return std::nullopt;
        }
        setup.Level = level;
    }
    if (!IntegerIn(f, "keys", 0, 7, QStringLiteral("a key mask 0-7"), setup.Keys, error))
        return std::nullopt;
    static const QRegularExpression fourHex(QStringLiteral("^[0-9A-Fa-f]{4}$"));
    for (int k = 0; k < 3; ++k) {
        const QString name = QStringLiteral("key%1").arg(k + 1);
        if (!f.count(name))
            continue;
        const QString value = f.at(name);
        if (!fourHex.match(value).hasMatch()) {
            Bad(error, name, value, QStringLiteral("a password of 4 hex digits"));
            return std::nullopt;
        }
        setup.Passwords[static_cast<size_t>(k)] = value.toInt(nullptr, 16);
    }
    return setup;
}

std::optional<FaultSetup> ParseFaultArgument(const QString &text, QString &error)
{
    static const QStringList known{QStringLiteral("address"), QStringLiteral("kind"),  QStringLiteral("probability"),
                                   QStringLiteral("after"),   QStringLiteral("count"), QStringLiteral("every"),
                                   QStringLiteral("code"),    QStringLiteral("foreign"), QStringLiteral("bytes"),
                                   QStringLiteral("gap"),     QStringLiteral("delay")};
    const auto fields = SplitFields(text, known, error);
    if (!fields)
        return std::nullopt;
    const Fields &f = *fields;
    FaultSetup setup;
    std::optional<int> number;
    if (!f.count(QStringLiteral("address"))) {
        error = QStringLiteral("address: missing (the controller's address)");
        return std::nullopt;
    }
    if (!IntegerIn(f, "address", 1, 247, QStringLiteral("a station address 1-247"), number, error))
        return std::nullopt;
    setup.Address = *number;
    if (!f.count(QStringLiteral("kind"))) {
        error = QStringLiteral("kind: missing (silence, checksum, exception, foreign, split, slow or garbage)");
        return std::nullopt;
    }
    const auto kind = FaultFromName(f.at(QStringLiteral("kind")));
    if (!kind) {
        Bad(error, QStringLiteral("kind"), f.at(QStringLiteral("kind")),
            QStringLiteral("silence, checksum, exception, foreign, split, slow or garbage"));
        return std::nullopt;
    }
    setup.Rule.Kind = *kind;
    if (f.count(QStringLiteral("probability"))) {
        bool ok = false;
        const double p = f.at(QStringLiteral("probability")).toDouble(&ok);
        if (!ok || p <= 0 || p > 1) {
            Bad(error, QStringLiteral("probability"), f.at(QStringLiteral("probability")),
                QStringLiteral("a chance above 0 and at most 1"));
            return std::nullopt;
        }
        setup.Rule.Probability = p;
    }
    const struct {
        const char *Name;
        int Lo, Hi;
        int *Into;
    } counts[] = {{"after", 0, 1 << 30, &setup.Rule.After},
                  {"count", 0, 1 << 30, &setup.Rule.Count},
                  {"every", 0, 1 << 30, &setup.Rule.Every}};
    for (const auto &c : counts) {
        number.reset();
        if (!IntegerIn(f, c.Name, c.Lo, c.Hi, QStringLiteral("a count of replies"), number, error))
            return std::nullopt;
        if (number)
            *c.Into = *number;
    }
    if (!IntegerIn(f, "code", 1, 255, QStringLiteral("an exception code 1-255"), setup.ExceptionCode, error) ||
        !IntegerIn(f, "foreign", 1, 247, QStringLiteral("a station address 1-247"), setup.ForeignAddress, error) ||
        !IntegerIn(f, "bytes", 1, 256, QStringLiteral("a chunk size 1-256"), setup.SplitBytes, error) ||
        !IntegerIn(f, "gap", 0, 60'000, QStringLiteral("a gap 0-60000 ms"), setup.GapMs, error) ||
        !IntegerIn(f, "delay", 0, 60'000, QStringLiteral("a delay 0-60000 ms"), setup.DelayMs, error))
        return std::nullopt;
    return setup;
}

void ApplySetup(SimController &controller, const ControllerSetup &setup)
{
    if (setup.SetValue)
        controller.Poke(0x4701, *setup.SetValue);
    for (int k = 0; k < 3; ++k) {
        if (setup.Passwords[static_cast<size_t>(k)])
            controller.SetPassword(k + 1, *setup.Passwords[static_cast<size_t>(k)]);
    }
    if (setup.Level || setup.Keys)
        controller.SetSecurity(setup.Level.value_or(controller.SecurityLevel()), setup.Keys.value_or(controller.LevelKeys()));
}

void ApplyFault(SimController &controller, const FaultSetup &setup)
{
    FaultOptions &options = controller.Faults().Options;
    if (setup.ExceptionCode)
        options.ExceptionCode = *setup.ExceptionCode;
    if (setup.ForeignAddress)
        options.ForeignAddress = *setup.ForeignAddress;
    if (setup.SplitBytes)
        options.SplitBytes = *setup.SplitBytes;
    if (setup.GapMs)
        options.SplitGapMs = *setup.GapMs;
    if (setup.DelayMs)
        options.SlowMs = *setup.DelayMs;
    controller.Faults().Add(setup.Rule);
}
