#include "PortDirectory.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSettings>

#include <algorithm>
#include <set>

namespace PortDirectory {

namespace {

bool IsUsbDevice(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
}

// Name order with numbers compared as numbers: ttyS2 before ttyS10.
bool NaturalLess(const QString &a, const QString &b)
{
    static const QRegularExpression split(QStringLiteral("^(.*?)(\\d*)$"));
    const auto ma = split.match(a);
    const auto mb = split.match(b);
    if (ma.captured(1) != mb.captured(1))
        return ma.captured(1) < mb.captured(1);
    const qulonglong na = ma.captured(2).toULongLong();
    const qulonglong nb = mb.captured(2).toULongLong();
    return na != nb ? na < nb : a < b;
}

void SortByNumber(QList<PortEntry> &ports)
{
    std::sort(ports.begin(), ports.end(), [](const PortEntry &a, const PortEntry &b) { return a.Number < b.Number; });
}

QString Canonical(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

#ifndef Q_OS_WIN
QList<PortEntry> Links()
{
    QList<PortEntry> links;
    const QDir folder(LinkFolder());
    static const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]?)$"));
    for (const QFileInfo &info : folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const auto match = comName.match(info.fileName());
        if (!match.hasMatch() || !info.isSymLink())
            continue;
        const int number = match.captured(1).toInt();
        if (number <= HighestPort)
            links.append({number, info.absoluteFilePath()});
    }
    return links;
}
#endif

} // namespace

QString LinkFolder()
{
    return WorkFolder::Path(QString::fromLatin1(WorkFolder::LinkFolderName));
}

QList<PortEntry> Assign(const QList<PortEntry> &links, const QStringList &devices, const QList<PortEntry> &known)
{
    QList<PortEntry> ports = links;
    std::set<int> taken;
    std::set<QString> bound;
    for (const PortEntry &link : links) {
        taken.insert(link.Number);
        bound.insert(Canonical(link.Device));
    }
    std::set<QString> placed;
    for (const PortEntry &entry : known) {
        if (taken.count(entry.Number) || bound.count(Canonical(entry.Device)))
            continue;
        ports.append(entry);
        taken.insert(entry.Number);
        placed.insert(entry.Device);
    }
    QStringList usb, others;
    for (const QString &device : devices) {
        if (bound.count(Canonical(device)) || placed.count(device))
            continue;
        (IsUsbDevice(device) ? usb : others).append(device);
    }
    std::sort(usb.begin(), usb.end(), NaturalLess);
    std::sort(others.begin(), others.end(), NaturalLess);
    int next = 1;
    for (const QString &device : usb + others) {
        while (taken.count(next))
            ++next;
        if (next > HighestPort)
            break;
        ports.append({next, device});
        taken.insert(next);
    }
    SortByNumber(ports);
    return ports;
}

namespace {

// Every number given in this run, with the device it was given to.
QList<PortEntry> &Known()
{
    static QList<PortEntry> known;
    return known;
}

bool &Enumerated()
{
    static bool enumerated = false;
    return enumerated;
}

int &Enumerations()
{
    static int count = 0;
    return count;
}

#ifndef Q_OS_WIN
// The /dev/serial/by-id name of a device, which stays the same when the
// adapter is plugged in again under another ttyUSBn; the device itself when
// it has none.
QString StableName(const QString &device, const QList<QFileInfo> &byId)
{
    const QString target = Canonical(device);
    for (const QFileInfo &link : byId) {
        if (link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    }
    return device;
}
#endif

void EnsureEnumerated()
{
    if (!Enumerated())
        Refresh();
}

} // namespace

int EnumerationCount()
{
    return Enumerations();
}

void Refresh()
{
    Enumerated() = true;
    ++Enumerations();
#ifdef Q_OS_WIN
    QList<PortEntry> ports;
    static const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]?)$"));
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const auto match = comName.match(info.portName());
        if (match.hasMatch())
            ports.append({match.captured(1).toInt(), info.portName()});
    }
    SortByNumber(ports);
    Known() = ports;
