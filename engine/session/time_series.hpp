// Time series handed out: instants in hours with one value each, either at
// every result step (natural) or resampled at a fixed interval.
#pragma once

#include <string>
#include <vector>

#include "session/session.hpp"

namespace orv {

// Writes up to `room` (instant, value) pairs of the series whose instants are
// `seconds` into the caller's arrays and returns how many were written.
// interval_hours > 0 resamples at 0, dt, 2dt, ... up to the last instant,
// each value being the one of the last step not after that instant (results
// hold between steps); otherwise every step is written.
int deliver_series(const std::vector<double> &seconds, const std::vector<float> &values,
                   double interval_hours, int room, float *hours_out, float *values_out);

// Count of values that deliver_series would produce without a room limit
// (capped at the largest int).
int series_length(const std::vector<double> &seconds, double interval_hours);

// Total demand of a demand code (compared case-insensitively; "" stands for
// demands without code) at every result step, optionally over the nodes of
// a zone, in the display flow unit: base demand x pattern factor x demand
// multiplier, summed. Throws Failure(UnknownName) for a code no node uses or
// an unknown zone.
std::vector<float> demand_series(const Session &e, const std::string &code, const std::string *zone);

}  // namespace orv
