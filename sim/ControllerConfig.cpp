#include "ControllerConfig.h"

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

QString DescribeLink(const ControllerConfig &config)
{
    const char parity = config.Parity == pEven ? 'E' : config.Parity == pOdd ? 'O' : config.Parity == pNone ? 'N' : '?';
    return QStringLiteral("%1 %2%3%4 %5")
        .arg(config.Baud)
        .arg(config.DataBits)
        .arg(QLatin1Char(parity))
        .arg(config.StopBits)
        .arg(config.Rtu ? QStringLiteral("RTU") : QStringLiteral("ASCII"));
}

int BitsPerCharacter(int dataBits, TParity parity, int stopBits)
{
    return 1 + dataBits + (parity == pNone ? 0 : 1) + stopBits;
}

double CharacterMicros(const ControllerConfig &config)
{
    return 1e6 * BitsPerCharacter(config.DataBits, config.Parity, config.StopBits) / std::max(config.Baud, 1);
}
