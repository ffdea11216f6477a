// Which COM numbers exist and which device each one stands for.
//
// On Windows COMn is the device COMn and the list comes from the registry.
// On Linux, a symbolic link ports/COMn in the work folder binds COMn
// to whatever it points at (a /dev/ttyUSB0, a /dev/serial/by-id name, the
// simulator's pseudo-terminal); the other serial devices get the lowest free
// numbers, USB adapters before built-in ports, each group in name order.
//
// The devices are enumerated once at start-up and again only when the link
// settings dialog opens, and a number once given stays with its device for
// the rest of the run (a USB adapter is held by its /dev/serial/by-id name
// where it has one): unplugging one adapter never shifts another onto its
// number, and a number whose device has gone is missing, never another one.
#pragma once

#include "Public.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

struct PortEntry {
    int Number = 0;
    QString Device;
};

// What the system tells of a port's device, for people.
struct DeviceFacts {
    QString Device;        // the device itself, links resolved ("/dev/ttyUSB0")
    QString Link;          // the ports/COMn link that names it, if one does
    QString Maker;         // USB adapters, as the system reports them
    QString Product;
    QString SerialNumber;
};

namespace PortDirectory {

inline constexpr int HighestPort = 50;

// Enumerates the system's serial devices again and numbers the new ones.
void Refresh();
// The ports that exist now, lowest number first: the links as they are
// now, and the devices of the last enumeration that are still there.
QList<PortEntry> Ports();
// The device of COMn, or empty when there is none (or it has gone).
QString DeviceFor(int number);
// How many times the system's device list was read (for tests).
int EnumerationCount();

// The numbering rule, apart from the file system: links found in the link
// folder (number, path), the devices the system lists now (by their stable
// names), and the numbers given earlier in this run, which their devices
// keep whether or not they are there now. Links win their numbers.
QList<PortEntry> Assign(const QList<PortEntry> &links, const QStringList &devices,
                        const QList<PortEntry> &known = {});

// The facts as the text of a tool tip: the device; the maker and product;
// the serial number, which tells two adapters of one kind apart; the link.
QString DescribeDevice(const DeviceFacts &facts);
// DescribeDevice of each port, by number, as the system reports them now.
QHash<int, QString> Describe(const QList<PortEntry> &ports);

// The port names as the system reports them ("COM3"): the registry's data
// on Windows, the directory's numbers on Linux.
QStringList PortNames();

// Marks the ports named in `names`: "COMd" marks d, "COMnn" marks nn when it
// is 0-12; names not starting with "COM" are ignored, and a name whose number
// does not convert ends the enumeration.
void MarkComPorts(const QStringList &names, bool present[ComPortCount]);

// The folder of the links, in the work folder (WorkFolder.h).
QString LinkFolder();

} // namespace PortDirectory
