#include <string>
#include <string_view>
#include <vector>

#include "check.hpp"
#include "intern/interner.hpp"

using namespace tide;

TEST(interner_refuses_past_capacity) {
  Interner small(2);
  CHECK_EQ(*small.intern("a"), TokenId{0});
  CHECK_EQ(*small.intern("b"), TokenId{1});
  CHECK_EQ(*small.intern("a"), TokenId{0});
  auto full = small.intern("c");
  CHECK(!full.ok());
  CHECK(full.error().kind == ErrorKind::Overflow);
  std::vector<std::string_view> toks{"b", "a", "b"};
  auto ids = small.intern_stream(toks.size(), [&](size_t i) { return toks[i]; });
  CHECK(ids.ok() && *ids == (std::vector<TokenId>{1, 0, 1}));
  CHECK_EQ(small.resolve_batch(std::vector<TokenId>{1, 0})[0], std::string("b"));
}
