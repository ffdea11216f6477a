// read, write, backup, restore and ramp: one controller through the
// monitor's engine, with the parameter page's map, captions and scaling,
// and the program's own file formats.
#include "Commands.h"

#include "Conversions.h"
#include "ControllerSession.h"
#include "MessageTable.h"
#include "ParameterFile.h"
#include "ParameterWrites.h"
#include "RampFile.h"
#include "RampTransferRules.h"
#include "StatusDisplay.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace Cli {

namespace {

// ---- the parameter page as text --------------------------------------------

QString ModelName(std::uint8_t model)
{
    return QString(QChar(model));
}

// A parameter of this model's page as it is now (the hidden calibration
// mode aside); model C's decimal point is one too, kept at its front panel.
bool OnPage(Pc id, const ParameterPage &page, const MonitorSlot &slot)
{
    return !IsCalibrationControl(id) && page[id].Visible
        && (RegisterFor(id, slot.SlotModel) != NoRegister || id == Pc::Pointer);
}

// Every parameter of the page, each register once.
std::vector<Pc> PageParameters(const ParameterPage &page, const MonitorSlot &slot)
{
    std::vector<Pc> ids;
    std::vector<int> registers;
    for (const ParamControl &c : ParamControls()) {
        const int reg = RegisterFor(c.Id, slot.SlotModel);
        if (!OnPage(c.Id, page, slot) || std::find(registers.begin(), registers.end(), reg) != registers.end())
            continue;
        if (reg != NoRegister)
            registers.push_back(reg);
        ids.push_back(c.Id);
    }
    return ids;
}

std::optional<Pc> FindParameter(const QString &name)
{
    for (const ParamControl &c : ParamControls()) {
        if (name.compare(QLatin1String(c.Name), Qt::CaseInsensitive) == 0)
            return c.Id;
    }
    return std::nullopt;
}

// A parameter the user named, as this controller's page has it.
Pc NamedParameter(const QString &name, const ParameterPage &page, const MonitorSlot &slot)
{
    const std::optional<Pc> id = FindParameter(name);
    if (!id)
        UsageFail(QStringLiteral("no parameter \"%1\" (qmvctl read lists them)").arg(name));
    if (!OnPage(*id, page, slot))
        Fail(QStringLiteral("%1: not a parameter of this model %2").arg(name, ModelName(slot.SlotModel)));
    return *id;
}

QString Caption(Pc id)
{
    const QString label = QString::fromLatin1(Control(id).Label).trimmed();
    return label.isEmpty() ? QString::fromLatin1(Control(id).Name) : label;
}

QString ValueText(const ParameterPage &page, Pc id)
{
    const ControlState &state = page[id];
    const QStringList &items = Control(id).Items;
    if (Control(id).Kind == ControlKind::List && state.Item >= 0 && state.Item < items.size())
        return items[state.Item];
    return state.Text;
}

// A display text as JSON: a number when it reads as one ("- 12.5" too).
QJsonValue JsonValue(const QString &text)
{
    bool ok = false;
    const double number = QString(text).remove(QLatin1Char(' ')).toDouble(&ok);
    return ok && std::isfinite(number) ? QJsonValue(number) : QJsonValue(text);
}

struct StatusLine {
    QString Name;
    QString Text;
    QJsonValue Json;  // as JSON: a number, a flag, or the text
};

// What the monitor's slot shows of the controller.
std::vector<StatusLine> Status(MonitorEngine &engine)
{
    const MonitorSlot &slot = engine.Slot(0);
    const SlotView &view = engine.View(0);
    const QString firmware = FirmwareText(slot.FirmwareVersion).section(QLatin1Char(' '), -1);
    std::vector<StatusLine> lines{
        {QStringLiteral("Address"), QString::number(slot.SlotAddress), slot.SlotAddress},
        {QStringLiteral("Model"), ModelName(slot.SlotModel), ModelName(slot.SlotModel)},
        {QStringLiteral("Firmware"), firmware, firmware},
        {QStringLiteral("PV"), view.PvText, JsonValue(view.PvText)},
        {QStringLiteral("SV"), view.SvText, JsonValue(view.SvText)},
        {QStringLiteral("Unit"), view.UnitText, view.UnitText},
    };
    const auto output = [&lines](int n, int tenths) {
        lines.push_back({QStringLiteral("Output %1").arg(n), TenthsText(tenths) + QStringLiteral(" %"), tenths / 10.0});
    };
    const auto alarm = [&lines](int n, bool on) {
        lines.push_back({QStringLiteral("Alarm %1").arg(n), on ? QStringLiteral("on") : QStringLiteral("off"), on});
    };
    if (view.OutputsShown) {
        if (view.Outputs.Out1Visible)
            output(1, view.Out1Level);
        if (view.Outputs.Out2Visible)
            output(2, view.Out2Level);
        if (view.Outputs.Alarm1Visible)
            alarm(1, view.Alarm1On);
        if (view.Outputs.Alarm2Visible)
            alarm(2, view.Alarm2On);
        if (view.Outputs.Alarm3Visible)
            alarm(3, view.Alarm3On);
    }
    if (slot.IsModelC())
        lines.push_back({QStringLiteral("Security level"), QString::number(slot.SecurityLevel), slot.SecurityLevel});
    return lines;
}

void PrintText(MonitorEngine &engine, const std::vector<Pc> &ids)
{
    for (const StatusLine &line : Status(engine))
        Out(line.Name.leftJustified(16) + line.Text);
    Out(QString());
    for (Pc id : ids) {
        Out(QString::fromLatin1(Control(id).Name).leftJustified(14) + QLatin1Char(' ') + Caption(id).leftJustified(18)
            + QLatin1Char(' ') + ValueText(engine.Page(), id));
    }
}

void PrintJson(MonitorEngine &engine, const std::vector<Pc> &ids)
{
    QJsonObject status;
    for (const StatusLine &line : Status(engine))
        status.insert(line.Name.toLower().replace(QLatin1Char(' '), QLatin1Char('_')), line.Json);
    QJsonArray parameters;
    for (Pc id : ids) {
        parameters.append(QJsonObject{{QStringLiteral("name"), QString::fromLatin1(Control(id).Name)},
                                      {QStringLiteral("caption"), Caption(id)},
                                      {QStringLiteral("value"), JsonValue(ValueText(engine.Page(), id))}});
    }
    status.insert(QStringLiteral("parameters"), parameters);
    Out(QString::fromUtf8(QJsonDocument(status).toJson(QJsonDocument::Indented)).trimmed());
}

// ---- planned writes ------------------------------------------------------------

struct PlannedWrite {
    Pc Id = Pc::SV;
    QString Text;  // an edit field's value
    int Item = -1; // a list's item
};

// The text range a typed value of the control may have: what its 16-bit
// register holds, in the units typed.
QString RangeText(Pc id, const MonitorSlot &slot)
{
    const ParamControl &c = Control(id);
    const int scale = slot.SlotModel == ModelA ? c.ScaleA : c.ScaleBC;
    const int digits = scale == 100 ? 2 : scale == 10 ? 1 : 0;
    return QStringLiteral("%1 to %2")
        .arg(QString::number(INT16_MIN / double(scale), 'f', digits), QString::number(INT16_MAX / double(scale), 'f', digits));
}

// Everything that could refuse a write is asked before anything is sent.
PlannedWrite Plan(const QString &assignment, ControllerSession &session)
{
    const qsizetype equals = assignment.indexOf(QLatin1Char('='));
    if (equals <= 0)
        UsageFail(QStringLiteral("\"%1\" is not NAME=VALUE").arg(assignment));
    const QString name = assignment.left(equals).trimmed();
    const QString value = assignment.mid(equals + 1).trimmed();
    MonitorEngine &engine = session.Engine();
    const MonitorSlot &slot = session.Slot();
    const ParameterPage &page = engine.Page();
    PlannedWrite plan;
    plan.Id = NamedParameter(name, page, slot);
    const ParamControl &c = Control(plan.Id);
    if (plan.Id == Pc::PDOffset)
        Fail(QStringLiteral("%1 is read only").arg(c.Name));
    const bool enabled = page[plan.Id].Enabled && (c.Box == PageBox::None || page.BoxesEnabled);
    if (!enabled && slot.IsModelC())
        Fail(QStringLiteral("%1 cannot be written at security level %2").arg(c.Name).arg(slot.SecurityLevel));
    const QString disabled = QStringLiteral("address %1: %2 (write ComWrite=Enable)")
                                 .arg(session.Address())
                                 .arg(MessageTable::EnableComWriteFirst);
    if (!enabled)
        Fail(disabled);
    WriteDecision d;
    if (c.Kind == ControlKind::Edit) {
        plan.Text = value;
        d = TypedValue(plan.Id, value, slot);
        if (d.Refresh)
            Fail(QStringLiteral("%1: \"%2\" is not a number from %3").arg(c.Name, value, RangeText(plan.Id, slot)));
    } else {
        bool number = false;
        plan.Item = value.toInt(&number);
        if (!number) {
            plan.Item = -1;
            for (int i = 0; i < c.Items.size(); ++i) {
                if (value.compare(c.Items[i], Qt::CaseInsensitive) == 0)
                    plan.Item = i;
            }
        }
        if (plan.Item < 0 || plan.Item >= c.Items.size())
            Fail(QStringLiteral("%1: \"%2\" is none of %3").arg(c.Name, value, c.Items.join(QStringLiteral(", "))));
        d = ListChoice(plan.Id, plan.Item, slot);
        if (d.Decimals)
            Fail(QStringLiteral("%1: a model C keeps its decimal point at its front panel").arg(c.Name));
    }
    if (!d.Write)
        Fail(slot.ComWriteEnabled != 1 ? disabled : QStringLiteral("%1: %2").arg(c.Name, d.Message));
    return plan;
}

// ---- commands ---------------------------------------------------------------

const QCommandLineOption AddressOption(QStringLiteral("address"), QString(), QStringLiteral("N"));

const char ReadHelp[] = R"(Usage: qmvctl read [--address N] [--json] [line options] [NAME ...]

Identifies the controller at address N (default 1), reads its status and
its parameter page as the monitor does, and prints the model, process
value, set value, unit, outputs and alarms, then every parameter of its
page (or only the NAMEs given) as NAME, caption and value, scaled as the
page shows them. With --json the same as one JSON object.
)";

