#include "api/boundary.hpp"
#include "calibration/calibrate_command.hpp"
#include "measurements/measure_command.hpp"

namespace orv::api {

Session &default_session() {
  static Session session = [] {
    Session s;
    s.provide_command("MEASURE", measurements::measure_command);
    s.provide_command("CALIBRATE", calibration::calibrate_command);
    return s;
  }();
  return session;
}

}  // namespace orv::api
