// The command-line jobs on a document's files (see file_commands.h).

#include "file_commands.h"

#include "command_output.h"
#include "register_commands.h"
#include "reports/export_device.h"
#include "reports/list_export.h"
#include "store/document_attach.h"
#include "store/engine_error.h"
#include "store/query.h"
#include "store/recordset.h"

#include <QIODevice>
#include <optional>

namespace {

using store::EngineError;

/// The RecordPtr of the document whose ID is `id` (as typed: a whole
/// number, blanks around it allowed); raises when there is none.
qint64 documentNumbered(const store::Database& db, const QString& id) {
    bool ok = false;
    const qint32 number = id.trimmed().toInt(&ok);
    if (!ok)
        throw EngineError(store::err::ItemNotFound,
                          QStringLiteral("'%1' is no document ID (a whole number).").arg(id));
    store::query::Select q{QStringLiteral("Documents"), {QStringLiteral("RecordPtr")}};
    q.where({QStringLiteral("ID"), store::query::Op::Equal, number});
    const auto found = db.openRecordset(q, store::RecordsetType::Snapshot);
    if (found->eof())
        throw EngineError(
            store::err::ItemNotFound,
            QStringLiteral("No document in %1 has the ID %2.").arg(db.location()).arg(number));
    return found->field(QStringLiteral("RecordPtr")).toLongLong();
}

/// Lets every staged file go when the job ends, filed or not: a filed one
/// keeps its content (a document holds it), the others leave nothing.
class StagedFiles {
public:
    explicit StagedFiles(const store::Database& db) : db_(db) {}
    ~StagedFiles() {
        for (const store::StagedFile& f : files)
            store::releaseStaged(db_, f);
    }
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    std::vector<store::StagedFile> files;

private:
    const store::Database& db_;
};

QString textState(const store::StoredFile& f) {
    switch (f.textState) {
    case store::TextState::Pending:
        return QStringLiteral("pending");
    case store::TextState::Extracted:
        return QStringLiteral("text");
    case store::TextState::Unreadable:
        return QStringLiteral("unreadable");
    case store::TextState::NoReader:
        return QStringLiteral("no-reader");
    }
    return {};
}

/// A name as one line shows it: control characters (a newline, an escape
/// sequence for the terminal) as '?'.
QString shownName(QString name) {
    for (QChar& ch : name)
        if (ch.category() == QChar::Other_Control || ch.category() == QChar::Other_Format)
            ch = u'?';
    return name;
}

} // namespace

int attachCommand(const QString& source, const QString& id, const QStringList& files) {
    return runCommand(QStringLiteral("nothing was attached: "), [&] {
        const store::Database db = store::Database::open(registerAt(source));
        const qint64 recordPtr = documentNumbered(db, id);
        StagedFiles staged(db);
        QStringList names;
        for (const QString& file : files) {
            staged.files.push_back(store::stageFile(db, file));
            const store::StagedFile& f = staged.files.back();
            names << QStringLiteral("%1 (%2 bytes)").arg(shownName(f.name), count(f.size));
        }
        store::attachToDocument(db, recordPtr, staged.files);
        print(stdout, QStringLiteral("Attached to the document %1 in %2: %3.")
                          .arg(id.trimmed(), db.location(), names.join(QStringLiteral(", "))));
        return 0;
    });
}

int filesCommand(const QString& source, const QString& id) {
    return runCommand(QStringLiteral("the files were not listed: "), [&] {
        const store::Database db = store::Database::open(registerAt(source));
        for (const store::StoredFile& f : store::documentFiles(db, documentNumbered(db, id)))
            print(stdout,
                  QStringLiteral("%1\t%2\t%3\t%4\t%5")
                      .arg(f.size)
                      .arg(f.sha256, f.added.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                           textState(f), shownName(f.name)));
        return 0;
    });
}

int extractCommand(const QString& source, const QString& id, const QString& name,
                   const QString& file) {
    const bool dash = file == QLatin1String("-");
    const bool toStandardOutput = dash || isStandardOutput(file);
    return runCommand(QStringLiteral("the file was not extracted: "), [&] {
        const store::Database db = store::Database::open(registerAt(source));
        std::optional<store::StoredFile> wanted;
        for (const store::StoredFile& f : store::documentFiles(db, documentNumbered(db, id)))
            if (f.name == name && (!wanted || f.filePtr < wanted->filePtr))
                wanted = f;
        if (!wanted)
            throw EngineError(store::err::ItemNotFound,
                              QStringLiteral("The document %1 holds no file named '%2'.")
                                  .arg(id.trimmed(), shownName(name)));
        std::optional<reports::ExportTarget> target;
        if (toStandardOutput)
            target.emplace(reports::ExportTarget::StandardOutput{});
        else
            target.emplace(file);
        reports::ExportDevice out(*target);
        try {
            store::readFile(db, *wanted, out);
        } catch (const store::EngineError&) {
            out.raiseFailure(); // the target's own failure first
            throw;
        }
        out.raiseFailure();
        target->commit();
        print(toStandardOutput ? stderr : stdout,
              QStringLiteral("Extracted '%1' (%2 bytes, its SHA-256 checked) from the document %3 "
                             "into %4.")
                  .arg(shownName(wanted->name), count(wanted->size), id.trimmed(),
                       target->shownName()));
        return 0;
    });
}
