#pragma once
// The names of the files that documents hold (document_files.h), many
// documents at a time: what the list exports write beside each document.

#include "database.h"

#include <QStringList>
#include <span>
#include <unordered_map>

namespace store {

/// The names of the files each of the documents `recordPtrs` holds, by
/// name, in one statement; documents without files are not in the map. A
/// register of an earlier build, opened as it is, holds no files.
std::unordered_map<qint64, QStringList> documentFileNames(const Database& db,
                                                          std::span<const qint64> recordPtrs);

} // namespace store
