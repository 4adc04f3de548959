// Numerical constants of the hydraulic solver, in SI units. The tolerances are
// the customary ones of the INP tradition, stated there in feet and cfs, and
// converted here so that results agree with other engines of that tradition.
#pragma once

#include <cmath>

#include "model/units.hpp"

namespace orv::hyd {

inline constexpr double kFt = units::kFoot;
inline constexpr double kCfs = kFt * kFt * kFt;             // m3/s per cfs
inline constexpr double kHtol = 0.0005 * kFt;               // head tolerance of status checks (m)
inline constexpr double kQtol = 0.0001 * kCfs;              // flow tolerance of status checks (m3/s)
inline constexpr double kRQtol = 1e-7 * kFt / kCfs;         // smallest head-loss gradient (m per m3/s)
inline constexpr double kTiny = 1e-6 * kCfs;                // smallest flow used in gradients
inline constexpr double kQzero = 1e-6 * kCfs;               // flow regarded as zero
inline constexpr double kBig = 1e8;
// Gradient of a link with no loss of its own (an open valve without minor loss) (m per m3/s).
inline constexpr double kSmallGradient = 1e-6 * kFt / kCfs;
// Narrowest pressure range of pressure-driven demand (m).
inline constexpr double kMinPressureRange = 0.1 * kFt;
// A very steep head-loss gradient (m per m3/s) and its inverse: the conductance
// of a closed link, and the stiffness of fixed relations.
inline constexpr double kBigGradient = kBig * kFt / kCfs;
inline constexpr double kBigConductance = kBig * kCfs / kFt;
inline constexpr double kGravity = units::kGravity;
inline constexpr double kViscosity = units::kWaterViscosity;
inline constexpr double kMinorLoss = 0.02517 / kFt;         // h = kMinorLoss * K q^2 / d^4 (SI)
inline constexpr double kHwExponent = 1.852;
// Hazen-Williams: h = kHw * L q^1.852 / (C^1.852 d^4.871), SI.
inline const double kHw = 4.727 * std::pow(kFt, 4.871 - 3 * kHwExponent);
// Constant-power pump: head gain h = kPower * P / q (P in W, q in m3/s, h in m).
inline const double kPower = 8.814 / units::kWattsPerHorsepower * kFt * kCfs;

}  // namespace orv::hyd
