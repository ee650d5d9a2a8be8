// Arguments that are one of a few words: a table of the accepted words and
// the value each stands for. An unknown word is refused with one message,
// "Unknown {what} '{text}'. Choose: {the words in table order}".
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "types/expected.hpp"

namespace tide {

template <class E>
struct Word {
  std::string_view text;
  E value;
};

template <class E>
struct WordTable {
  std::string_view what;  // the argument's name in the refusal ("anchor")
  std::span<const Word<E>> words;

  Expected<E> parse(std::string_view text) const {
    for (const Word<E>& w : words)
      if (w.text == text) return w.value;
    std::string msg = "Unknown ";
    msg.append(what).append(" '").append(text).append("'. Choose: ");
    for (size_t i = 0; i < words.size(); ++i) msg.append(i ? ", " : "").append(words[i].text);
    return value_error(std::move(msg));
  }
};

}  // namespace tide
