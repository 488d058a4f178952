// This program's user (see local_user.h).

#include "local_user.h"

#include <QSysInfo>
#include <pwd.h>
#include <unistd.h>

namespace store {

const QString& localLogin() {
    static const QString login = [] {
        if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name)
            return QString::fromLocal8Bit(pw->pw_name);
        return QString::fromLocal8Bit(qgetenv("USER"));
    }();
    return login;
}

const QString& localComputer() {
    static const QString computer = QSysInfo::machineHostName();
    return computer;
}

} // namespace store
