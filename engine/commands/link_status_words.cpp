#include "commands/link_status_words.hpp"

#include "session/session.hpp"

namespace orv::commands {

void set_initial_status(Link &link, std::string_view word) {
  const std::string w = upper(word);
  const LinkStatus status = w == "OPEN"     ? LinkStatus::Open
                            : w == "CLOSED" ? LinkStatus::Closed
                            : w == "ACTIVE" ? LinkStatus::Active
                                            : throw Failure(Status::BadArgument,
                                                            "status must be OPEN, CLOSED or ACTIVE, not '" +
                                                                std::string(word) + "'");
  if (link.kind == LinkKind::CVPipe)
    throw Failure(Status::BadArgument, "the status of check-valve pipe " + link.id + " follows its flow");
  const bool valve = link.kind != LinkKind::Pipe && link.kind != LinkKind::Pump;
  if (status == LinkStatus::Active && !valve)
    throw Failure(Status::BadArgument, "only a valve can be ACTIVE, not " + link.id);
  if (link.kind == LinkKind::Pump) {
    // As in the STATUS section: an opened pump runs at its nominal speed.
    link.setting = status == LinkStatus::Closed ? 0.0 : 1.0;
    link.setting_given = true;
  }
  link.initial_status = status;
}

}  // namespace orv::commands
