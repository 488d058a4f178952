// Opening or making the program's register (see register.h) through the
// backend its location names.

#include "register.h"

#include "backend.h"

#include <QFileInfo>

namespace store {

bool registerFileMissing(const QString& location) {
    return backendFor(location).isFile() && !QFileInfo::exists(location);
}

void clearStartLeftovers(const QString& location) {
    backendFor(location).clearStartLeftovers(location);
}

Database openRegister(const QString& location, const RegisterSetup& setup, bool* made) {
    if (made)
        *made = false;
    return sweptOfAbandonedStaging(backendFor(location).openOrMake(location, setup, made));
}

} // namespace store
