#include "state/state_machine_decl.hpp"

#include <algorithm>

#include "types/quote.hpp"
#include "types/word_table.hpp"

namespace tide {
namespace {

// Each token is written as its length, 0x01 and its bytes, so that no two
// distinct token lists share a key whatever bytes the tokens hold.
void append_token(std::string& key, const std::string& token) {
  key += std::to_string(token.size());
  key += '\x01';
  key += token;
}

// The canonical key of a single token or a token set (sorted, without
// repeats); none for sequence sets and patterns, which are never shared.
std::optional<std::string> trigger_key(const TokenRef& ref, Anchor anchor) {
  const char digit = anchor == Anchor::Start ? '0' : '1';
  if (const auto* single = std::get_if<TokenRef::Single>(&ref.v)) {
    std::string key = {'s', digit};
    append_token(key, single->token);
    return key;
  }
  if (const auto* set = std::get_if<TokenRef::Set>(&ref.v)) {
    std::vector<std::string> tokens = set->tokens;
    std::sort(tokens.begin(), tokens.end());
    tokens.erase(std::unique(tokens.begin(), tokens.end()), tokens.end());
    std::string key = {'t', digit};
    for (const auto& t : tokens) append_token(key, t);
    return key;
  }
  return std::nullopt;
}

}  // namespace

StateMachineDecl::StateMachineDecl(std::string base) : base_name(std::move(base)), state_names{base_name} {}

std::string machine_repr(const StateMachineDecl& m) {
  return "StateMachine(states=" + quoted_list(m.state_names) + ", entries=" + std::to_string(m.entries.size()) +
         ", exits=" + std::to_string(m.exits.size()) + ", triggers=" + std::to_string(m.triggers.size()) + ")";
}

Expected<StateId> find_state(const StateMachineDecl& m, std::string_view name) {
  auto it = std::find(m.state_names.begin(), m.state_names.end(), name);
  if (it == m.state_names.end())
    return value_error("Unknown state '" + std::string(name) + "'. Declared: " + quoted_list(m.state_names));
  return static_cast<StateId>(it - m.state_names.begin());
}

Expected<StateId> find_span_state(const StateMachineDecl& m, std::string_view name) {
  auto id = find_state(m, name);
  // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "'" + std::string.
  if (id && *id == 0) return value_error(std::string("'").append(name).append("' is the base state and has no spans"));
  return id;
}

Expected<Anchor> parse_anchor(std::string_view text) {
  static constexpr Word<Anchor> kWords[] = {{"end", Anchor::End}, {"start", Anchor::Start}};
  return WordTable<Anchor>{"anchor", kWords}.parse(text);
}

TriggerId add_trigger(StateMachineDecl& m, TokenRef ref, Anchor anchor) {
  auto key = trigger_key(ref, anchor);
  if (key) {
    auto it = m.trigger_keys.find(*key);
    if (it != m.trigger_keys.end()) return it->second;
  }
  const TriggerId id = m.triggers.size();
  m.triggers.push_back({std::move(ref), anchor});
  if (key) m.trigger_keys.emplace(std::move(*key), id);
  return id;
}

}  // namespace tide
