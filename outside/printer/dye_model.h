// A model of the printer's dyes: how much light the yellow, magenta and cyan
// layers absorb, and so which CIE Lab (D50) a print shows for the RGB values
// the printer is sent. Shared by the emulated printer, which renders prints
// with it, and by the profile maker, which builds the printer's ICC profile
// from it, so that matched pages print as they should.
#pragma once

#include <array>

namespace q7310::printer {

using Triple = std::array<double, 3>;

// Dye amounts 0..1 for yellow, magenta and cyan from printer RGB (0..255):
// red controls cyan, green magenta, blue yellow, through the head's tone
// response.
Triple dyesFromRgb(const Triple& rgb);

// Reflected CIE XYZ under D50 (Y of a perfect white = 1) of a print with the
// given dye amounts.
Triple xyzFromDyes(const Triple& dyes);
// The paper's own XYZ (no dye).
Triple paperXyz();

// Lab of printer RGB relative to the paper (the paper is L* 100), D50.
Triple labFromRgb(const Triple& rgb);
// Absolute Lab (relative to the perfect D50 white).
Triple absoluteLabFromRgb(const Triple& rgb);

// The printer RGB (0..255) whose relative Lab is closest to the target,
// found numerically; colors outside the gamut come back clipped to it.
Triple rgbFromLab(const Triple& lab);
// The same, searching from a start point (a neighbour's answer converges fastest).
Triple rgbFromLab(const Triple& lab, const Triple& start);

// The D50 white and Lab conversions the model uses.
inline constexpr Triple kD50 = {0.9642, 1.0, 0.8249};
Triple labFromXyz(const Triple& xyz, const Triple& white);

}  // namespace q7310::printer
