#include "outside/printer/dye_model.h"

#include <algorithm>
#include <cmath>

namespace q7310::printer {

namespace {

constexpr int kSamples = 31;  // 400..700 nm in steps of 10 nm

double gauss(double x, double mu, double s1, double s2) {
  double t = (x - mu) / (x < mu ? s1 : s2);
  return std::exp(-0.5 * t * t);
}

// Colour matching functions as sums of piecewise Gaussians (a close analytic
// fit of the CIE 1931 observer).
Triple observer(double nm) {
  double x = 1.056 * gauss(nm, 599.8, 37.9, 31.0) + 0.362 * gauss(nm, 442.0, 16.0, 26.7) -
             0.065 * gauss(nm, 501.1, 20.4, 26.2);
  double y = 0.821 * gauss(nm, 568.8, 46.9, 40.5) + 0.286 * gauss(nm, 530.9, 16.3, 31.1);
  double z = 1.217 * gauss(nm, 437.0, 11.8, 36.0) + 0.681 * gauss(nm, 459.0, 26.0, 13.8);
  return {x, y, z};
}

// Relative spectral power of D50, approximated by a 5003 K black body.
double illuminant(double nm) {
  const double c2 = 1.4388e-2, t = 5003.0;
  double m = nm * 1e-9;
  return 1.0 / (std::pow(m, 5) * (std::exp(c2 / (m * t)) - 1.0));
}

// Optical density at full amount of each dye: a main band and a weak side
// absorption, as real dye-sublimation dyes have.
double yellowDensity(double nm) { return 2.2 * gauss(nm, 440.0, 60.0, 34.0) + 0.08 * gauss(nm, 540.0, 40.0, 40.0); }
double magentaDensity(double nm) {
  return 2.0 * gauss(nm, 545.0, 38.0, 35.0) + 0.35 * gauss(nm, 440.0, 30.0, 30.0) +
         0.06 * gauss(nm, 640.0, 40.0, 40.0);
}
double cyanDensity(double nm) { return 1.9 * gauss(nm, 630.0, 45.0, 60.0) + 0.18 * gauss(nm, 550.0, 40.0, 40.0); }

double paperReflectance(double nm) { return 0.88 + 0.02 * (nm - 400.0) / 300.0; }

struct Tables {
  double weight[kSamples][3];  // illuminant × observer, normalised to Y(white) = 1
  double density[kSamples][3];
  double paper[kSamples];
  Tables() {
    double sumY = 0;
    for (int i = 0; i < kSamples; ++i) {
      double nm = 400.0 + 10.0 * i;
      Triple o = observer(nm);
      double s = illuminant(nm);
      for (int c = 0; c < 3; ++c) weight[i][c] = s * o[c];
      sumY += weight[i][1];
      density[i][0] = yellowDensity(nm);
      density[i][1] = magentaDensity(nm);
      density[i][2] = cyanDensity(nm);
      paper[i] = paperReflectance(nm);
    }
    // Scale to the D50 white point so that a perfect reflector gives kD50.
    double sum[3] = {};
    for (int i = 0; i < kSamples; ++i) {
      for (int c = 0; c < 3; ++c) sum[c] += weight[i][c] / sumY;
    }
    for (int i = 0; i < kSamples; ++i) {
      for (int c = 0; c < 3; ++c) weight[i][c] = weight[i][c] / sumY * kD50[c] / sum[c];
    }
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

double f(double t) { return t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0; }

}  // namespace

Triple dyesFromRgb(const Triple& rgb) {
  // The head's transfer: amount = (1 - v / 255)^1.15, blue->yellow, green->magenta, red->cyan.
  auto amount = [](double v) { return std::pow(std::clamp(1.0 - v / 255.0, 0.0, 1.0), 1.15); };
  return {amount(rgb[2]), amount(rgb[1]), amount(rgb[0])};
}

Triple xyzFromDyes(const Triple& dyes) {
  const Tables& t = tables();
  Triple xyz{};
  for (int i = 0; i < kSamples; ++i) {
    double d = dyes[0] * t.density[i][0] + dyes[1] * t.density[i][1] + dyes[2] * t.density[i][2];
    double r = t.paper[i] * std::pow(10.0, -d);
    for (int c = 0; c < 3; ++c) xyz[c] += r * t.weight[i][c];
  }
  return xyz;
}

Triple paperXyz() { return xyzFromDyes({0, 0, 0}); }

Triple labFromXyz(const Triple& xyz, const Triple& white) {
  double fx = f(xyz[0] / white[0]), fy = f(xyz[1] / white[1]), fz = f(xyz[2] / white[2]);
  return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

Triple labFromRgb(const Triple& rgb) { return labFromXyz(xyzFromDyes(dyesFromRgb(rgb)), paperXyz()); }

Triple absoluteLabFromRgb(const Triple& rgb) { return labFromXyz(xyzFromDyes(dyesFromRgb(rgb)), kD50); }

Triple rgbFromLab(const Triple& target) {
  // Started from a grey of the target's lightness.
  double g = std::clamp(target[0] / 100.0, 0.0, 1.0) * 255.0;
  return rgbFromLab(target, {g, g, g});
}

Triple rgbFromLab(const Triple& target, const Triple& start) {
  // Damped Gauss-Newton on the squared Lab difference, kept inside the cube.
  Triple x = start;
  for (double& v : x) v = std::clamp(v, 0.0, 255.0);
  auto residual = [&](const Triple& v) {
    Triple lab = labFromRgb(v);
    return Triple{lab[0] - target[0], lab[1] - target[1], lab[2] - target[2]};
  };
  auto norm2 = [](const Triple& r) { return r[0] * r[0] + r[1] * r[1] + r[2] * r[2]; };
  Triple r = residual(x);
  double lambda = 1e-3;
  for (int iter = 0; iter < 40 && norm2(r) > 1e-8; ++iter) {
    double jac[3][3];
    for (int c = 0; c < 3; ++c) {
      Triple xp = x;
      double h = x[c] > 254.0 ? -0.5 : 0.5;
      xp[c] += h;
      Triple rp = residual(xp);
      for (int k = 0; k < 3; ++k) jac[k][c] = (rp[k] - r[k]) / h;
    }
    // Solve (J^T J + lambda I) dx = -J^T r.
    double a[3][4];
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        a[i][j] = 0;
        for (int k = 0; k < 3; ++k) a[i][j] += jac[k][i] * jac[k][j];
      }
      a[i][i] += lambda * (1.0 + a[i][i]);
      a[i][3] = 0;
      for (int k = 0; k < 3; ++k) a[i][3] -= jac[k][i] * r[k];
    }
    for (int i = 0; i < 3; ++i) {
      int p = i;
      for (int k = i + 1; k < 3; ++k) {
        if (std::fabs(a[k][i]) > std::fabs(a[p][i])) p = k;
      }
      std::swap(a[i], a[p]);
      if (std::fabs(a[i][i]) < 1e-15) break;
      for (int k = 0; k < 3; ++k) {
        if (k == i) continue;
        double m = a[k][i] / a[i][i];
        for (int j = i; j < 4; ++j) a[k][j] -= m * a[i][j];
      }
    }
    Triple next;
    for (int i = 0; i < 3; ++i) {
      double step = std::fabs(a[i][i]) < 1e-15 ? 0.0 : a[i][3] / a[i][i];
      next[i] = std::clamp(x[i] + step, 0.0, 255.0);
    }
    Triple rn = residual(next);
    if (norm2(rn) < norm2(r)) {
      x = next;
      r = rn;
      lambda = std::max(lambda * 0.3, 1e-6);
    } else {
      lambda *= 10.0;
      if (lambda > 1e6) break;
    }
  }
  return x;
}

}  // namespace q7310::printer
