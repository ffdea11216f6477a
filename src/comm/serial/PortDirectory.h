// Which COM numbers exist and which device each one stands for.
//
// On Windows COMn is the device COMn and the list comes from the registry.
// On Linux, a symbolic link ports/COMn in the current directory binds COMn
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

#include <QList>
#include <QString>
#include <QStringList>

struct PortEntry {
    int Number = 0;
    QString Device;
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

// The port names as the system reports them ("COM3"): the registry's data
// on Windows, the directory's numbers on Linux.
QStringList PortNames();

// Marks the ports named in `names`: "COMd" marks d, "COMnn" marks nn when it
// is 0-12; names not starting with "COM" are ignored, and a name whose number
// does not convert ends the enumeration.
void MarkComPorts(const QStringList &names, bool present[ComPortCount]);

// The folder of the links, relative to the current directory.
QString LinkFolder();

} // namespace PortDirectory
