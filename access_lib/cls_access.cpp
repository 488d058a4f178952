// The four routines of clsAccess over the engine layer (store/).
//
// rtnOpenSnapShot, fnSQLDateRange and fnNumberOfRecords stop at the first
// error and return it with the engine's number and text in the error info;
// fnAnyRecords swallows every error and answers False.

#include "cls_access.h"

#include "blank_check.h"
#include "failure.h"
#include "module.h"
#include "platform/com/error_info.h"

#include <utility>

namespace brellox {

using com::HRESULT;
using com::Variant;

clsAccess::clsAccess() {
    serverModule().objectMade();
}
clsAccess::~clsAccess() {
    serverModule().objectGone();
}

bool clsAccess::offers(const com::IID& iid) {
    return iid == com::IID_IDispatch || iid == IID_clsAccess;
}

namespace {
/// " WHERE x" / " ORDER BY x" for a supplied clause the blank test does not
/// call blank; nothing for an omitted or blank one.
HRESULT clause(Variant* value, const QString& keyword, QString* out) {
    out->clear();
    if (!value || value->dereferenced().isMissing())
        return com::S_OK; // omitted: the blank test is not needed at all
    bool blank = false;
    HRESULT hr = askBlank(value, &blank);
    if (com::failed(hr) || blank)
        return hr;
    QString text;
    if (com::failed(value->toText(&text)))
        return raiseNumbered(TypeMismatch, QStringLiteral("Type mismatch"));
    *out = keyword + text;
    return com::S_OK;
}
} // namespace

HRESULT clsAccess::rtnOpenSnapShot(IEngineRecordset** prsWork, IEngineDatabase** pdbWork,
                                   QString* pSQLWhat, QString* pSQLFrom, Variant* pSQLWhere,
                                   Variant* pSQLOrder) {
    com::clearErrorInfo();
    const com::Ptr<clsAccess> self = com::Ptr<clsAccess>::share(this); // held for the call
    if (!prsWork || !pdbWork || !pSQLWhat || !pSQLFrom)
        return com::E_POINTER;
    try {
        QString condition;
        QString order;
        HRESULT hr = clause(pSQLWhere, QStringLiteral(" WHERE "), &condition);
        if (com::failed(hr))
            return hr;
        hr = clause(pSQLOrder, QStringLiteral(" ORDER BY "), &order);
        if (com::failed(hr))
            return hr;
        // Joined as given: nothing is trimmed, quoted or checked.
        const QString statement = QStringLiteral("SELECT ") + *pSQLWhat + QStringLiteral(" FROM ") +
                                  *pSQLFrom + condition + order;
        if (!*pdbWork)
            return raiseNumbered(ObjectNotSet,
                                 QStringLiteral("Object variable or With block variable not set"));
        store::RecordsetPtr opened =
            (*pdbWork)->database().openRecordset(statement, store::RecordsetType::Snapshot);
        // Only now, with the new recordset in hand, is *prsWork replaced.
        IEngineRecordset* old = std::exchange(*prsWork, wrapRecordset(std::move(opened)).detach());
        if (old)
            old->Release();
        return com::S_OK;
    } catch (...) {
        return failFromCurrentException();
    }
}

HRESULT clsAccess::fnSQLDateRange(QString* pFieldName, QString* pStartingDateText,
                                  QString* pEndingDateText, Variant* result) {
    com::clearErrorInfo();
    if (!pFieldName || !pStartingDateText || !pEndingDateText || !result)
        return com::E_POINTER;
    try {
        *result = Variant::fromText(*pFieldName + QStringLiteral(" >= #") + *pStartingDateText +
                                    QStringLiteral("# AND ") + *pFieldName +
                                    QStringLiteral(" <= #") + *pEndingDateText + QLatin1Char('#'));
        return com::S_OK;
    } catch (...) {
        return failFromCurrentException();
    }
}

HRESULT clsAccess::fnNumberOfRecords(IEngineRecordset** prsWork, std::int32_t* result) {
    com::clearErrorInfo();
    if (!result)
        return com::E_POINTER;
    *result = 0;
    const com::Ptr<clsAccess> self = com::Ptr<clsAccess>::share(this);
    com::VARIANT_BOOL any = com::VARIANT_FALSE;
    _clsAccess* itself = this; // through the interface, as a caller would
    HRESULT hr = itself->fnAnyRecords(prsWork, &any);
    if (com::failed(hr) || any == com::VARIANT_FALSE)
        return hr; // no records: 0, and the recordset is not touched
    try {
        store::Recordset& rs = *(*prsWork)->recordset(); // fnAnyRecords vouched for it
        rs.moveLast();
        const int count = rs.recordCount();
        rs.moveFirst();
        *result = count;
        return com::S_OK;
    } catch (...) {
        return failFromCurrentException();
    }
}

HRESULT clsAccess::fnAnyRecords(IEngineRecordset** rsWork, com::VARIANT_BOOL* result) {
    com::clearErrorInfo();
    if (!result)
        return com::E_POINTER;
    *result = com::VARIANT_FALSE;
    // No recordset or a closed one answers False, never an error.
    if (!rsWork || !*rsWork || !(*rsWork)->recordset())
        return com::S_OK;
    const store::Recordset& rs = *(*rsWork)->recordset();
    const bool onRecord = rs.isOpen() && !rs.eof() && !rs.bof();
    *result = onRecord ? com::VARIANT_TRUE : com::VARIANT_FALSE;
    return com::S_OK;
}

} // namespace brellox
