// RC4, the stream cipher Jet uses twice: to mask part of the header page with
// a fixed key, and to encode whole pages when a database key is set.
#pragma once

#include <cstdint>
#include <span>

namespace jet {

// XORs `data` with the RC4 keystream of `key` (encoding and decoding are the same).
void Rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

}  // namespace jet
