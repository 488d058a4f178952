#pragma once
// The register's schema, defined once: the tables Documents, Types,
// DocumentHistory and the three that keep files with documents
// (DocumentFiles, FileContents, FileChunks; see document_files.h), their
// fields, and the named indexes the program selects on table recordsets.
// Each backend makes its tables from it (sqlite/sqlite_schema.h,
// postgres/pg_schema.h); the engine layer reads field kinds back from each
// register's own declarations, so a file made by an older build still
// reads right.
//
// Storage in a register file: RecordPtr is the row id (INTEGER PRIMARY KEY AUTOINCREMENT, so a
// number is never handed out twice); dates are ISO texts "yyyy-mm-dd" or
// "yyyy-mm-dd hh:mm:ss", so Null stays Null and text order is date order
// (a time of day sorts after the bare date); texts use SQLite's built-in
// collation NOCASE, which ignores the case of the letters A to Z and orders
// every other character by its code point, so the file needs nothing but
// SQLite itself. (Letter case beyond ASCII is ignored by the list filters'
// LIKE, which the engine installs on each connection; see text_match.h.)
//
// Version: a register file's user_version is the schema version. Version 2
// has only built-in collations (files of version 0 or 1, made by earlier
// builds, used a collation of the program's own); version 3 adds the table
// DocumentHistory; version 4 the text index over the documents
// (sqlite/text_index.h); version 5 the tables of files kept with documents
// and their triggers (sqlite/file_triggers.h). Older builds open a file of a later version as
// it is, and its triggers keep the index current under them. Older files are brought up to date
// when opened (sqlite/schema_upgrade.h).

#include <QString>
#include <span>

namespace store::schema {

enum class FieldKind {
    Counter, ///< database-assigned row number, 32-bit
    Long,    ///< 32-bit signed whole number
    Integer, ///< 16-bit signed whole number
    Text,    ///< text; width 0 means no limit
    Memo,    ///< long text
    Date,    ///< date and time, or Null
    Data,    ///< bytes (BLOB, bytea), bound and read as QByteArray
};

struct Field {
    const char* name;
    FieldKind kind;
    int width; ///< characters for Text, 0 otherwise or for no limit
};

struct Index {
    const char* name;              ///< the name the program selects it by
    const char* field;             ///< the field it orders by
    const char* carried = nullptr; ///< further fields kept in the index, comma separated
};

struct Table {
    const char* name;
    std::span<const Field> fields;
    std::span<const Index> indexes;
    int since; ///< the schema version that added it; older registers get it when opened
};

/// The tables of a register: Documents, Types, DocumentHistory,
/// DocumentFiles, FileContents, FileChunks.
std::span<const Table> tables();
const Table* findTable(const QString& name);

/// The schema version this build writes and expects (the file's user_version).
inline constexpr int Version = 5;

/// File names of the live register and of its empty template.
inline constexpr const char* DatabaseFile = "Veld.MDB";
inline constexpr const char* TemplateFile = "VeldDef.MDB";

} // namespace store::schema
