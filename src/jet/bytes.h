// Little-endian integers inside a block of bytes read from the file. Every
// read is checked against the block's end: offsets and lengths come from the
// file and may be garbage.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "jet/error.h"
#include "jet/page.h"

namespace jet {

using ByteSpan = std::span<const std::uint8_t>;

// Whether [offset, offset + length) lies inside a block of `size` bytes.
inline bool Fits(std::size_t size, std::size_t offset, std::size_t length) {
  return offset <= size && length <= size - offset;
}

inline void Require(ByteSpan bytes, std::size_t offset, std::size_t length, const char* what) {
  if (!Fits(bytes.size(), offset, length)) ThrowDamaged(what);
}

inline std::uint8_t U8(ByteSpan b, std::size_t off) {
  Require(b, off, 1, "field beyond its block");
  return b[off];
}
inline std::uint16_t U16(ByteSpan b, std::size_t off) {
  Require(b, off, 2, "field beyond its block");
  return static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8));
}
inline std::uint32_t U24(ByteSpan b, std::size_t off) {
  Require(b, off, 3, "field beyond its block");
  return b[off] | (b[off + 1] << 8) | (static_cast<std::uint32_t>(b[off + 2]) << 16);
}
inline std::uint32_t U32(ByteSpan b, std::size_t off) {
  Require(b, off, 4, "field beyond its block");
  return b[off] | (b[off + 1] << 8) | (b[off + 2] << 16) | (static_cast<std::uint32_t>(b[off + 3]) << 24);
}
inline std::uint64_t U64(ByteSpan b, std::size_t off) {
  return U32(b, off) | (static_cast<std::uint64_t>(U32(b, off + 4)) << 32);
}
inline double F64(ByteSpan b, std::size_t off) {
  std::uint64_t bits = U64(b, off);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
inline float F32(ByteSpan b, std::size_t off) {
  std::uint32_t bits = U32(b, off);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// Writers: the caller has sized the block.
inline void PutU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU24(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
}
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
  PutU16(p, static_cast<std::uint16_t>(v));
  PutU16(p + 2, static_cast<std::uint16_t>(v >> 16));
}
inline void PutU64(std::uint8_t* p, std::uint64_t v) {
  PutU32(p, static_cast<std::uint32_t>(v));
  PutU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace jet
