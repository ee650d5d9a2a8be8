#include "codec/archive.hpp"

#include <bit>
#include <limits>

#include "intern/interner.hpp"

namespace tide {
namespace {

// Deeper than any same-timestamp sequence a pattern needs, and far from the
// stack's limit.
constexpr size_t kMaxDepth = 10000;

}  // namespace

Error corrupt_pickle() { return value_error("corrupt pickled tidemark object"); }

void Encoder::put_varint(uint64_t x) {
  while (x >= 0x80) {
    bytes_.push_back(static_cast<char>((x & 0x7f) | 0x80));
    x >>= 7;
  }
  bytes_.push_back(static_cast<char>(x));
}

void Encoder::num(double& x) {
  const auto bits = std::bit_cast<uint64_t>(x);
  for (int i = 0; i < 8; ++i) bytes_.push_back(static_cast<char>((bits >> (8 * i)) & 0xff));
}

void Encoder::text(std::string& s) {
  put_varint(s.size());
  bytes_ += s;
}

void Encoder::token(TokenId& id) {
  auto [it, added] = index_.try_emplace(id, ids_.size());
  if (added) ids_.push_back(id);
  put_varint(it->second);
}

void Encoder::flags(std::vector<bool>& v) {
  put_varint(v.size());
  for (const bool b : v) bytes_.push_back(b ? 1 : 0);
}

Pickled Encoder::finish() && { return {std::move(bytes_), global_interner().resolve_batch(ids_)}; }

Decoder::Decoder(const Pickled& p) : in_(p.bytes) {
  auto ids = global_interner().intern_stream(p.texts.size(), [&](size_t i) { return std::string_view(p.texts[i]); });
  if (!ids) {
    intern_error_ = ids.error();
    ok_ = false;
    return;
  }
  ids_ = std::move(*ids);
  if (in_.empty() || static_cast<uint8_t>(in_[0]) != kPickleFormat) {
    fail();
    return;
  }
  pos_ = 1;
}

void Decoder::fail() {
  ok_ = false;
  pos_ = in_.size();  // every later read finds nothing left
}

uint64_t Decoder::get_varint() {
  uint64_t x = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    if (pos_ >= in_.size()) break;
    const auto byte = static_cast<uint8_t>(in_[pos_++]);
    x |= uint64_t{byte & 0x7fu} << shift;
    if ((byte & 0x80) == 0) return x;
  }
  fail();
  return 0;
}

size_t Decoder::count() {
  const uint64_t n = get_varint();
  if (n > in_.size() - pos_) {
    fail();
    return 0;
  }
  return static_cast<size_t>(n);
}

void Decoder::num(uint32_t& x) {
  const uint64_t v = get_varint();
  if (v > std::numeric_limits<uint32_t>::max()) fail();
  x = static_cast<uint32_t>(v);
}

void Decoder::num(int32_t& x) {
  uint32_t bits = 0;
  num(bits);
  x = static_cast<int32_t>(bits);
}

void Decoder::num(bool& x) {
  const uint64_t v = get_varint();
  if (v > 1) fail();
  x = v == 1;
}

void Decoder::num(double& x) {
  if (in_.size() - pos_ < 8) return fail();
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= uint64_t{static_cast<uint8_t>(in_[pos_++])} << (8 * i);
  x = std::bit_cast<double>(bits);
}

void Decoder::text(std::string& s) {
  const size_t n = count();
  s.assign(in_.substr(pos_, n));
  pos_ += n;
}

void Decoder::token(TokenId& id) {
  const uint64_t i = get_varint();
  if (i >= ids_.size()) return fail();
  id = ids_[i];
}

void Decoder::flags(std::vector<bool>& v) {
  const size_t n = count();
  v.assign(n, false);
  for (size_t i = 0; i < n && ok_; ++i) {
    bool b = false;
    num(b);
    v[i] = b;
  }
}

bool Decoder::enter() {
  if (++depth_ <= kMaxDepth) return true;
  fail();
  return false;
}

Status Decoder::finish() const {
  if (intern_error_) return *intern_error_;
  if (!ok_ || pos_ != in_.size()) return corrupt_pickle();
  return ok_status();
}

}  // namespace tide
