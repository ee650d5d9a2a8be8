#pragma once

#include <cstdint>

namespace tide {

// Dense id of an interned token string, shared by patterns and streams.
using TokenId = uint32_t;

}  // namespace tide
