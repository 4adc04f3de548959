// Singular head losses (SHL): a catalogue of named fittings (bends, tees,
// meters...) and their attachments to links.
//
// An entry has a loss coefficient K (dimensionless, head loss K v^2 / 2g at the
// velocity v of its reference diameter), a reference diameter (display
// diameter units; 0 = the diameter of the link it is attached to) and a
// comment. Attaching an entry n times to a link of diameter D adds to the
// link's minor-loss coefficient
//     n K (D / Dref)^4        (n K when Dref is 0),
// the coefficient that gives the same head loss at the link's own velocity.
// The addition is made in the model at once, so the next simulation, reads of
// the K attribute and saved files include it; removing the attachment takes
// away exactly what it added (never below zero).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/model.hpp"

namespace orv::analysis {

struct ShlEntry {
  std::string id;  // compared case-insensitively
  double coefficient = 0.0;
  double reference_diameter = 0.0;  // m, 0 = the link's diameter
  std::string comment;
};

struct ShlAttachment {
  int link = kNone;
  std::string entry;       // upper-cased entry identifier
  int count = 1;
  double added = 0.0;      // minor-loss coefficient added to the link
};

class ShlCatalogue {
 public:
  const std::vector<ShlEntry> &entries() const { return entries_; }
  const ShlEntry *find(std::string_view id) const;
  // Adds an entry or replaces the one of the same identifier. K and the
  // reference diameter (m) must be finite and non-negative.
  void set(ShlEntry entry);

 private:
  std::vector<ShlEntry> entries_;
};

// Attachments of one model.
class ShlAttachments {
 public:
  const std::vector<ShlAttachment> &all() const { return items_; }
  void clear() { items_.clear(); }
  // Number of links an entry is attached to.
  int count_of(std::string_view entry) const;

  // Each throws Failure and changes nothing when the link cannot take the
  // entry (not a pipe or valve, no diameter), the entry is unknown, the count
  // is not positive, the entry is already attached (attach) or not attached
  // (modify, remove).
  void attach(Model &m, const ShlCatalogue &c, int link, std::string_view entry, int count);
  void modify(Model &m, const ShlCatalogue &c, int link, std::string_view entry, int count);
  // An empty entry removes every attachment of the link.
  void remove(Model &m, int link, std::string_view entry);
  // Recomputes the attachments of an entry whose parameters changed.
  void refresh(Model &m, const ShlCatalogue &c, std::string_view entry);

 private:
  ShlAttachment *find(int link, const std::string &entry);
  static double coefficient_for(const Model &m, const ShlEntry &e, int link, int count);
  static void apply(Model &m, ShlAttachment &a, double added);
  std::vector<ShlAttachment> items_;
};

}  // namespace orv::analysis
