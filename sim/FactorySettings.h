// What a controller holds when it leaves the factory, and the byte order
// of its blocks.
#pragma once

#include "ControllerConfig.h"
#include "RegisterMap.h"

#include <array>
#include <cstdint>

using BlockBytes = std::array<std::uint8_t, BlockSize>;

// Multi-byte values in the blocks are big-endian.
void PutWord(BlockBytes &block, int offset, int value);
int GetWord(const BlockBytes &block, int offset);

BlockBytes FactoryParameters(Model model);
BlockBytes FactoryRamp(Model model);
