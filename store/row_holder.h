#pragma once
// Who holds a reserved row: shown to a user whose Change is refused, so
// that they know whom to ask. Read at the moment of asking; a holder whose
// program has ended, however it ended, is never named.

#include <QDateTime>
#include <QString>

namespace store {

struct RowHolder {
    QString login;    ///< the holder's login name on their computer
    QString computer; ///< the name of the holder's computer
    QDateTime since;  ///< local time the reservation (the editing) began
};

} // namespace store