const char WriteHelp[] = R"(Usage: qmvctl write --address N [line options] NAME=VALUE ...

Writes parameters of the controller at address N as the parameter page
does: a number in the units the page shows (SV=120.5), a list item by its
text or number (CtrlSet=PID, RunStop=1). The unlock write goes first where
the parameter needs it; each write must come back as its echo, and the page
is read again and the value printed. Every value is checked before anything
is sent: a parameter the model lacks, a value outside what it holds, a
controller whose communication writing is disabled (write ComWrite=Enable
first) or whose security level forbids it refuses the whole command.
)";

const char BackupHelp[] = R"(Usage: qmvctl backup --address N --out FILE.par [line options]

Uploads the parameter block of the controller at address N (the monitor's
UPLOAD) and saves it as a parameter backup file, the same 260 bytes the
monitor's FILE menu saves.
)";

const char RestoreHelp[] = R"(Usage: qmvctl restore --address N [--all --yes] [--yes] [line options] FILE.par

Writes a parameter backup file into the controller at address N (the
monitor's WRITE TO SELECTED DEVICE). A file of another model is written
only with --yes. With --all --yes it is broadcast to every controller on
the line at once (WRITE TO ALL CONNECTED DEVICE), by the map of the
controller at address N, which must answer.
)";

const char RampHelp[] = R"(Usage: qmvctl ramp read|write --address N [line options] FILE.r$s

