// The backend of server registers (see pg_backend.h).

#include "pg_backend.h"

#include "../register.h"
#include "pg_address.h"
#include "pg_connection.h"
#include "pg_register.h"

namespace store {

namespace {

class ServerBackend final : public Backend {
public:
    bool isFile() const override { return false; }

    QString shownLocation(const QString& location) const override {
        return postgres::shownAddress(location);
    }

    std::shared_ptr<Connection> open(const QString& location) const override {
        return openServerRegister(location);
    }

    std::shared_ptr<Connection> create(const QString& location) const override {
        return createServerRegister(location);
    }

    Database openOrMake(const QString& location, const RegisterSetup& setup,
                        bool* made) const override {
        return Database::onConnection(openOrMakeServerRegister(location, setup.fill, made));
    }
};

} // namespace

const Backend& serverBackend() {
    static const ServerBackend backend;
    return backend;
}

const Backend& PgConnection::backend() const {
    return serverBackend();
}

} // namespace store
