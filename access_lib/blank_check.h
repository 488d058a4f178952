#pragma once
// Brellox's use of the blank-test component: one component object per
// thread, created by class identity on first use and kept until the thread
// ends; asked through its sixth routine. A creation that fails is tried
// again at the next use, so a component registered later is picked up.

#include "platform/com/result.h"
#include "platform/com/variant.h"

namespace brellox {

/// Asks this thread's blank-test object whether *value is blank. Fails with
/// the activation's code (REGDB_E_CLASSNOTREG, ...) when the object cannot
/// be created, or with the object's own failure.
com::HRESULT askBlank(com::Variant* value, bool* blank);

} // namespace brellox
