#include "Q7310RGB/optimize/optimize.h"

#include "Q7310RGB/bitmap/operations.h"
#include "common/debug_log.h"

namespace q7310::rgb {

void optimizeOutput(OptimizeParams& params, DebugLog& log, const IcmStep& icm) {
  RgbBitmap& page = params.bitmap;
  const ColorSettings& s = params.settings;
  // Each operation refuses a bitmap it cannot work on and leaves it alone;
  // the optimisation itself never fails, so their results are not needed.
  if (params.rotate != 0) {
    log.log("Optimize --> Rotating output.");
    rotate180(page);
  }
  if (params.mirror != 0) {
    log.log("Optimize --> Mirroring output.");
    mirror(page);
  }
  if (s.gamma != 0) {
    log.log("Optimize --> Gamma correcting output (%d).", s.gamma);
    gamma(page, s.gamma);
  }
  if (s.contrast != 0 || s.brightness != 0) {
    log.log("Optimize --> Contrast (%d).", s.contrast);
    log.log("Optimize --> Brightness (%d).", s.brightness);
    brightnessContrast(page, s.brightness, s.contrast);
  }
  if (s.saturation != 0) {
    log.log("Optimize --> Saturation (%d).", s.saturation);
    saturate(page, s.saturation);
  }
  if (s.cyanRed != 0 || s.magentaGreen != 0 || s.yellowBlue != 0) {
    // Red is byte 0 on the driver's pages: cyan-red shifts byte 0 and
    // yellow-blue byte 2 (channelAdjust takes byte 2, 1, 0 in that order).
    channelAdjust(page, s.yellowBlue, s.magentaGreen, s.cyanRed);
  }
  if (s.sharpen != 0 && s.amount != 0 && s.radius != 0) {
    log.log("Optimize --> Sharpening output (%d, %d, %d ).", s.amount, s.radius, s.threshold);
    unsharpMask(page, s.amount, s.radius, s.threshold);
  }
  if (params.icm != 0) {
    log.log("Optimize --> ICM.");
    if (icm) icm(params);
  }
  if (params.grayscale != 0) {
    log.log("Optimize --> Grayscale.");
    grayscaleRedFirst(page);
  }
  if (params.scaling != 0 && params.scaling != 100) {
    log.log("Optimize --> Scaling output.");
    scale(page, params.scaling);
  }
}

}  // namespace q7310::rgb
