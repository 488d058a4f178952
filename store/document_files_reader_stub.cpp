// Stand-ins for the text queue of stored files until the store has it.

#include "document_files.h"
#include "engine_error.h"

namespace store {

std::optional<StoredFile> nextFileToRead(const Database&) {
    return std::nullopt;
}

void readFile(const Database&, const StoredFile& file, QIODevice&, const FileProgress&) {
    throw EngineError(err::ItemNotFound, QStringLiteral("No file '%1'.").arg(file.name));
}

void storeFileText(const Database&, qint64, TextState, const QString&) {}

} // namespace store
