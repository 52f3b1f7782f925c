// CRC-32 with zlib's polynomial (reflected 0xEDB88320, register starting at
// and finished with all ones), as the journal's records carry it. Every page
// a change writes over passes through it once, so it folds sixteen bytes a
// step with carry-less multiplication where the processor has it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t length);

// The same value eight bytes a step from tables: what Crc32 falls back on
// without carry-less multiplication.
std::uint32_t Crc32ByTables(const std::uint8_t* data, std::size_t length);

}  // namespace jet
