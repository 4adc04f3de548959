// Status codes returned by commands and by the entry points that report a
// status. Entry points that return a count report a failure as the negated
// code; those that return a text length report it as 0.
#pragma once

#include <stdexcept>
#include <string>

namespace orv {

enum class Status : int {
  Ok = 0,
  NoModel = 1,           // no model loaded
  NoResults = 2,         // no simulation results
  UnknownName = 3,       // unknown element, selection, zone, variable or code
  UnknownAttribute = 4,  // unknown attribute or not one of this element type
  BadArgument = 5,       // null pointer, bad count, type code, index or text
  FileError = 6,         // file or folder cannot be read or written
  CommandError = 7,      // unknown keyword or malformed command
  InputError = 8,        // model file rejected by the reader
  SimulationFailed = 9,  // the hydraulic simulation did not complete
  NotAvailable = 10,     // feature not in this engine version, or data the model lacks
  Internal = 11,         // unexpected internal failure
};

inline int code(Status s) { return static_cast<int>(s); }

// Thrown inside the engine to abandon an operation with a status and a message
// for the user; the entry points turn it into their failure value.
class Failure : public std::runtime_error {
 public:
  Failure(Status s, const std::string &message) : std::runtime_error(message), status_(s) {}
  Status status() const { return status_; }

 private:
  Status status_;
};

}  // namespace orv
