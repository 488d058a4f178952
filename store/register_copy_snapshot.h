#pragma once
// copyRegister() without its refusal while another user is changing a
// document: for copies that keep the source in use (a backup), where an
// edit under way simply is not in the copy yet, as it is not stored yet.
// Internal to the engine layer.

#include "register_copy.h"

namespace store {

/// copyRegister() (register_copy.h), also while documents are being
/// changed in the source: the copy holds the source's stored rows at one
/// moment.
CopyOutcome copyRegisterSnapshot(const Database& source, const QString& target,
                                 const QString& templateFile);

} // namespace store
