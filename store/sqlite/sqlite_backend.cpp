// The backend of register files (see sqlite_backend.h).

#include "sqlite_backend.h"

#include "../engine_error.h"
#include "../register.h"
#include "../register_backup.h"
#include "sqlite_backup.h"
#include "sqlite_register.h"
#include "template_copy.h"

#include <QFileInfo>
#include <functional>

namespace store {

namespace {

class RegisterFileBackend final : public Backend {
public:
    bool isFile() const override { return true; }

    std::shared_ptr<Connection> open(const QString& location) const override {
        return openRegisterFile(location);
    }

    std::shared_ptr<Connection> create(const QString& location) const override {
        return createRegisterFile(location);
    }

    Database openOrMake(const QString& location, const RegisterSetup& setup,
                        bool* made) const override {
        if (!QFileInfo::exists(location)) {
            if (setup.templateFile.isEmpty())
                throw EngineError(err::FileNotFound,
                                  QStringLiteral("The register '%1' does not exist, and no empty "
                                                 "register to make it from was found.")
                                      .arg(location));
            std::function<void(const QString&)> fill;
            if (setup.fill)
                fill = [&setup](const QString& newFile) { setup.fill(Database::open(newFile)); };
            if (copyTemplateOnce(setup.templateFile, location, fill) == TemplateCopy::Created &&
                made)
                *made = true;
        }
        return Database::onConnection(openRegisterFile(location, setup.progress));
    }

    void clearStartLeftovers(const QString& location) const override {
        clearStaleTemplateCopies(location);
    }

    QStringList filesOf(const QString& file) const override {
        return {file, file + QStringLiteral("-journal"), file + QStringLiteral(".lck")};
    }

    TableRows backUp(const Database& source, const QString& temp,
                     FileIdentity& made) const override {
        made = createNewFile(temp);
        return backUpRegisterFile(*source.connection(), temp);
    }

    BackupOutcome storeBackup(const Database& source, const QString& target,
                              bool replace) const override {
        return storeBackupFile(source, target, replace);
    }
};

} // namespace

const Backend& registerFileBackend() {
    static const RegisterFileBackend backend;
    return backend;
}

} // namespace store
