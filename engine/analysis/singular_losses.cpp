#include "analysis/singular_losses.hpp"

#include <algorithm>
#include <cmath>

#include "session/session.hpp"

namespace orv::analysis {
namespace {

std::string in_quotes(std::string_view s) { return "'" + std::string(s) + "'"; }

}  // namespace

const ShlEntry *ShlCatalogue::find(std::string_view id) const {
  const std::string key = upper(id);
  for (const ShlEntry &e : entries_)
    if (upper(e.id) == key) return &e;
  return nullptr;
}

void ShlCatalogue::set(ShlEntry entry) {
  if (entry.id.empty()) throw Failure(Status::BadArgument, "an SHL entry needs an identifier");
  if (!(std::isfinite(entry.coefficient) && entry.coefficient >= 0))
    throw Failure(Status::BadArgument, "SHL entry " + in_quotes(entry.id) +
                                           ": the loss coefficient must be a non-negative number");
  if (!(std::isfinite(entry.reference_diameter) && entry.reference_diameter >= 0))
    throw Failure(Status::BadArgument, "SHL entry " + in_quotes(entry.id) +
                                           ": the reference diameter must be a non-negative number");
  for (ShlEntry &e : entries_)
    if (upper(e.id) == upper(entry.id)) {
      e = std::move(entry);
      return;
    }
  entries_.push_back(std::move(entry));
}

int ShlAttachments::count_of(std::string_view entry) const {
  const std::string key = upper(entry);
  return static_cast<int>(
      std::count_if(items_.begin(), items_.end(), [&](auto &a) { return a.entry == key; }));
}

ShlAttachment *ShlAttachments::find(int link, const std::string &entry) {
  for (ShlAttachment &a : items_)
    if (a.link == link && a.entry == entry) return &a;
  return nullptr;
}

double ShlAttachments::coefficient_for(const Model &m, const ShlEntry &e, int link, int count) {
  const Link &l = m.links[link];
  if (l.kind == LinkKind::Pump)
    throw Failure(Status::BadArgument, "branch " + in_quotes(l.id) + " is a pump: it takes no minor loss");
  if (!(l.diameter > 0))
    throw Failure(Status::BadArgument, "branch " + in_quotes(l.id) + " has no diameter");
  if (count < 1)
    throw Failure(Status::BadArgument, "the number of SHL " + in_quotes(e.id) + " must be at least 1");
  const double ratio = e.reference_diameter > 0 ? l.diameter / e.reference_diameter : 1.0;
  return count * e.coefficient * std::pow(ratio, 4);
}

void ShlAttachments::apply(Model &m, ShlAttachment &a, double added) {
  double &k = m.links[a.link].minor_loss;
  k = std::max(0.0, k - a.added + added);
  a.added = added;
}

void ShlAttachments::attach(Model &m, const ShlCatalogue &c, int link, std::string_view entry,
                            int count) {
  const ShlEntry *e = c.find(entry);
  if (!e) throw Failure(Status::UnknownName, "unknown SHL entry " + in_quotes(entry));
  const std::string key = upper(entry);
  if (find(link, key))
    throw Failure(Status::BadArgument, "SHL " + in_quotes(e->id) + " is already attached to branch " +
                                           in_quotes(m.links[link].id));
  const double added = coefficient_for(m, *e, link, count);
  ShlAttachment a{link, key, count, 0.0};
  apply(m, a, added);
  items_.push_back(a);
}

void ShlAttachments::modify(Model &m, const ShlCatalogue &c, int link, std::string_view entry,
                            int count) {
  const std::string key = upper(entry);
  ShlAttachment *a = find(link, key);
  if (!a)
    throw Failure(Status::UnknownName, "SHL " + in_quotes(entry) + " is not attached to branch " +
                                           in_quotes(m.links[link].id));
  const ShlEntry *e = c.find(entry);
  if (!e) throw Failure(Status::UnknownName, "unknown SHL entry " + in_quotes(entry));
  const double added = coefficient_for(m, *e, link, count);
  apply(m, *a, added);
  a->count = count;
}

void ShlAttachments::remove(Model &m, int link, std::string_view entry) {
  const std::string key = upper(entry);
  const auto doomed = [&](const ShlAttachment &a) {
    return a.link == link && (key.empty() || a.entry == key);
  };
  if (std::none_of(items_.begin(), items_.end(), doomed))
    throw Failure(Status::UnknownName,
                  (key.empty() ? std::string("no SHL is") : "SHL " + in_quotes(entry) + " is not") +
                      " attached to branch " + in_quotes(m.links[link].id));
  for (ShlAttachment &a : items_)
    if (doomed(a)) apply(m, a, 0.0);
  std::erase_if(items_, doomed);
}

void ShlAttachments::refresh(Model &m, const ShlCatalogue &c, std::string_view entry) {
  const ShlEntry *e = c.find(entry);
  if (!e) return;
  const std::string key = upper(entry);
  // Compute every new coefficient before changing any, so a failure changes nothing.
  std::vector<double> added;
  for (const ShlAttachment &a : items_)
    if (a.entry == key) added.push_back(coefficient_for(m, *e, a.link, a.count));
  std::size_t i = 0;
  for (ShlAttachment &a : items_)
    if (a.entry == key) apply(m, a, added[i++]);
}

}  // namespace orv::analysis