read: reads the ramp/soak program of the controller at address N (model B
or C) and saves it as a ramp/soak file, as the ramp/soak editor does.
write: writes the program of a ramp/soak file into the controller.
)";

} // namespace

int ReadCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    LinkOptions link;
    link.AddTo(parser);
    const QCommandLineOption json(QStringLiteral("json"));
    parser.addOptions({AddressOption, json});
    if (!Parse(parser, arguments, QString::fromLatin1(ReadHelp) + QLatin1String(LinkHelp)))
        return 0;
    const int address = IntOption(parser, AddressOption, 1, MaxAddress, 1);
    const QStringList names = parser.positionalArguments().mid(1);
    for (const QString &name : names) {
        if (!FindParameter(name))
            UsageFail(QStringLiteral("no parameter \"%1\" (qmvctl read lists them)").arg(name));
    }
    Line line(parser, link);
    ControllerSession session(line, address);
    MonitorEngine &engine = session.Engine();
    std::vector<Pc> ids;
    for (const QString &name : names)
        ids.push_back(NamedParameter(name, engine.Page(), session.Slot()));
    if (names.isEmpty())
        ids = PageParameters(engine.Page(), session.Slot());
    if (parser.isSet(json))
        PrintJson(engine, ids);
    else
        PrintText(engine, ids);
    return 0;
}

int WriteCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    LinkOptions link;
    link.AddTo(parser);
    parser.addOption(AddressOption);
    if (!Parse(parser, arguments, QString::fromLatin1(WriteHelp) + QLatin1String(LinkHelp)))
        return 0;
    const int address = RequiredAddress(parser, AddressOption);
    const QStringList assignments = parser.positionalArguments().mid(1);
    if (assignments.isEmpty())
        UsageFail(QStringLiteral("nothing to write: give NAME=VALUE"));
    Line line(parser, link);
    ControllerSession session(line, address);
    std::vector<PlannedWrite> plans;
    for (const QString &assignment : assignments)
        plans.push_back(Plan(assignment, session));
    MonitorEngine &engine = session.Engine();
    for (const PlannedWrite &plan : plans) {
        session.Write([&] {
            if (Control(plan.Id).Kind == ControlKind::Edit)
                engine.RangeHiKeyPress(plan.Id, plan.Text);
            else
                engine.CtrlSetCloseUp(plan.Id, plan.Item);
        });
        Out(QString::fromLatin1(Control(plan.Id).Name) + QStringLiteral(" = ") + ValueText(engine.Page(), plan.Id));
    }
    return 0;
}

int BackupCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    LinkOptions link;
    link.AddTo(parser);
    const QCommandLineOption out(QStringLiteral("out"), QString(), QStringLiteral("FILE"));
    parser.addOptions({AddressOption, out});
    if (!Parse(parser, arguments, QString::fromLatin1(BackupHelp) + QLatin1String(LinkHelp)))
        return 0;
    const int address = RequiredAddress(parser, AddressOption);
    if (!parser.isSet(out) || parser.value(out).isEmpty())
        UsageFail(QStringLiteral("--out FILE.par is missing"));
    if (parser.positionalArguments().size() > 1)
        UsageFail(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().at(1)));
    Line line(parser, link);
    ControllerSession session(line, address);
    session.Upload();
    const ParameterImage &image = session.Engine().Buffer();
    if (!SaveParameterFile(parser.value(out), image))
        Fail(parser.value(out) + QStringLiteral(": ") + MessageTable::FailToSaveFile);
    Out(HeaderText(image) + MessageTable::UploadSuccessful);
    Out(MessageTable::FileSaved(parser.value(out)));
    return 0;
}

int RestoreCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    LinkOptions link;
    link.AddTo(parser);
    const QCommandLineOption all(QStringLiteral("all"));
    const QCommandLineOption yes(QStringLiteral("yes"));
    parser.addOptions({AddressOption, all, yes});
    if (!Parse(parser, arguments, QString::fromLatin1(RestoreHelp) + QLatin1String(LinkHelp)))
        return 0;
    const int address = RequiredAddress(parser, AddressOption);
    const QStringList files = parser.positionalArguments().mid(1);
    if (files.size() != 1)
        UsageFail(QStringLiteral("give one FILE.par"));
    if (parser.isSet(all) && !parser.isSet(yes))
        UsageFail(QStringLiteral("--all writes every controller on the line at once: give --yes as well"));
    const ParameterFileLoad load = LoadParameterFile(files.first());
    if (load.Result != ParameterFileLoad::Outcome::Loaded)
        Fail(files.first() + QStringLiteral(": ") + MessageTable::FileContentError);
    Line line(parser, link);
    ControllerSession session(line, address);
    const std::uint8_t model = session.Slot().SlotModel;
    if (!parser.isSet(all) && load.Image.ModelLetter() != model && !parser.isSet(yes))
        Fail(QStringLiteral("%1 holds the parameters of a model %2, address %3 is a model %4: give --yes to write them all the same")
                 .arg(files.first(), QString(QChar(load.Image.ModelLetter())))
                 .arg(address)
                 .arg(ModelName(model)));
    session.Engine().LoadBuffer(load.Image, true);
    session.Download(parser.isSet(all));
    return 0;
}

int RampCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    LinkOptions link;
    link.AddTo(parser);
    parser.addOption(AddressOption);
    if (!Parse(parser, arguments, QString::fromLatin1(RampHelp) + QLatin1String(LinkHelp)))
        return 0;
    const QStringList rest = parser.positionalArguments().mid(1);
    if (rest.size() != 2 || (rest[0] != QLatin1String("read") && rest[0] != QLatin1String("write")))
        UsageFail(QStringLiteral("give read or write, then FILE.r$s"));
    const bool reading = rest[0] == QLatin1String("read");
    const QString path = rest[1];
    const int address = RequiredAddress(parser, AddressOption);
    RampSoakProgram program;
    RampImage image{};
    if (!reading && !LoadRampFile(path, program, image))
        Fail(path + QStringLiteral(": ") + MessageTable::FileContentError);
    Line line(parser, link);
    ControllerSession session(line, address);
    if (reading) {
        std::array<std::uint8_t, 256> parameters{};
        session.ReadRamp(parameters, image);
        ApplyParameterBytes(parameters, program);
        DecodeSteps(image, program);
        if (!SaveRampFile(path, program))
            Fail(path + QStringLiteral(": ") + MessageTable::FailToSaveFile);
        Out(MessageTable::RampProgramRead(address));
        Out(MessageTable::FileSaved(path));
        return 0;
    }
    std::array<int, RampWriteCount> words{};
    for (int i = 0; i < RampWriteCount; ++i)
        words[static_cast<size_t>(i)] = RampWriteWord(program, i);
    session.WriteRamp(words);
    Out(MessageTable::RampProgramWritten(address));
    return 0;
}

} // namespace Cli
