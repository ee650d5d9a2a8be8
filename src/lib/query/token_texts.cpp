#include "lib/query/token_texts.hpp"

#include "intern/interner.hpp"

namespace tide::py {

bool TokenTexts::resolve(std::span<const TokenId> ids) {
  std::vector<TokenId> distinct;
  for (TokenId id : ids)
    if (texts_.emplace(id, Ref()).second) distinct.push_back(id);
  const std::vector<std::string> strings = global_interner().resolve_batch(distinct);
  for (size_t i = 0; i < distinct.size(); ++i) {
    PyObject* s = PyUnicode_DecodeUTF8(strings[i].data(), static_cast<Py_ssize_t>(strings[i].size()), "strict");
    if (s == nullptr) return false;
    texts_[distinct[i]] = Ref::steal(s);
  }
  return true;
}

PyObject* TokenTexts::text(TokenId id) const { return Py_NewRef(texts_.at(id).get()); }

}  // namespace tide::py
