#include "Ramp.h"

TRampSoak *RampSoak = nullptr;

TRampSoak::TRampSoak(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("RampSoak"));
    setWindowTitle(QStringLiteral("Ramp soak programer"));
    resize(808, 560);
}
