#pragma once
// The server's own rules of a register, kept by triggers whose functions
// belong to the register's owner and run with the owner's rights
// (SECURITY DEFINER, with a fixed search path that a session cannot put a
// table of its own in front of):
//  - the history: every INSERT, UPDATE and DELETE of a document writes its
//    DocumentHistory rows, the same rows the program writes into a
//    register file (document_history.h), naming the server role that made
//    the change (session_user), the address the server saw it come from,
//    and the time by the server's clock. Desks may only read the table, so
//    what it holds is what the server wrote;
//  - the files (document_files.h): a document deleted takes its files, a
//    content no file holds any more goes with its chunks, and each file
//    attached or removed is a history entry of its document;
//  - the counters: after every INSERT into a table of the register, its
//    identity counter is moved past the table's highest RecordPtr, so that
//    a row an administrator filed with a number of their own never makes a
//    later insert fail with a duplicate key. It waits for the register's
//    writers as they wait for one another.
// Documents loaded in bulk (the first start's import, a copy into an empty
// register) bring no history of their own: the history trigger is made
// after the making's load and kept off during a copy's.

#include <QStringList>

namespace store {

class PgConnection;

namespace postgres {

/// The name of the trigger that writes the history.
QString historyTrigger();
/// The name of the trigger that writes the history of files.
QString fileHistoryTrigger();
/// The names of all the triggers the rules need.
QStringList ruleTriggers();

/// Makes (or makes again) the rules in the open transaction, takes back
/// any right but SELECT to DocumentHistory from everybody but the owner,
/// and moves the counters past the rows already there. Raises EngineError.
void installRules(PgConnection& c);

} // namespace postgres
} // namespace store
