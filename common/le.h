// Little-endian field access for packed records: every record codec reads and
// writes its fields through these, at explicit offsets. Callers check the
// buffer's length before they read a record; a field past the end is a bug.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <span>

namespace q7310::le {

inline uint8_t u8(std::span<const uint8_t> buf, size_t off) {
  assert(off + 1 <= buf.size());
  return buf[off];
}

inline uint16_t u16(std::span<const uint8_t> buf, size_t off) {
  assert(off + 2 <= buf.size());
  return static_cast<uint16_t>(buf[off] | (buf[off + 1] << 8));
}

inline uint32_t u32(std::span<const uint8_t> buf, size_t off) {
  assert(off + 4 <= buf.size());
  return static_cast<uint32_t>(buf[off]) | (static_cast<uint32_t>(buf[off + 1]) << 8) |
         (static_cast<uint32_t>(buf[off + 2]) << 16) | (static_cast<uint32_t>(buf[off + 3]) << 24);
}

inline uint64_t u64(std::span<const uint8_t> buf, size_t off) {
  return static_cast<uint64_t>(u32(buf, off)) | (static_cast<uint64_t>(u32(buf, off + 4)) << 32);
}

inline int16_t i16(std::span<const uint8_t> buf, size_t off) { return static_cast<int16_t>(u16(buf, off)); }
inline int32_t i32(std::span<const uint8_t> buf, size_t off) { return static_cast<int32_t>(u32(buf, off)); }

inline float f32(std::span<const uint8_t> buf, size_t off) {
  uint32_t bits = u32(buf, off);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

inline void putU8(std::span<uint8_t> buf, size_t off, uint8_t v) {
  assert(off + 1 <= buf.size());
  buf[off] = v;
}

inline void putU16(std::span<uint8_t> buf, size_t off, uint16_t v) {
  assert(off + 2 <= buf.size());
  buf[off] = static_cast<uint8_t>(v);
  buf[off + 1] = static_cast<uint8_t>(v >> 8);
}

inline void putU32(std::span<uint8_t> buf, size_t off, uint32_t v) {
  assert(off + 4 <= buf.size());
  for (int i = 0; i < 4; ++i) buf[off + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void putU64(std::span<uint8_t> buf, size_t off, uint64_t v) {
  putU32(buf, off, static_cast<uint32_t>(v));
  putU32(buf, off + 4, static_cast<uint32_t>(v >> 32));
}

inline void putI16(std::span<uint8_t> buf, size_t off, int16_t v) { putU16(buf, off, static_cast<uint16_t>(v)); }
inline void putI32(std::span<uint8_t> buf, size_t off, int32_t v) { putU32(buf, off, static_cast<uint32_t>(v)); }

inline void putF32(std::span<uint8_t> buf, size_t off, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  putU32(buf, off, bits);
}

// Big-endian reads, for the formats that use that order (ICC profiles, tone
// curve files).
namespace be {
inline uint16_t u16(std::span<const uint8_t> buf, size_t off) {
  assert(off + 2 <= buf.size());
  return static_cast<uint16_t>((buf[off] << 8) | buf[off + 1]);
}
inline uint32_t u32(std::span<const uint8_t> buf, size_t off) {
  assert(off + 4 <= buf.size());
  return (static_cast<uint32_t>(buf[off]) << 24) | (static_cast<uint32_t>(buf[off + 1]) << 16) |
         (static_cast<uint32_t>(buf[off + 2]) << 8) | static_cast<uint32_t>(buf[off + 3]);
}
inline int32_t i32(std::span<const uint8_t> buf, size_t off) { return static_cast<int32_t>(u32(buf, off)); }
inline void putU16(std::span<uint8_t> buf, size_t off, uint16_t v) {
  assert(off + 2 <= buf.size());
  buf[off] = static_cast<uint8_t>(v >> 8);
  buf[off + 1] = static_cast<uint8_t>(v);
}
inline void putU32(std::span<uint8_t> buf, size_t off, uint32_t v) {
  assert(off + 4 <= buf.size());
  for (int i = 0; i < 4; ++i) buf[off + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
}  // namespace be

}  // namespace q7310::le
