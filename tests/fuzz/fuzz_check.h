#pragma once
// Helpers shared by the fuzz targets: the input bytes as text, and a check
// that stops the run when a property the code promises does not hold.
//
// A failed check prints what was expected and aborts, which libFuzzer
// reports as a crash and saves the input as a reproducer; the sanitizers
// catch the memory and undefined-behaviour faults on their own. Costs one
// UTF-8 decode per input and nothing per passing check.

#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

/// The input read as UTF-8; bytes that are no UTF-8 become U+FFFD.
inline QString textOf(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

/// Aborts with `what` unless `holds`.
inline void check(bool holds, const char* what) {
    if (holds)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

} // namespace fuzz
