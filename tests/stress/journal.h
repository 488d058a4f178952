#pragma once
// The journal a stress worker keeps of the document IDs it stored and
// deleted, read back by the next run of the same worker and by the test
// that checks the register afterwards. One line per event, flushed at once:
//   "?+ID" before the commit of a new row, "+ID" after it;
//   "?-ID" before a delete, "-ID" after it.
// A worker killed between the two lines leaves the ID in doubt: the row may
// be there or not, but never twice. Header-only; reading costs one pass.

#include <QFile>
#include <QString>
#include <map>

namespace stress {

/// What a journal says about one ID.
enum class Entry {
    Present, ///< stored, and not deleted since
    Absent,  ///< deleted, and not stored again since
    InDoubt, ///< the worker was killed between the two lines of a change
};

/// The state of every ID a journal names, and the highest ID it names.
struct JournalState {
    std::map<int, Entry> ids;
    int highest = 0;
};

inline JournalState readJournal(const QString& fileName) {
    JournalState s;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return s;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        if (line.size() < 2)
            continue;
        const bool doubt = line.startsWith('?');
        const QByteArray body = doubt ? line.mid(1) : line;
        const bool add = body.startsWith('+');
        const int id = body.mid(1).toInt();
        if (id > s.highest)
            s.highest = id;
        s.ids[id] = doubt ? Entry::InDoubt : (add ? Entry::Present : Entry::Absent);
    }
    return s;
}

} // namespace stress
