#include "lib/pattern/builder_args.hpp"

#include "intern/interner.hpp"
#include "lib/plumbing/convert.hpp"

namespace tide::py {

bool ElementBounds::convert(PyObject* const* a, const char* const* names) {
  return optional_arg(a[0], &min_dt, names[0], to_double) && optional_arg(a[1], &max_dt, names[1], to_double) &&
         optional_arg(a[2], &min_at, names[2], to_double) && optional_arg(a[3], &max_at, names[3], to_double) &&
         optional_arg(a[4], &backtrackable, names[4], to_bool);
}

bool ScalarBounds::convert(PyObject* lower_arg, PyObject* upper_arg, PyObject* flag_arg, const char* const* names) {
  return optional_arg(lower_arg, &lower, names[0], to_double) && optional_arg(upper_arg, &upper, names[1], to_double) &&
         optional_arg(flag_arg, &require_nan, names[2], to_bool);
}

namespace {

template <class T, class F>
bool optional_list(PyObject* o, std::optional<T>* out, const char* arg, F convert) {
  if (o == nullptr || o == Py_None) return true;
  out->emplace();
  return convert(o, &**out, arg);
}

}  // namespace

bool convert_value_lists(PyObject* const* a, const char* const* names, ValueLists* out) {
  out->lower_name = names[0];
  out->upper_name = names[1];
  out->flags_name = names[2];
  return optional_list(a[0], &out->lower, names[0], to_double_list) &&
         optional_list(a[1], &out->upper, names[1], to_double_list) &&
         optional_list(a[2], &out->flags, names[2], to_bool_list);
}

bool convert_value_list_lists(PyObject* const* a, const char* const* names, ValueListLists* out) {
  out->lower_name = names[0];
  out->upper_name = names[1];
  out->flags_name = names[2];
  return optional_list(a[0], &out->lower, names[0], to_double_lists) &&
         optional_list(a[1], &out->upper, names[1], to_double_lists) &&
         optional_list(a[2], &out->flags, names[2], to_bool_lists);
}

bool optional_string(PyObject* o, std::optional<std::string>* out, const char* arg) {
  return optional_list(o, out, arg, to_string);
}

bool optional_string_list(PyObject* o, std::optional<std::vector<std::string>>* out, const char* arg) {
  return optional_list(o, out, arg, to_string_list);
}

bool optional_string_lists(PyObject* o, std::optional<std::vector<std::vector<std::string>>>* out, const char* arg) {
  return optional_list(o, out, arg, to_string_lists);
}

bool intern_token(const std::string& s, TokenId* out) { return take(global_interner().intern(s), out); }

bool intern_tokens(const std::vector<std::string>& strings, std::vector<TokenId>* out) {
  out->resize(strings.size());
  for (size_t i = 0; i < strings.size(); ++i)
    if (!intern_token(strings[i], &(*out)[i])) return false;
  return true;
}

}  // namespace tide::py
