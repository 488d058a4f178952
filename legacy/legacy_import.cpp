// Filing legacy records into a register inside one transaction; see
// legacy_import.h. Types are found by a Seek on the Types name index with
// the name as a bound value, so a name with a quote needs no quoting, and
// the comparison is the engine's own (case-blind, like every lookup of a
// type name in the program).

#include "legacy_import.h"

#include "document_inserter.h"
#include "legacy_error.h"
#include "legacy_reader.h"
#include "store/engine_error.h"
#include "store/recordset.h"
#include "store/transaction.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace legacy {
namespace {

/// Finds and, when missing, creates Types rows; remembers each name's
/// RecordPtr so each distinct name costs the database one lookup.
class TypeLookup {
public:
    explicit TypeLookup(const store::Database& db)
        : types_(db.openRecordset(QStringLiteral("Types"), store::RecordsetType::Table)) {
        types_->setIndex(QStringLiteral("TypeName"));
    }

    /// The RecordPtr of the type called `name` (trailing blanks already
    /// removed), creating the type first if the database lacks it; 0 for
    /// the empty name.
    int recordPtr(const QString& name) {
        if (name.isEmpty())
            return 0;
        if (const auto it = known_.constFind(name); it != known_.cend())
            return *it;
        int ptr = find(name);
        if (ptr == 0) {
            types_->addNew();
            types_->setField(QStringLiteral("Type"), name);
            types_->update();
            ++created;
            ptr = find(name); // the row just stored; the second lookup decides
        }
        if (ptr <= 0 || ptr > 32767) // type numbers are 16-bit everywhere
            throw store::EngineError(store::err::ConversionError,
                                     QStringLiteral("type \"%1\" was given the number %2, beyond "
                                                    "the 32767 types a register can hold")
                                         .arg(name)
                                         .arg(ptr));
        known_.insert(name, ptr);
        return ptr;
    }

    int created = 0; ///< Types rows stored by this lookup

private:
    int find(const QString& name) {
        types_->seek(QStringLiteral("="), name);
        return types_->noMatch() ? 0 : types_->field(QStringLiteral("RecordPtr")).toInt();
    }

    store::RecordsetPtr types_; ///< table recordset on Types, index "TypeName"
    QHash<QString, int> known_; ///< names looked up so far and their RecordPtr
};

/// Calls LegacyProgress::end however the import leaves.
struct EndOnExit {
    LegacyProgress* progress;
    ~EndOnExit() {
        if (progress)
            progress->end();
    }
};

} // namespace

LegacyImportResult ConvertLegacyFiles(const store::Database& db, const QString& folder,
                                      LegacyProgress* progress) {
    LegacyProgress none;
    LegacyProgress& report = progress ? *progress : none;
    report.begin();
    const EndOnExit ending{progress};

    LegacyImportResult result;
    int filed = 0;
    try {
        store::Transaction transaction(db);
        DocumentInserter documents(db);
        TypeLookup types(db);
        result.scan = ParseLegacyRegister(folder, [&](const LegacyDocument& doc) {
            documents.insert(doc, types.recordPtr(doc.typeName));
            if (++filed % ProgressEvery == 0)
                report.step(filed);
        });
        report.committing();
        transaction.commit();
        result.typesCreated = types.created;
    } catch (const store::EngineError& e) {
        throw LegacyError(
            QStringLiteral("Importing the old register \"%1\" failed at live record number %2: "
                           "%3\n\nNothing was imported and the old files were not changed. "
                           "Make sure the program's folder can be written and has free space, "
                           "then start the program again.")
                .arg(QDir::toNativeSeparators(
                    QFileInfo(QDir(folder).filePath(QLatin1String(TableFile))).absoluteFilePath()))
                .arg(filed + 1)
                .arg(e.text()));
    }
    result.warnings = result.scan.warnings(folder);
    return result;
}

} // namespace legacy
