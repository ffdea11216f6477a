#include "RecorderState.h"

TRecorderState RecorderState;

TRecorderState::TRecorderState()
{
    DeviceAddress[0] = 1;
    DeviceShown.fill(true);
    DroppedAt.fill(-1);
}

int TRecorderState::NextUsedSlot(int slot) const
{
    for (int s = slot + 1; s < RecorderSlotCount; ++s) {
        if (s >= 0 && DeviceAddress[static_cast<std::size_t>(s)] != 0)
            return s;
    }
    return -1;
}

void TRecorderState::ClearFailures()
{
    FailCount.fill(0);
    DroppedAt.fill(-1);
}

QString CounterText(int sampleCount)
{
    return QLatin1Char(' ') + QStringLiteral("%1").arg(sampleCount, 7, 10, QLatin1Char('0'));
}

QString ZeroCounterText()
{
    return QStringLiteral(" 00000000");
}
