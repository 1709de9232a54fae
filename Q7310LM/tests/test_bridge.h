// The stand-in bridge of the engine's tests: what it writes for a page, so
// that a test can tell the page's own printer image from anything else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace q7310::lm::testing {

// Byte i of the printer image: a colour byte of pixel i / 8 mixed with the
// byte's place and the correction data's request byte (its offset 6).
inline uint8_t testBridgeByte(const uint8_t* pixels, size_t i, uint8_t requestByte) {
  const size_t pixel = i / 8;
  const size_t place = i % 8;
  return static_cast<uint8_t>(pixels[pixel * 3 + place % 3] + place * 31 + requestByte);
}

inline std::vector<uint8_t> testBridgeImage(const std::vector<uint8_t>& pixels, uint8_t requestByte) {
  std::vector<uint8_t> image(pixels.size() / 3 * 8);
  for (size_t i = 0; i < image.size(); ++i) image[i] = testBridgeByte(pixels.data(), i, requestByte);
  return image;
}

}  // namespace q7310::lm::testing
