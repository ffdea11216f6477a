// The simulated bus on a pseudo-terminal, linked under a path of the
// user's choice (ports/COM1), so that any serial program can open it.
//
// The kernel keeps only part of what a program sets on a pseudo-terminal:
// baud rate, stop bits and odd parity survive, 7 data bits and even or no
// parity do not. Those three are what decide here whether a controller
// understands the line.
#pragma once

#include "SimBus.h"

#include <QObject>
#include <QString>

#include <optional>

class QSocketNotifier;

class PtyLink : public QObject, public BusLine {
    Q_OBJECT
public:
    // Throws std::runtime_error with a text for the user.
    PtyLink(SimBus &bus, const QString &linkPath);
    ~PtyLink() override;  // closes the terminal and removes the link

    QString Device() const { return DeviceName; }
    QString LinkPath() const { return Link; }

    struct SeenSettings {
        int Baud = 0;
        int StopBits = 1;
        bool OddParity = false;
    };
    // What the program at the other end has set, as far as it shows.
    std::optional<SeenSettings> Seen() const;

    bool Hears(const ControllerConfig &config) const override;
    void Send(const QByteArray &bytes) override;
    QString Describe() const override;

private:
    void ReadAvailable();
    void WritePending();
    void MakeLink();

    SimBus &Bus;
    int Master = -1;
    // Held open so that the terminal outlives the program that opens and
    // closes it; never read, the program's replies are waiting there.
    int Slave = -1;
    QString DeviceName;
    QString Link;
    QSocketNotifier *Reader = nullptr;
    QSocketNotifier *Writer = nullptr;
    QByteArray Out;
};
