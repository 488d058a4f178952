#pragma once
// The Brellox library's object and lock counts (for DllCanUnloadNow).

#include "platform/com/class_factory.h"

namespace brellox {

com::ServerModule& serverModule();

} // namespace brellox
