#pragma once
// A Recordset is a cursor over the rows of a table or of a query, with the
// operations the program's windows use: moves with BOF/EOF, Seek on a named
// index (table type), FindFirst with a simple criterion, field access by
// name without regard to case, and AddNew/Edit/Update/CancelUpdate/Delete.
//
// Kinds (RecordsetType):
//  - Table: a live cursor over the table in the order of the current index;
//    each move is one index step, so rows stored by anyone are seen at once.
//  - Dynaset and Snapshot over a single-table SELECT: the keys of the result
//    are read when the recordset opens (memory grows by 8 bytes a row), the
//    field values of a row when they are read. A Dynaset is updatable.
//  - Snapshot over any other statement (MAX(...), ...): rows copied whole.
//
// Position: BOF before the first row, EOF after the last; both on an empty
// result. After delete() no row is current until a move, and the moves go
// on from where the deleted row stood.
//
// Locking: edit() reserves the row against every other Database (in this
// process or another) until update(), cancelUpdate() or close(), or until
// the process ends. delete() of a row another user holds is refused with
// err::RecordLocked. No SQLite transaction stays open between calls.
//
// Notifications: currentChanged after every change of the current row,
// rowsReset after the set of rows was rebuilt (requery, delete, a stored
// new row); the grid model listens to both.
//
// Threading: used only on the thread that opened its Database.

#include "database.h"
#include "engine_error.h"
#include "row_holder.h"
#include "value.h"

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>

namespace store {

struct RecordsetImpl;

enum class EditMode { None, Editing, Adding };

class Recordset : public QObject {
    Q_OBJECT
public:
    ~Recordset() override;

    RecordsetType type() const;
    /// The table name or statement it was opened with; for a description,
    /// the statement the backend runs.
    QString source() const;
    Database database() const;
    bool isOpen() const;

    // --- position -------------------------------------------------------
    bool eof() const;
    bool bof() const;
    bool noMatch() const;
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    /// Number of rows; exact at any time for query results, a count of the
    /// table for table type.
    int recordCount() const;

    // --- searching ------------------------------------------------------
    /// Table type only: selects a named index ("RecordPtr", "Description",
    /// "Who", or any index the table's schema names).
    void setIndex(const QString& name);
    QString index() const;
    /// Table type only: comparison "=" or ">" (also ">=", "<", "<=") against
    /// the current index's key. Sets noMatch() and, on a match, makes the
    /// first matching row in index order current.
    void seek(const QString& comparison, const QVariant& key);
    /// Searches from the first row for a row meeting a criterion of the form
    /// Field op value ("RecordPtr = 7", "ID = 120", "Type = 'Invoice'");
    /// criteria may be joined with AND; a value written "?" is the next of
    /// `parameters` ("Type = ?"), bound, never spliced. Sets noMatch(); on
    /// no match the current row is unchanged.
    void findFirst(const QString& criterion, const QVariantList& parameters = {});

    // --- fields ---------------------------------------------------------
    QStringList fieldNames() const;
    /// The current row's value of a field (name matched without regard to
    /// case); while a row is pending (addNew/edit) the pending value.
    QVariant field(const QString& name) const;
    /// Sets a field of the pending row, converting it to the field's type.
    void setField(const QString& name, const QVariant& value);

    // --- changes --------------------------------------------------------
    void addNew();
    void edit();
    void update();
    void cancelUpdate();
    void deleteCurrent();
    /// Cancels a pending asynchronous request; there never is one, so this
    /// does nothing and never fails.
    void cancel() {}
    void requery();
    void close();
    EditMode editMode() const;
    /// The key (counter value) of the row the last update() stored, 0
    /// before any: how the row an AddNew made is found.
    qint64 lastModified() const;
    /// Who else holds the current row (see row_holder.h); nothing when
    /// nobody does or no row is current.
    std::optional<RowHolder> holderOfCurrent() const;

    // --- row access for grids (query results only; do not move) ---------
    int rowCount() const;
    /// Row index of the current row, -1 on BOF/EOF or a deleted row.
    int absolutePosition() const;
    /// Makes row `row` (0-based) current.
    void setAbsolutePosition(int row);
    /// A field of row `row` without moving; Null for a row deleted since.
    QVariant valueAt(int row, const QString& name) const;
    /// The row id (counter value) of row `row` without moving; 0 where the
    /// recordset does not know it (rows of a query without its table's
    /// counter field).
    qint64 keyAt(int row) const;
    /// Reads rows `first` to `first + count - 1` (at most PrefetchRows) in
    /// one statement, so that valueAt() finds them in memory, and asks for
    /// the batch after them, which a server prepares while the caller reads
    /// these: for walking many rows in order, where one read per row would
    /// cost a round trip each on a server. Does nothing where values are
    /// not read by key.
    void prefetch(int first, int count) const;
    static constexpr int PrefetchRows = 256;

signals:
    void currentChanged();
    void rowsReset();

private:
    friend class Database;
    explicit Recordset(std::unique_ptr<RecordsetImpl> impl);
    std::unique_ptr<RecordsetImpl> d;
};

using RecordsetPtr = std::shared_ptr<Recordset>;

} // namespace store
