// Why the system refused to open a serial device that exists. The system
// gives one answer for two causes a user must tell apart: a device another
// program holds, and a device this user may not open at all (on Linux, a
// user outside the device's group, usually dialout). The device's access
// rights and the lock files of the running programs tell which.
#pragma once

#include <QString>
#include <QStringList>

struct OpenRefusalFacts {
    QString Device;             // the device itself, links resolved ("/dev/ttyUSB0")
    QString Group;              // the group that owns it ("dialout")
    bool MayReadWrite = true;   // its access rights let this user read and write it
    bool Locked = false;        // a lock file names a running program
};

// The folders where serial programs leave their lock files.
QStringList LockFolders();

// The facts about `path` (a device or a link to one) as they are now.
OpenRefusalFacts OpenRefusalFactsOf(const QString &path, const QStringList &lockFolders = LockFolders());

// What the user is told: a device that a running program has locked, or
// that the user may open (so another program holds it exclusively), is
// "ie_Open - device already open"; a device the user may not read and write
// says how to get the right.
QString OpenRefusalText(const OpenRefusalFacts &facts);
