#include "commands/element_words.hpp"

#include <array>
#include <utility>

namespace orv::commands {

ElementType element_type_word(Arguments &a) {
  static const std::array<std::pair<std::string_view, ElementType>, 8> words{{
      {"NODE", ElementType::Node}, {"NODES", ElementType::Node},
      {"BRANCH", ElementType::Link}, {"BRANCHES", ElementType::Link},
      {"LINK", ElementType::Link}, {"LINKS", ElementType::Link},
      {"TANK", ElementType::Tank}, {"TANKS", ElementType::Tank},
  }};
  const std::string w = a.upper_word("element type");
  for (const auto &[name, type] : words)
    if (name == w) return type;
  a.error("expected NODE, BRANCH or TANK, not '" + w + "'");
}

}  // namespace orv::commands
