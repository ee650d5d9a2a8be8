#include "lib/functions.hpp"

#include "lib/module_docs.hpp"

namespace tide::py {
namespace {

#define FUNCTION(name) {#name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(name)), \
                        METH_FASTCALL | METH_KEYWORDS, doc::k_##name}

PyMethodDef kFunctions[] = {
    FUNCTION(annotate_stream),
    FUNCTION(state_spans),
    FUNCTION(vocab_ids),
    {nullptr, nullptr, 0, nullptr},
};

#undef FUNCTION

}  // namespace

PyMethodDef* module_functions() { return kFunctions; }

}  // namespace tide::py