#else
    const QList<QFileInfo> byId =
        QDir(QStringLiteral("/dev/serial/by-id")).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    QStringList devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        devices.append(StableName(info.systemLocation(), byId));
    // New devices are numbered around the links of now; the links
    // themselves are read afresh at every use.
    const QList<PortEntry> links = Links();
    QList<PortEntry> known = Known();
    const auto numbered = [](const QList<PortEntry> &list, int number) {
        return std::any_of(list.begin(), list.end(), [number](const PortEntry &e) { return e.Number == number; });
    };
    for (const PortEntry &entry : Assign(links, devices, known)) {
        if (!numbered(links, entry.Number) && !numbered(known, entry.Number))
            known.append(entry);
    }
    SortByNumber(known);
    Known() = known;
#endif
}

QList<PortEntry> Ports()
{
    EnsureEnumerated();
#ifdef Q_OS_WIN
    return Known();
#else
    QList<PortEntry> ports;
    for (const PortEntry &entry : Assign(Links(), {}, Known())) {
        if (QFileInfo::exists(entry.Device))
            ports.append(entry);
    }
    return ports;
#endif
}

QString DeviceFor(int number)
{
#ifdef Q_OS_WIN
    return number >= 1 ? QStringLiteral("COM%1").arg(number) : QString();
#else
    for (const PortEntry &entry : Ports()) {
        if (entry.Number == number)
            return entry.Device;
    }
    return QString();
#endif
}

QString DescribeDevice(const DeviceFacts &facts)
{
    QStringList lines{facts.Device};
    const QString adapter = QStringList({facts.Maker, facts.Product}).join(QLatin1Char(' ')).trimmed();
    if (!adapter.isEmpty())
        lines.append(adapter);
    if (!facts.SerialNumber.isEmpty())
        lines.append(QStringLiteral("Serial number: %1").arg(facts.SerialNumber));
    if (!facts.Link.isEmpty())
        lines.append(QStringLiteral("Link: %1").arg(facts.Link));
    return lines.join(QLatin1Char('\n'));
}

QHash<int, QString> Describe(const QList<PortEntry> &ports)
{
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    const QString linkFolder = Canonical(LinkFolder());
    QHash<int, QString> texts;
    for (const PortEntry &entry : ports) {
        DeviceFacts facts;
        facts.Device = Canonical(entry.Device);
        if (QFileInfo(entry.Device).isSymLink() && Canonical(QFileInfo(entry.Device).absolutePath()) == linkFolder)
            facts.Link = entry.Device;
        for (const QSerialPortInfo &info : infos) {
            if (Canonical(info.systemLocation()) == facts.Device || info.portName() == entry.Device) {
                facts.Maker = info.manufacturer();
                facts.Product = info.description();
                facts.SerialNumber = info.serialNumber();
                break;
            }
        }
        texts.insert(entry.Number, DescribeDevice(facts));
    }
    return texts;
}

QStringList PortNames()
{
    QStringList names;
#ifdef Q_OS_WIN
    QSettings key(QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM"), QSettings::NativeFormat);
    for (const QString &value : key.childKeys())
        names.append(key.value(value).toString());
#else
    for (const PortEntry &entry : Ports())
        names.append(QStringLiteral("COM%1").arg(entry.Number));
#endif
    return names;
}

void MarkComPorts(const QStringList &names, bool present[ComPortCount])
{
    for (const QString &name : names) {
        if (!name.startsWith(QLatin1String("COM")))
            continue;
        if (name.size() != 4 && name.size() != 5)
            continue;
        int number = 0;
        for (qsizetype i = 3; i < name.size(); ++i) {
            const char c = name.at(i).toLatin1();
            if (c < '0' || c > '9')
                return;  // an unreadable number ends the enumeration
            number = number * 10 + (c - '0');
        }
        if (number >= 0 && number < ComPortCount)
            present[number] = true;
    }
}

} // namespace PortDirectory
