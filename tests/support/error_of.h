#pragma once
// Which engine error an operation raised, for tests of refusals.

#include "store/engine_error.h"

#include <functional>

/// Runs `f`; the number of the EngineError it raised, 0 if it raised none.
inline int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const store::EngineError& e) {
        return e.number();
    }
    return 0;
}
