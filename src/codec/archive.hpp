// The two directions of the pickled form: an Encoder writes a value's fields
// to bytes, a Decoder reads them back. Both offer the same operations, so
// one walk over a type's fields (walk.hpp) serves both directions.
//
// Numbers are written portably (unsigned integers as base-128 varints,
// doubles as their 64 bits in little-endian order). Token ids never appear:
// a token is written as its index into a table of texts that travels with
// the bytes, and the Decoder interns those texts in the reading process.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "types/expected.hpp"
#include "types/token_id.hpp"

namespace tide {

// Bytes and the texts of the tokens they refer to.
struct Pickled {
  std::string bytes;
  std::vector<std::string> texts;
};

// The first byte of every pickled form; a change of the layout changes it.
inline constexpr uint8_t kPickleFormat = 1;

// The ValueError for bytes that are not a pickled form.
Error corrupt_pickle();

class Encoder {
 public:
  static constexpr bool kDecoding = false;

  Encoder() { bytes_.push_back(static_cast<char>(kPickleFormat)); }

  void num(uint64_t& x) { put_varint(x); }
  void num(uint32_t& x) { put_varint(x); }
  void num(int32_t& x) { put_varint(static_cast<uint32_t>(x)); }
  void num(bool& x) { bytes_.push_back(x ? 1 : 0); }
  void num(double& x);
  void text(std::string& s);
  void token(TokenId& id);
  void flags(std::vector<bool>& v);

  // An enumeration whose values run from 0 to `last`.
  template <class E>
  void tag(E& e, E last) {
    (void)last;
    put_varint(static_cast<uint64_t>(e));
  }
  template <class T, class F>
  void list(std::vector<T>& v, F each) {
    put_varint(v.size());
    for (T& item : v) each(item);
  }
  template <class T, class F>
  void maybe(std::optional<T>& o, F each) {
    bytes_.push_back(o ? 1 : 0);
    if (o) each(*o);
  }
  // Entries in key order, so that equal maps give equal bytes whatever the
  // order in which their entries were inserted.
  template <class M, class FK, class FV>
  void map(M& m, FK each_key, FV each_value) {
    std::vector<typename M::value_type*> entries;
    entries.reserve(m.size());
    for (auto& entry : m) entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
    put_varint(entries.size());
    for (auto* entry : entries) {
      typename M::key_type key = entry->first;
      each_key(key);
      each_value(entry->second);
    }
  }
  template <class V, class F>
  void variant(V& v, F each) {
    put_varint(v.index());
    std::visit(each, v);
  }
  // Nesting is unbounded when writing.
  bool enter() { return true; }
  void leave() {}

  // The bytes and the texts of the tokens written, in the order of first use.
  Pickled finish() &&;

 private:
  void put_varint(uint64_t x);

  std::string bytes_;
  std::vector<TokenId> ids_;
  std::unordered_map<TokenId, uint64_t> index_;
};

class Decoder {
 public:
  static constexpr bool kDecoding = true;

  // Interns the texts (one interner lock) and checks the format byte.
  explicit Decoder(const Pickled& p);

  void num(uint64_t& x) { x = get_varint(); }
  void num(uint32_t& x);
  void num(int32_t& x);
  void num(bool& x);
  void num(double& x);
  void text(std::string& s);
  void token(TokenId& id);
  void flags(std::vector<bool>& v);

  template <class E>
  void tag(E& e, E last) {
    const uint64_t x = get_varint();
    if (x > static_cast<uint64_t>(last)) fail();
    e = static_cast<E>(ok_ ? x : 0);
  }
  template <class T, class F>
  void list(std::vector<T>& v, F each) {
    const size_t n = count();
    v.clear();
    v.reserve(n);
    for (size_t i = 0; i < n && ok_; ++i) each(v.emplace_back());
  }
  template <class T, class F>
  void maybe(std::optional<T>& o, F each) {
    bool present = false;
    num(present);
    o.reset();
    if (present) each(o.emplace());
  }
  template <class M, class FK, class FV>
  void map(M& m, FK each_key, FV each_value) {
    const size_t n = count();
    m.clear();
    for (size_t i = 0; i < n && ok_; ++i) {
      typename M::key_type key{};
      each_key(key);
      typename M::mapped_type value{};
      each_value(value);
      m.insert_or_assign(std::move(key), std::move(value));
    }
  }
  template <class V, class F>
  void variant(V& v, F each) {
    const uint64_t index = get_varint();
    if (index >= std::variant_size_v<V>) return fail();
    emplace_alternative(v, index, std::make_index_sequence<std::variant_size_v<V>>{});
    std::visit(each, v);
  }
  // Tries nest one level per sequence position; a bound on the depth keeps
  // corrupt bytes from exhausting the stack.
  bool enter();
  void leave() { --depth_; }

  // The error of interning the texts or of corrupt bytes, or success when
  // every byte was read.
  Status finish() const;

 private:
  template <class V, size_t... I>
  void emplace_alternative(V& v, uint64_t index, std::index_sequence<I...>) {
    ((index == I ? (void)v.template emplace<I>() : (void)0), ...);
  }
  uint64_t get_varint();
  // A length, at most the bytes left (every item takes at least one byte).
  size_t count();
  void fail();

  std::string_view in_;
  size_t pos_ = 0;
  size_t depth_ = 0;
  bool ok_ = true;
  std::vector<TokenId> ids_;
  std::optional<Error> intern_error_;
};

// Numbers and flags, in the order given, by an Encoder or a Decoder.
template <class Io, class... T>
void walk_nums(Io& io, T&... x) {
  (io.num(x), ...);
}

}  // namespace tide
