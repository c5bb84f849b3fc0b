#include "byte_reader.h"

#include "global_block.h"

SectionBlock::SectionBlock(int32_t size) {
  reader.data = static_cast<const uint8_t*>(AllocFixedBlock(size));
  reader.size = reader.data ? size : 0;
  reader.pos = 0;
}

SectionBlock::~SectionBlock() { FreeFixedBlock(const_cast<uint8_t*>(reader.data)); }
