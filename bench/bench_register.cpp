// Makes the benchmark registers (see bench_register.h).

#include "bench_register.h"

#include "store/database.h"
#include "store/recordset.h"
#include "store/transaction.h"

#include <QDir>
#include <QFileInfo>
#include <random>

QString benchRegister(int rows) {
    const QString file = QDir::temp().filePath(QStringLiteral("arkelby-bench-%1.mdb").arg(rows));
    if (QFileInfo::exists(file))
        return file;
    const QString building = file + QStringLiteral(".building");
    QFile::remove(building);
    QFile::remove(building + QStringLiteral(".lck"));
    static const char* words[] = {"Invoice", "Order",  "Letter",    "Contract", "Receipt",
                                  "Memo",    "Report", "Statement", "Notice",   "Quote",
                                  "Permit",  "Claim",  "Policy",    "Minutes"};
    static const char* people[] = {"Smith",  "Jones",  "O'Brien", "Müller",
                                   "García", "Nguyen", "Adams",   "Baker"};
    std::mt19937 rng(42);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    {
        auto db = store::Database::create(building);
        store::Transaction t(db);
        auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        for (int i = 1; i <= rows; ++i) {
            QString desc;
            while (desc.size() < 20 + pick(21))
                desc +=
                    QString::fromUtf8(words[pick(14)]) + ' ' + QString::number(pick(10000)) + ' ';
            desc = desc.left(40).trimmed();
            rs->addNew();
            rs->setField(QStringLiteral("ID"), i);
            rs->setField(QStringLiteral("Description"), desc);
            rs->setField(QStringLiteral("DocumentType"), pick(50));
            rs->setField(QStringLiteral("Date"), QDate(2015, 1, 1).addDays(pick(3650)));
            rs->setField(QStringLiteral("Who"),
                         QString::fromUtf8(people[pick(8)]) + ' ' + QString::number(pick(100)));
            rs->setField(QStringLiteral("Note"), QString(pick(2001), QChar('a' + pick(26))));
            rs->update();
        }
        t.commit();
    }
    QFile::rename(building, file);
    QFile::rename(building + QStringLiteral(".lck"), file + QStringLiteral(".lck"));
    return file;
}
