#include "FactorySettings.h"

void PutWord(BlockBytes &block, int offset, int value)
{
    block[static_cast<size_t>(offset)] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    block[static_cast<size_t>(offset + 1)] = static_cast<std::uint8_t>(value & 0xFF);
}

int GetWord(const BlockBytes &block, int offset)
{
    return block[static_cast<size_t>(offset)] * 256 + block[static_cast<size_t>(offset + 1)];
}

BlockBytes FactoryParameters(Model model)
{
    BlockBytes b{};
    if (model == Model::A) {
        PutWord(b, 0, 1000);  // set value 100.0
        PutWord(b, 2, 100);   // alarm 1 up / down 10.0
        PutWord(b, 4, 100);
        PutWord(b, 6, 200);   // alarm 2 up / down 20.0
        PutWord(b, 8, 200);
        b[10] = 0x01;  // communication write on, heating
        b[14] = 2;     // alarm 1: up limit
        b[15] = 3;     // alarm 2: down limit
        PutWord(b, 16, 6000);
        PutWord(b, 18, -999);
        PutWord(b, 20, 47);  // Pb 4.7
        PutWord(b, 22, 260);
        PutWord(b, 24, 41);
        PutWord(b, 26, 10);
        b[28] = 20;  // control period 20 s
        b[32] = 1;   // degrees C
        PutWord(b, 34, 100);
        return b;
    }
    PutWord(b, 0, 100);  // alarm limits 1-3
    PutWord(b, 2, 100);
    PutWord(b, 4, 200);
    PutWord(b, 6, 200);
    PutWord(b, 8, 300);
    PutWord(b, 10, 300);
    b[12] = 0x01;  // communication write on
    b[16] = 2;
    b[17] = 3;
    PutWord(b, 20, 6000);
    PutWord(b, 22, -999);
    PutWord(b, 24, model == Model::B ? 1500 : 800);
    PutWord(b, 26, 47);
    PutWord(b, 28, 260);
    PutWord(b, 30, 41);
    PutWord(b, 36, 10);
    PutWord(b, 38, 10);
    PutWord(b, 40, 100);  // P coefficient 1.00
    b[48] = 20;
    b[49] = 20;
    b[52] = 1;  // one decimal
    b[54] = 0;  // model C: output 1 heats,
    b[55] = 2;  // output 2 is an alarm
    PutWord(b, 124, 100);
    b[128] = 1;  // degrees C
    // Settings the registers do not show (communication options, display
    // options and the like) travel with the block as they are.
    for (int i = 132; i < 144; ++i)
        b[static_cast<size_t>(i)] = static_cast<std::uint8_t>(i * 37 + 11);
    for (int i = 180; i < 220; ++i)
        b[static_cast<size_t>(i)] = static_cast<std::uint8_t>(i * 37 + 11);
    // A sample program: pattern 0 with four steps, then the end.
    b[232] = 3;
    for (int p = 0; p < 8; ++p)
        b[static_cast<size_t>(248 + p)] = 8;
    return b;
}

BlockBytes FactoryRamp(Model model)
{
    BlockBytes r{};
    if (model == Model::A)
        return r;
    const int steps[4][2] = {{800, 2}, {800, 3}, {400, 2}, {400, 1}};
    for (int k = 0; k < 4; ++k) {
        PutWord(r, 4 * k, steps[k][0]);
        PutWord(r, 4 * k + 2, steps[k][1]);
    }
    return r;
}
