#include "lib/pattern/builder_args.hpp"

#include "intern/interner.hpp"
#include "lib/plumbing/convert.hpp"

namespace tide::py {

bool convert_bounds(Arg lower_dt, Arg upper_dt, Arg min_at, Arg max_at, Arg backtrackable, double* lower_dt_out,
                    double* upper_dt_out, double* min_at_out, double* max_at_out, bool* backtrackable_out) {
  return optional_arg(lower_dt, lower_dt_out, to_double) && optional_arg(upper_dt, upper_dt_out, to_double) &&
         optional_arg(min_at, min_at_out, to_double) && optional_arg(max_at, max_at_out, to_double) &&
         optional_arg(backtrackable, backtrackable_out, to_bool);
}

bool ScalarBounds::convert(Arg lower_arg, Arg upper_arg, Arg flag_arg) {
  return optional_arg(lower_arg, &lower, to_double) && optional_arg(upper_arg, &upper, to_double) &&
         optional_arg(flag_arg, &require_nan, to_bool);
}

namespace {

template <class T, class F>
bool optional_list(Arg a, std::optional<T>* out, F convert) {
  if (!a.present()) return true;
  out->emplace();
  return convert(a.obj, &**out, a.name);
}

// The three lists of `out`, with their parameter names for later messages.
template <class Lists, class F, class G>
bool convert_lists(Arg lower, Arg upper, Arg flags, Lists* out, F to_values, G to_flags) {
  out->lower_name = lower.name;
  out->upper_name = upper.name;
  out->flags_name = flags.name;
  return optional_list(lower, &out->lower, to_values) && optional_list(upper, &out->upper, to_values) &&
         optional_list(flags, &out->flags, to_flags);
}

}  // namespace

bool convert_value_lists(Arg lower, Arg upper, Arg flags, ValueLists* out) {
  return convert_lists(lower, upper, flags, out, to_double_list, to_bool_list);
}

bool convert_value_list_lists(Arg lower, Arg upper, Arg flags, ValueListLists* out) {
  return convert_lists(lower, upper, flags, out, to_double_lists, to_bool_lists);
}

bool optional_string(Arg a, std::optional<std::string>* out) { return optional_list(a, out, to_string); }

bool optional_string_list(Arg a, std::optional<std::vector<std::string>>* out) {
  return optional_list(a, out, to_string_list);
}

bool optional_string_lists(Arg a, std::optional<std::vector<std::vector<std::string>>>* out) {
  return optional_list(a, out, to_string_lists);
}

const std::vector<std::string>& or_empty(const std::optional<std::vector<std::string>>& list) {
  static const std::vector<std::string> kEmpty;
  return list ? *list : kEmpty;
}

bool intern_token(const std::string& s, TokenId* out) { return take(global_interner().intern(s), out); }

bool intern_tokens(const std::vector<std::string>& strings, std::vector<TokenId>* out) {
  out->resize(strings.size());
  for (size_t i = 0; i < strings.size(); ++i)
    if (!intern_token(strings[i], &(*out)[i])) return false;
  return true;
}

bool fill_token_lists(TokenListArg match, TokenListArg block, MatchTokens* m, BlockTokens* b) {
  return take(parse_vc_vec(match.vals, match.tokens.size(), match.name), &m->match_constraints) &&
         take(parse_vc_vec(block.vals, block.tokens.size(), block.name), &b->block_constraints) &&
         intern_tokens(match.tokens, &m->match_tokens) && intern_tokens(block.tokens, &b->block_tokens);
}

}  // namespace tide::py
