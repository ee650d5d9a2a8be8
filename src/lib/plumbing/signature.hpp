// The one declaration of an entry point's parameters: each parameter's name
// and, for an optional one, its default as the text signature shows it. The
// binder reads the names; the docstring's text signature line is generated
// from the same declaration at compile time, so the two cannot drift apart.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace tide::py {

struct Param {
  const char* name = nullptr;
  const char* shown_default = nullptr;  // "None", "0.0", "...": null for a required parameter
};

// How the entry point is called, which decides the text signature's head.
enum class Kind {
  Function,      // vocab_ids(tokens)
  Constructor,   // Pattern(min_dt=0.0, ...) from the name "Pattern.__new__"
  Method,        // add_event($self, match_token, ...)
  StaticMethod,  // in_span(name, x, span)
};

struct Signature {
  Kind kind;
  const char* name;  // "vocab_ids", "Pattern.add_event", "Pattern.__new__": used in binding errors
  const Param* params;
  size_t n_params;
  size_t n_required;  // the first n_required parameters have no default
  const char* body;   // the documentation after the text signature

  // Required parameters must come first: a declaration that breaks this
  // does not compile.
  consteval Signature(Kind kind_, const char* name_, const Param* params_, size_t n, const char* body_)
      : kind(kind_), name(name_), params(params_), n_params(n), n_required(0), body(body_) {
    while (n_required < n && params_[n_required].shown_default == nullptr) ++n_required;
    for (size_t i = n_required; i < n; ++i)
      if (params_[i].shown_default == nullptr) throw "a required parameter follows an optional one";
  }
  template <size_t N>
  consteval Signature(Kind kind_, const char* name_, const Param (&params_)[N], const char* body_ = "")
      : Signature(kind_, name_, params_, N, body_) {}
  template <size_t N>
  consteval Signature(Kind kind_, const char* name_, const std::array<Param, N>& params_, const char* body_ = "")
      : Signature(kind_, name_, params_.data(), N, body_) {}

  // The position of the parameter called `param`, n_params when there is none.
  constexpr size_t index(std::string_view param) const {
    for (size_t i = 0; i < n_params; ++i)
      if (param == params[i].name) return i;
    return n_params;
  }

  // The name the text signature shows: "add_event" for "Pattern.add_event",
  // "Pattern" for "Pattern.__new__", the whole name for a function.
  constexpr std::string_view shown_name() const {
    const std::string_view full(name);
    const size_t dot = full.rfind('.');
    if (dot == std::string_view::npos) return full;
    return kind == Kind::Constructor ? full.substr(0, dot) : full.substr(dot + 1);
  }
};

// A group of parameters: params({{"tokens"}, {"values", "None"}}).
template <size_t N>
consteval std::array<Param, N> params(const Param (&list)[N]) {
  std::array<Param, N> out{};
  std::copy(list, list + N, out.begin());
  return out;
}

// Parameter lists joined from groups that several signatures share, in order.
template <size_t... N>
consteval std::array<Param, (N + ...)> join(const std::array<Param, N>&... groups) {
  std::array<Param, (N + ...)> out{};
  size_t at = 0;
  ((std::copy(groups.begin(), groups.end(), out.begin() + at), at += N), ...);
  return out;
}

namespace signature_text {

// Writes "name($self, a, b=None)\n--\n\n" and the body through `put`.
template <class Put>
constexpr void render(const Signature& s, Put&& put) {
  put(s.shown_name());
  put("(");
  if (s.kind == Kind::Method) put(s.n_params == 0 ? "$self" : "$self, ");
  for (size_t i = 0; i < s.n_params; ++i) {
    if (i > 0) put(", ");
    put(s.params[i].name);
    if (s.params[i].shown_default != nullptr) {
      put("=");
      put(s.params[i].shown_default);
    }
  }
  put(")\n--\n\n");
  put(s.body);
}

constexpr size_t length(const Signature& s) {
  size_t n = 0;
  render(s, [&n](std::string_view part) { n += part.size(); });
  return n;
}

template <const Signature& S>
constexpr auto text() {
  std::array<char, length(S) + 1> out{};
  size_t at = 0;
  render(S, [&](std::string_view part) {
    for (char c : part) out[at++] = c;
  });
  return out;
}

template <const Signature& S>
inline constexpr auto kText = text<S>();

}  // namespace signature_text

// The docstring of the entry point: its text signature, "--" and its body.
template <const Signature& S>
constexpr const char* signed_doc() {
  return signature_text::kText<S>.data();
}

}  // namespace tide::py
