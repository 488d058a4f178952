#pragma once
// Moving a register: every row of every table, each with its RecordPtr,
// from one register into an empty other, on either backend (a file into a
// server when an office outgrows its shared folder, a server back into a
// file, a file into a new file).
//
// The source is read as one moment (a snapshot: nobody's later change is
// half in the copy) and refused while another user is changing a
// document in it; it is never written. The target is a register that holds
// no rows, or one that does not exist yet, which is then made (a file from
// the template, a server database's tables); everything lands in it in one
// transaction, so it holds the whole copy or nothing: a copy that fails
// leaves the target as it was, and a target it had to make does not appear
// at all. Before that transaction commits, the target is compared with the
// source, table by table and field by field (the count of values and a sum
// over them: numbers added up, texts by their length, dates by their first
// and last; binary data by its bytes), and every stored file the target
// holds is read back and checked against its size and SHA-256
// (file_contents_check.h); any difference undoes the copy.
// Afterwards the target's counters continue after the highest number the
// source had handed out, so new rows never take a number twice.
//
// Cost: one pass over the source's rows in pages of 500 (of 4 for the
// stored files' chunks, which are written one a statement, so that only a
// few chunks are in memory at a time), inserts of 100 rows a statement
// into tables whose indexes are built once at the end, one read of every
// stored file for its check,
// and one summing query per table on each side: about 6.5 s for 10^5
// documents (145 MB) into a local server (bench/server_bench.cpp).

#include "database.h"

#include <QString>
#include <utility>
#include <vector>

namespace store {

struct CopyOutcome {
    int documents = 0;          ///< rows copied into Documents
    int types = 0;              ///< rows copied into Types
    qint64 documentCounter = 0; ///< new documents are numbered after this
    qint64 typeCounter = 0;     ///< new types are numbered after this
    bool madeTarget = false;    ///< the target register was made for the copy
    /// Every table copied with the rows copied into it (and checked).
    std::vector<std::pair<QString, qint64>> tableRows;
};

/// Copies the register `source` into the register at `target` (a file name
/// or a server URI); `templateFile` makes a missing target file. Raises
/// EngineError naming the register and the cause; nothing is changed then.
CopyOutcome copyRegister(const Database& source, const QString& target,
                         const QString& templateFile);

} // namespace store
