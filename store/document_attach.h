#pragma once
// Files attached to a stored document as they are, without filing the
// document again: for the command line, which names a document and files
// and changes nothing else of it (document_filing.h files what an editor
// shows, every field as entered).

#include "document_files.h"

#include <vector>

namespace store {

/// Attaches the staged `files` to the document `recordPtr` in one write
/// transaction, each with its history entry, or none of them; the
/// document's fields stay as they are. Holds the document's row
/// reservation meanwhile, as a change does: raises EngineError
/// (err::RecordLocked) while another user changes it, err::ItemNotFound
/// when it is gone, and what attaching a staged file raises.
void attachToDocument(const Database& db, qint64 recordPtr, const std::vector<StagedFile>& files);

} // namespace store
