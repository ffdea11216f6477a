#include "StepTable.h"

#include "MonitorSlot.h"

namespace {

constexpr PollRequest Read(int reg, int count)
{
    return PollRequest{0x03, reg, count, true};
}

struct StepRow {
    int Step;
    PollRequest A, B, CFull, CRestricted;  // model C at level 4 or more, and below
};

constexpr PollRequest Fallback = Read(0x4700, 2);

constexpr StepRow Rows[] = {
    {1, Read(0x470F, 2), Read(0x4724, 2), Read(0x4751, 1), Read(0x4751, 1)},
    {2, Read(0x4728, 4), Read(0x4717, 4), Read(0x471A, 6), Read(0x4728, 1)},
    {3, Read(0x4700, 2), Read(0x4700, 4), Read(0x4700, 4), Read(0x4700, 2)},
    {4, Read(0x4718, 8), Read(0x4728, 8), Read(0x4728, 8), Read(0x4728, 1)},
    {5, Read(0x4700, 2), Read(0x4700, 4), Read(0x4700, 4), Read(0x4700, 2)},
    {6, Read(0x471C, 3), Read(0x4723, 7), Read(0x4723, 6), Read(0x4728, 1)},
    {7, Read(0x4733, 1), Read(0x4751, 1), Read(0x4751, 1), Read(0x4751, 1)},
    {8, Read(0x4762, 5), Read(0x4762, 5), Read(0x4762, 5), Read(0x4762, 5)},
    {10, Read(0x4731, 1), Read(0x4720, 8), Read(0x4720, 8), Read(0x4720, 8)},
    {11, Read(0x4710, 8), Read(0x4710, 8), Read(0x4710, 8), Read(0x4710, 8)},
    {12, Read(0x4718, 8), Read(0x4718, 8), Read(0x4718, 8), Read(0x4718, 8)},
    {13, Read(0x4708, 8), Read(0x4708, 8), Read(0x4708, 8), Read(0x4708, 8)},
    {14, Read(0x4701, 7), Read(0x4701, 7), Read(0x4701, 7), Read(0x4701, 7)},
    {20, Read(0x4720, 8), Read(0x4730, 7), Read(0x4730, 7), Read(0x4730, 7)},
    {21, PollRequest{0x03, 0x4737, 2, false}, Read(0x4737, 2), Read(0x4737, 2), Read(0x4737, 2)},
};

} // namespace

PollRequest StepRequest(int step, std::uint8_t model, int securityLevel)
{
    if (step == 0)
        return PollRequest{FunctionIdentify, IdentifyRegister, 3, true};
    for (const StepRow &row : Rows) {
        if (row.Step != step)
            continue;
        switch (model) {
        case ModelA: return row.A;
        case ModelB: return row.B;
        case ModelC: return securityLevel >= 4 ? row.CFull : row.CRestricted;
        default: return Fallback;
        }
    }
    return Fallback;
}
