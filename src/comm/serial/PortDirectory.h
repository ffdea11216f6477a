// Which COM numbers exist and which device each one stands for.
//
// On Windows COMn is the device COMn and the list comes from the registry.
// On Linux, a symbolic link ports/COMn in the current directory binds COMn
// to whatever it points at (a /dev/ttyUSB0, a /dev/serial/by-id name, the
// simulator's pseudo-terminal); the other serial devices get the lowest free
// numbers, USB adapters before built-in ports, each group in name order.
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

// The current mapping, lowest number first.
QList<PortEntry> Ports();
// The device of COMn, or empty when there is none.
QString DeviceFor(int number);

// The mapping rule, apart from the file system: links found in the link
// folder (name, target) and the devices the system lists.
QList<PortEntry> Assign(const QList<PortEntry> &links, const QStringList &devices);

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
