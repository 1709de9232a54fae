// Profiles for tests, made with the package's own profile writer, and a
// helper that writes one into the test's root and opens it.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Q5150FLT/icc/profile_file.h"
#include "platform/os/file_handle.h"
#include "platform/os/files.h"
#include "tools/icc/icc_writer.h"
#include "tools/icc/shipped_profiles.h"

namespace q7310::flt::testing {

namespace w = q7310::tools::icc;

// Writes the bytes to C:\profiles\<name> and returns that path.
inline std::string store(const std::string& name, const w::Bytes& bytes) {
  os::createFolder("C:\\profiles");
  std::string path = "C:\\profiles\\" + name;
  os::writeFileAtomic(path, std::span<const uint8_t>(bytes));
  return path;
}

// A profile the build generated (the shipped ones).
inline w::Bytes shipped(const std::string& name) {
  auto bytes = os::readFile(std::string(Q7310_PROFILE_DIR) + "/" + name);
  EXPECT_TRUE(bytes.has_value()) << name;
  return bytes.value_or(w::Bytes{});
}

// An open profile, closed at the end of the scope.
struct OpenProfile {
  os::FileHandle file = os::kInvalidFileHandle;
  explicit OpenProfile(const w::Bytes& bytes, const std::string& name = "p.icc") {
    file = icc::openProfile(store(name, bytes)).value_or(os::kInvalidFileHandle);
  }
  ~OpenProfile() {
    if (file != os::kInvalidFileHandle) os::closeFile(file);
  }
  OpenProfile(const OpenProfile&) = delete;
  OpenProfile& operator=(const OpenProfile&) = delete;
};

// A matrix/TRC RGB profile with the given colorants (columns) and gamma.
inline w::Bytes matrixProfile(const double (&m)[3][3], double gamma, uint32_t cls = w::sig("mntr")) {
  w::Profile p;
  p.deviceClass = cls;
  const uint32_t xyz[3] = {w::sig("rXYZ"), w::sig("gXYZ"), w::sig("bXYZ")};
  for (int c = 0; c < 3; ++c) p.add(xyz[c], w::xyzTag(m[0][c], m[1][c], m[2][c]));
  for (uint32_t t : {w::sig("rTRC"), w::sig("gTRC"), w::sig("bTRC")}) p.add(t, w::gammaTag(gamma));
  return w::write(p);
}

inline constexpr double kSrgbD50[3][3] = {
    {0.4361, 0.3851, 0.1431}, {0.2225, 0.7169, 0.0606}, {0.0139, 0.0971, 0.7141}};

// A LUT whose CLUT node values are fn(node input values 0..1) as 0..1.
template <typename Fn>
w::Lut gridLut(uint32_t inputs, uint32_t outputs, uint32_t grid, Fn fn) {
  w::Lut lut;
  lut.inputs = inputs;
  lut.outputs = outputs;
  lut.grid = grid;
  lut.inputTables.assign(inputs, w::identityTable(256));
  lut.outputTables.assign(outputs, w::identityTable(256));
  uint32_t nodes = 1;
  for (uint32_t i = 0; i < inputs; ++i) nodes *= grid;
  for (uint32_t n = 0; n < nodes; ++n) {
    double in[4] = {};
    uint32_t rest = n;
    for (uint32_t c = inputs; c-- > 0;) {
      in[c] = double(rest % grid) / (grid - 1);
      rest /= grid;
    }
    for (uint32_t o = 0; o < outputs; ++o) {
      lut.clut.push_back(uint16_t(std::lround(std::clamp(fn(in, o), 0.0, 1.0) * 65535.0)));
    }
  }
  return lut;
}

// A LUT profile: the same table under every A2B/B2A intent tag given.
inline w::Bytes lutProfile(uint32_t space, uint32_t pcs, const w::Bytes& a2b, const w::Bytes& b2a,
                           uint32_t cls = w::sig("prtr")) {
  w::Profile p;
  p.deviceClass = cls;
  p.colorSpace = space;
  p.pcs = pcs;
  if (!a2b.empty()) {
    for (uint32_t t : {w::sig("A2B0"), w::sig("A2B1"), w::sig("A2B2")}) p.add(t, a2b);
  }
  if (!b2a.empty()) {
    for (uint32_t t : {w::sig("B2A0"), w::sig("B2A1"), w::sig("B2A2")}) p.add(t, b2a);
  }
  return w::write(p);
}

}  // namespace q7310::flt::testing
