// The register's tables and their named indexes. The indexes on ID and
// DocumentType serve the editor's duplicate test and the types window's
// in-use test.

#include "schema.h"

#include <array>

namespace store::schema {
namespace {

using K = FieldKind;

constexpr std::array documentFields{
    Field{"RecordPtr", K::Counter, 0}, Field{"ID", K::Long, 0},
    Field{"Description", K::Text, 0},  Field{"DocumentType", K::Integer, 0},
    Field{"Date", K::Date, 0},         Field{"Who", K::Text, 0},
    Field{"Note", K::Memo, 0},         Field{"DateAdded", K::Date, 0},
    Field{"DateChanged", K::Date, 0},
};
constexpr std::array documentIndexes{
    Index{"RecordPtr", "RecordPtr"},
    Index{"Description", "Description"},
    Index{"Who", "Who"},
    // The list's own index: ordered by ID and carrying every field a list
    // filter reads except the note, so a filtered list in ID order is read
    // from the index alone instead of from rows that hold whole notes.
    Index{"DocumentID", "ID", "Description, Who, Date, DocumentType"},
    Index{"DocumentKind", "DocumentType"},
};

constexpr std::array typeFields{Field{"RecordPtr", K::Counter, 0}, Field{"Type", K::Text, 10}};
constexpr std::array typeIndexes{Index{"RecordPtr", "RecordPtr"}, Index{"TypeName", "Type"}};

// Each Add, Change and Delete of a document: when, by whom, what. RecordPtr
// and ID are the document's; HistoryPtr numbers the entries themselves.
constexpr std::array historyFields{
    Field{"HistoryPtr", K::Counter, 0}, Field{"Changed", K::Date, 0},
    Field{"UserName", K::Text, 0},      Field{"Computer", K::Text, 0},
    Field{"RecordPtr", K::Long, 0},     Field{"ID", K::Long, 0},
    Field{"Action", K::Text, 0},        Field{"Field", K::Text, 0},
    Field{"OldValue", K::Memo, 0},      Field{"NewValue", K::Memo, 0},
};
constexpr std::array historyIndexes{Index{"HistoryPtr", "HistoryPtr"},
                                    Index{"DocumentChanges", "RecordPtr", "Changed"}};

// Files kept with documents (document_files.h): a document's files by
// name, the contents they hold (one row per distinct SHA-256), and the
// contents' bytes in chunks. The indexes serve a document's files, the
// triggers that find a content no file holds any more, the look-up by
// hash, the sweep of staged contents, the text reader's queue, and the
// reading of a content's chunks in order.
constexpr std::array documentFileFields{
    Field{"FilePtr", K::Counter, 0}, Field{"RecordPtr", K::Long, 0}, Field{"Name", K::Text, 0},
    Field{"ContentPtr", K::Long, 0}, Field{"Added", K::Date, 0},
};
constexpr std::array documentFileIndexes{Index{"FilePtr", "FilePtr"},
                                         Index{"FilesOfDocument", "RecordPtr", "Name"},
                                         Index{"FilesOfContent", "ContentPtr"}};

constexpr std::array contentFields{
    Field{"ContentPtr", K::Counter, 0}, Field{"Sha256", K::Text, 64},
    Field{"Size", K::Long, 0},          Field{"Complete", K::Integer, 0},
    Field{"TextState", K::Integer, 0},  Field{"TextNote", K::Text, 0},
    Field{"Text", K::Memo, 0},
};
constexpr std::array contentIndexes{
    Index{"ContentPtr", "ContentPtr"}, Index{"ContentHash", "Sha256"},
    Index{"ContentStage", "Complete"}, Index{"ContentTextState", "TextState"}};

constexpr std::array chunkFields{
    Field{"ChunkPtr", K::Counter, 0},
    Field{"ContentPtr", K::Long, 0},
    Field{"Seq", K::Long, 0},
    Field{"Data", K::Data, 0},
};
constexpr std::array chunkIndexes{Index{"ChunkPtr", "ChunkPtr"},
                                  Index{"ChunksOfContent", "ContentPtr", "Seq"}};

// The order fixes each table's number for row reservations: new tables
// go at the end.
constexpr std::array allTables{
    Table{"Documents", documentFields, documentIndexes, 1},
    Table{"Types", typeFields, typeIndexes, 1},
    Table{"DocumentHistory", historyFields, historyIndexes, 3},
    Table{"DocumentFiles", documentFileFields, documentFileIndexes, 5},
    Table{"FileContents", contentFields, contentIndexes, 5},
    Table{"FileChunks", chunkFields, chunkIndexes, 5},
};

} // namespace

std::span<const Table> tables() {
    return allTables;
}

const Table* findTable(const QString& name) {
    for (const Table& t : allTables)
        if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

} // namespace store::schema
