// Who a simulated controller is: its model, its station address, its
// firmware and the link settings it was set to at its front panel.
#pragma once

#include "SerialLine.h"

#include <QString>

enum class Model { A, B, C };

struct ControllerConfig {
    int Address = 1;
    Model Kind = Model::A;
    // The firmware word as the controller reports it: major version in the
    // high byte, minor in the low byte as two hex digits (0x0112 is 1.12).
    int Firmware = 0x0110;
    int Baud = 9600;
    int DataBits = 7;
    TParity Parity = pEven;
    int StopBits = 1;
    bool Rtu = false;
};

// 'A', 'B' or 'C'.
char ModelLetter(Model model);
// "9600 7E1 ASCII"
QString DescribeLink(const ControllerConfig &config);
// Bits on the wire per character: start, data, parity, stop.
int BitsPerCharacter(int dataBits, TParity parity, int stopBits);
// Microseconds one character takes on the line.
double CharacterMicros(const ControllerConfig &config);
