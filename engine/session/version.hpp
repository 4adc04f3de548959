// The engine version handed out by the open calls and the VERSION
// system variable (yyyymmdd).
#pragma once

namespace orv {

inline constexpr int kEngineVersion = 20261201;

}  // namespace orv
