// Opening or making the program's register (see register.h).

#include "register.h"

#include "engine_error.h"
#include "postgres/pg_register.h"
#include "sqlite/template_copy.h"

#include <QFileInfo>

namespace store {

bool registerFileMissing(const QString& location) {
    return !isServerLocation(location) && !QFileInfo::exists(location);
}

void clearStartLeftovers(const QString& location) {
    if (!isServerLocation(location))
        clearStaleTemplateCopies(location);
}

Database openRegister(const QString& location, const RegisterSetup& setup, bool* made) {
    if (made)
        *made = false;
    if (isServerLocation(location))
        return Database::onConnection(openOrMakeServerRegister(location, setup.fill, made));
    if (registerFileMissing(location)) {
        if (setup.templateFile.isEmpty())
            throw EngineError(err::FileNotFound,
                              QStringLiteral("The register '%1' does not exist, and no empty "
                                             "register to make it from was found.")
                                  .arg(location));
        std::function<void(const QString&)> fill;
        if (setup.fill)
            fill = [&setup](const QString& newFile) { setup.fill(Database::open(newFile)); };
        if (copyTemplateOnce(setup.templateFile, location, fill) == TemplateCopy::Created && made)
            *made = true;
    }
    return Database::open(location);
}

} // namespace store
