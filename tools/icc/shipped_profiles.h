// The ICC profiles the package ships, made from their definitions: the sRGB
// input profile, the printer's output profile (from the printer's dye
// model) and the color filter engine's own default profiles.
#pragma once

#include <string>
#include <vector>

#include "tools/icc/icc_writer.h"

namespace q7310::tools::icc {

// sRGB: display class, RGB data, XYZ PCS, the sRGB primaries adapted to D50
// (Bradford), the sRGB curve sampled at 1024 points.
Bytes srgbProfile();
// A matrix/TRC input profile with the sRGB primaries adapted to D50 and a
// plain gamma curve.
Bytes gammaInputProfile(const std::string& description, double gamma);
// The printer's output profile: RGB data, Lab PCS, lut16 A2B0..2 and B2A0..2
// computed from the dye model; a2bGrid and b2aGrid points per axis.
Bytes printerProfile(const std::string& description, unsigned a2bGrid, unsigned b2aGrid);

struct ShippedProfile {
  std::string fileName;
  Bytes bytes;
};
// Every profile the build generates, with its file name.
std::vector<ShippedProfile> shippedProfiles();

}  // namespace q7310::tools::icc
