#include "ControllerSpec.h"

#include <algorithm>

char ModelLetter(Model model)
{
    switch (model) {
    case Model::A: return 'A';
    case Model::B: return 'B';
    case Model::C: return 'C';
    }
    return '?';
}

QString DescribeLink(const ControllerSpec &spec)
{
    const char parity = spec.Parity == pEven ? 'E' : spec.Parity == pOdd ? 'O' : spec.Parity == pNone ? 'N' : '?';
    return QStringLiteral("%1 %2%3%4 %5")
        .arg(spec.Baud)
        .arg(spec.DataBits)
        .arg(QLatin1Char(parity))
        .arg(spec.StopBits)
        .arg(spec.Rtu ? QStringLiteral("RTU") : QStringLiteral("ASCII"));
}

int BitsPerCharacter(int dataBits, TParity parity, int stopBits)
{
    return 1 + dataBits + (parity == pNone ? 0 : 1) + stopBits;
}

double CharacterMicros(const ControllerSpec &spec)
{
    return 1e6 * BitsPerCharacter(spec.DataBits, spec.Parity, spec.StopBits) / std::max(spec.Baud, 1);
}
