#include "types/pattern.hpp"

namespace tide {

std::string pattern_repr(const Pattern& p) {
  std::string s = "Pattern(n_elements=" + std::to_string(p.elements.size());
  s += ", ordered=";
  s += p.ordered ? "true" : "false";
  s += ", collector=";
  s += display_name(p.collector);
  s += ", midstream=";
  s += p.midstream ? "true" : "false";
  s += ")";
  return s;
}

Status check_element_count(const Pattern& p) {
  if (p.elements.size() > kMaxPatternElements)
    return value_error("Pattern has " + std::to_string(p.elements.size()) + " elements; maximum is 64");
  return ok_status();
}

}  // namespace tide
