#include "types/constraint_lists.hpp"

#include <string>

namespace tide {
namespace {

Error too_short(const std::string& list, size_t need, const std::string& against, size_t got) {
  return value_error(list + " must have at least " + std::to_string(need) + " entries to match " + against + " (got " +
                     std::to_string(got) + ")");
}

template <class L>
const char* first_short(const std::optional<L>& list, const char* name, size_t n, size_t* got) {
  if (list && list->size() < n) {
    *got = list->size();
    return name;
  }
  return nullptr;
}

}  // namespace

Expected<std::vector<ValueConstraint>> parse_vc_vec(const ValueLists& v, size_t n, const char* tokens_name) {
  std::vector<ValueConstraint> out;
  if (!v.any_given()) return out;
  size_t got = 0;
  for (const char* bad : {first_short(v.lower, v.lower_name, n, &got), first_short(v.upper, v.upper_name, n, &got),
                          first_short(v.flags, v.flags_name, n, &got)})
    if (bad != nullptr) return too_short(bad, n, tokens_name, got);
  out.reserve(n);
  for (size_t i = 0; i < n; ++i)
    out.push_back(ValueConstraint::from_scalars(v.flags && (*v.flags)[i], v.lower ? (*v.lower)[i] : kNaN,
                                                v.upper ? (*v.upper)[i] : kNaN));
  return out;
}

Expected<std::vector<std::vector<ValueConstraint>>> parse_vc_seq(const ValueListLists& v, size_t n,
                                                                 const char* seqs_name) {
  std::vector<std::vector<ValueConstraint>> out(n);
  if (!v.any_given()) return out;
  size_t got = 0;
  for (const char* bad : {first_short(v.lower, v.lower_name, n, &got), first_short(v.upper, v.upper_name, n, &got),
                          first_short(v.flags, v.flags_name, n, &got)})
    if (bad != nullptr) return too_short(bad, n, seqs_name, got);
  for (size_t s = 0; s < n; ++s) {
    const char* from = v.lower ? v.lower_name : v.upper ? v.upper_name : v.flags_name;
    const size_t len = v.lower ? (*v.lower)[s].size() : v.upper ? (*v.upper)[s].size() : (*v.flags)[s].size();
    const std::string from_s = std::string(from) + "[" + std::to_string(s) + "]";
    auto check_inner = [&](const auto& list, const char* name) -> std::optional<Error> {
      if (list && (*list)[s].size() < len)
        return too_short(std::string(name) + "[" + std::to_string(s) + "]", len, from_s, (*list)[s].size());
      return std::nullopt;
    };
    if (auto e = check_inner(v.upper, v.upper_name)) return *e;
    if (auto e = check_inner(v.flags, v.flags_name)) return *e;
    out[s].reserve(len);
    for (size_t j = 0; j < len; ++j)
      out[s].push_back(ValueConstraint::from_scalars(v.flags && (*v.flags)[s][j], v.lower ? (*v.lower)[s][j] : kNaN,
                                                     v.upper ? (*v.upper)[s][j] : kNaN));
  }
  return out;
}

}  // namespace tide
