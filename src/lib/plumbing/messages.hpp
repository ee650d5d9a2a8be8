// The texts of the conversion and binding errors, kept in one place.
#pragma once

namespace tide::py::msg {

// Conversion of an object to a target ("'int' object cannot be converted to 'PyString'").
inline constexpr const char* kCannotConvert = "'%s' object cannot be converted to '%s'";
inline constexpr const char* kStrNotList = "Can't extract `str` to `Vec`";
inline constexpr const char* kNotContiguous = "The given array is not contiguous";
inline constexpr const char* kOffsetsEmpty = "offsets must have length n_docs + 1";
inline constexpr const char* kNoConstructor = "No constructor defined";
inline constexpr const char* kArgPrefix = "argument '%s': %U";
inline constexpr const char* kTypeCreateFailed = "failed to create type object for %s";
inline constexpr const char* kReentrant = "%s is already being modified by another call";
inline constexpr const char* kSubinterpreter =
    "tidemark does not support sub-interpreters: it can be imported only by the main interpreter";

// Token references (str, list[str], list[list[str]] or Pattern).
inline constexpr const char* kTokenRefEmpty = "Token reference list must not be empty";
inline constexpr const char* kTokenRefMixed =
    "Mixed list of str and list[str]. Use list[str] for a token set or list[list[str]] for same-timestamp "
    "sequences, not both.";
inline constexpr const char* kTokenSeqEmpty = "Token sequences must not be empty";
inline constexpr const char* kTokenRefExpected =
    "Expected str (single token), list[str] (token set), list[list[str]] (same-timestamp sequences), or Pattern";

// Span references (Pattern, (start_token, end_token) or StateSpan) and annotation specs.
inline constexpr const char* kSpanRefExpected = "Expected Pattern or (str, str) tuple for span argument";

// Target names used in kCannotConvert.
namespace target {
inline constexpr const char* kString = "PyString";
inline constexpr const char* kBool = "PyBool";
inline constexpr const char* kDict = "PyDict";
inline constexpr const char* kSequence = "Sequence";
inline constexpr const char* kArray = "PyArray<T, D>";
inline constexpr const char* kStateMachine = "StateMachine";
inline constexpr const char* kAnnotationSpec = "AnnotationSpec";
}  // namespace target

// Argument binding ("NAME() missing 1 required positional argument: 'x'").
inline constexpr const char* kMissing = "%s() missing %zd required positional argument%s: %s";
inline constexpr const char* kUnexpectedKeyword = "%s() got an unexpected keyword argument '%U'";
inline constexpr const char* kMultipleValues = "%s() got multiple values for argument '%s'";
inline constexpr const char* kTooManyExact = "%s() takes %zd positional argument%s but %zd %s given";
inline constexpr const char* kTooManyRange = "%s() takes from %zd to %zd positional arguments but %zd %s given";
inline constexpr const char* kKeywordsNotStr = "%s() keywords must be strings";

// The builders' own checks.
namespace builder {
inline constexpr const char* kPluralNeedsBlockTokens = "plural block value constraints require block_tokens";
inline constexpr const char* kBlockTokenAndTokens = "use either block_token or block_tokens, not both";
inline constexpr const char* kSingularWithBlockTokens =
    "block_min_val/block_max_val/block_require_nan_val apply to block_token; use the plural value-constraint "
    "arguments with block_tokens";
inline constexpr const char* kBlockListLength = "%s must have length %zu to match block_tokens (got %zu)";
inline constexpr const char* kMapKeyType = "match_map keys must be str or a sequence of str";
inline constexpr const char* kMapKeyEmpty = "match_map keys must not be empty";
inline constexpr const char* kSpecNeedsMatch = "mapped event spec must contain 'match' key";
inline constexpr const char* kSpecMatchForm = "'match' must be str, list[str], or list[list[str]]";
inline constexpr const char* kMidTokensForm = "match_tokens must be list[str] or list[list[str]]";
inline constexpr const char* kMidSeqEmpty = "match_tokens sequences must not be empty";
}  // namespace builder

}  // namespace tide::py::msg
