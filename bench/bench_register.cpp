// Makes the benchmark registers (see bench_register.h).

#include "bench_register.h"

#include "store/database.h"
#include "store/recordset.h"
#include "store/transaction.h"

#include <QDir>
#include <QFileInfo>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace {

// Office words and numbers, 20 to 40 characters.
QString officeDescription(int, const BenchPick& pick) {
    static const char* words[] = {"Invoice", "Order",  "Letter",    "Contract", "Receipt",
                                  "Memo",    "Report", "Statement", "Notice",   "Quote",
                                  "Permit",  "Claim",  "Policy",    "Minutes"};
    QString desc;
    const int length = 20 + pick(21);
    while (desc.size() < length)
        desc += QString::fromUtf8(words[pick(14)]) + ' ' + QString::number(pick(10000)) + ' ';
    return desc.left(40).trimmed();
}

} // namespace

QString benchRegister(int rows, const QString& name, const BenchDescribe& describe) {
    const QString file = QDir::temp().filePath(QStringLiteral("%1-%2.mdb").arg(name).arg(rows));
    if (QFileInfo::exists(file))
        return file;
    const QString building = file + QStringLiteral(".building");
    QFile::remove(building);
    QFile::remove(building + QStringLiteral(".lck"));
    static const char* people[] = {"Smith",  "Jones",  "O'Brien", "Müller",
                                   "García", "Nguyen", "Adams",   "Baker"};
    std::mt19937 rng(42);
    const BenchPick pick = [&rng](int n) {
        return static_cast<int>(rng() % static_cast<unsigned>(n));
    };
    const BenchDescribe& description = describe ? describe : officeDescription;
    {
        auto db = store::Database::create(building);
        store::Transaction t(db);
        auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        for (int i = 1; i <= rows; ++i) {
            rs->addNew();
            rs->setField(QStringLiteral("ID"), i);
            rs->setField(QStringLiteral("Description"), description(i, pick));
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

void placeBenchRegister(int rows, const QString& folder) {
    const QByteArray source = QFile::encodeName(benchRegister(rows));
    const QByteArray target = QFile::encodeName(QDir(folder).filePath(QStringLiteral("Veld.MDB")));
    if (::link(source.constData(), target.constData()) != 0)
        throw std::runtime_error("the bench register cannot be linked into " +
                                 target.toStdString());
}
