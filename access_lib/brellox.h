#pragma once
// Brellox for its callers: the identities of the query library, its
// interface _clsAccess, and the wrappers that carry the engine's database and
// recordset objects across the interface. A caller includes this header and
// links the CMake target `brellox_client` (platform_com and store); it never
// links the library itself but creates clsAccess by its class identity:
//
//   com::Ptr<brellox::_clsAccess> access;
//   HRESULT hr = brellox::application(&access);          // or CoCreateInstance
//   com::Ptr<brellox::IEngineRecordset> rs = brellox::wrapRecordset(listRecordset);
//   brellox::IEngineRecordset* p = rs.get();
//   com::VARIANT_BOOL any = com::VARIANT_FALSE;
//   access->fnAnyRecords(&p, &any);
//
// Every routine returns an HRESULT; its value comes back in the trailing
// out-parameter. On a failure the thread's error info (platform/com/
// error_info.h) holds the engine's error number and text.

#include "platform/com/activation.h"
#include "platform/com/com_ptr.h"
#include "platform/com/dispatch.h"
#include "platform/com/object_base.h"
#include "platform/com/variant.h"
#include "store/database.h"
#include "store/recordset.h"

#include <cstdint>
#include <mutex>
#include <utility>

namespace brellox {

// --- identities (fixed: clients bind to them) -------------------------------
inline constexpr com::Guid LIBID_Brellox = com::guid("{52468084-6079-433D-AA64-3C59522656A2}");
inline constexpr char TypeLibName[] = "Brellox";
inline constexpr char TypeLibVersion[] = "1.0";
inline constexpr std::uint32_t TypeLibLocale = 0x409;
inline constexpr com::CLSID CLSID_clsAccess = com::guid("{22D756CA-E16A-4872-A4DB-9037A0E20418}");
inline constexpr com::IID IID_clsAccess = com::guid("{E711050B-E57E-4A95-A4DD-9269594914B0}");
inline constexpr char ProgId[] = "Brellox.clsAccess";

/// The engine-object wrappers (this program's own interfaces).
inline constexpr com::IID IID_IEngineRecordset =
    com::guid("{C1F0827B-FB9B-4177-A709-457A84CD106C}");
inline constexpr com::IID IID_IEngineDatabase = com::guid("{41C1D903-D1D8-4C5E-BF19-49B0EFB2E6D8}");

// --- dispatch ids of the four routines --------------------------------------
inline constexpr com::DISPID DISPID_rtnOpenSnapShot = 0x60030000;
inline constexpr com::DISPID DISPID_fnSQLDateRange = 0x60030001;
inline constexpr com::DISPID DISPID_fnNumberOfRecords = 0x60030002;
inline constexpr com::DISPID DISPID_fnAnyRecords = 0x60030003;

/// A recordset of the engine as an object reference. recordset() is the
/// held pointer itself; it may be null (no recordset).
class IEngineRecordset : public com::IUnknown {
public:
    virtual store::RecordsetPtr& recordset() = 0;

protected:
    ~IEngineRecordset() = default;
};

/// A database of the engine as an object reference.
class IEngineDatabase : public com::IUnknown {
public:
    virtual store::Database database() = 0;

protected:
    ~IEngineDatabase() = default;
};

/// The default interface of clsAccess: slots 7..10 after IUnknown's three and
/// IDispatch's four, in this order. All parameters are by reference; the
/// routines read them and change only what their descriptions say.
class _clsAccess : public com::IDispatch {
public:
    /// Opens "SELECT what FROM from[ WHERE where][ ORDER BY order]" as a
    /// snapshot on *pdbWork and puts it into *prsWork (releasing what was
    /// there). pSQLWhere/pSQLOrder may be nullptr or Variant::missing() for
    /// "omitted"; a supplied clause that the blank-test component calls
    /// blank is left out. On failure *prsWork is unchanged.
    virtual com::HRESULT rtnOpenSnapShot(IEngineRecordset** prsWork, IEngineDatabase** pdbWork,
                                         QString* pSQLWhat, QString* pSQLFrom,
                                         com::Variant* pSQLWhere, com::Variant* pSQLOrder) = 0;
    /// "F >= #start# AND F <= #end#" as a text Variant.
    virtual com::HRESULT fnSQLDateRange(QString* pFieldName, QString* pStartingDateText,
                                        QString* pEndingDateText, com::Variant* result) = 0;
    /// The record count (moves last, counts, moves first); 0 for no records.
    virtual com::HRESULT fnNumberOfRecords(IEngineRecordset** prsWork, std::int32_t* result) = 0;
    /// True (-1) when the recordset is on a record (neither BOF nor EOF);
    /// False for anything else, including no recordset. Never fails.
    virtual com::HRESULT fnAnyRecords(IEngineRecordset** rsWork, com::VARIANT_BOOL* result) = 0;

protected:
    ~_clsAccess() = default;
};

namespace detail {
class EngineRecordset final : public com::ObjectBase<EngineRecordset, IEngineRecordset> {
public:
    explicit EngineRecordset(store::RecordsetPtr rs) : rs_(std::move(rs)) {}
    static bool offers(const com::IID& iid) { return iid == IID_IEngineRecordset; }
    store::RecordsetPtr& recordset() override { return rs_; }

private:
    store::RecordsetPtr rs_; ///< the wrapped recordset, shared with the caller
};

class EngineDatabase final : public com::ObjectBase<EngineDatabase, IEngineDatabase> {
public:
    explicit EngineDatabase(store::Database db) : db_(std::move(db)) {}
    static bool offers(const com::IID& iid) { return iid == IID_IEngineDatabase; }
    store::Database database() override { return db_; }

private:
    store::Database db_; ///< the wrapped connection handle
};
} // namespace detail

/// A new wrapper around `rs` (which may be null), with one reference.
inline com::Ptr<IEngineRecordset> wrapRecordset(store::RecordsetPtr rs) {
    return com::Ptr<IEngineRecordset>::adopt(new detail::EngineRecordset(std::move(rs)));
}

/// A new wrapper around `db`, with one reference.
inline com::Ptr<IEngineDatabase> wrapDatabase(store::Database db) {
    return com::Ptr<IEngineDatabase>::adopt(new detail::EngineDatabase(std::move(db)));
}

/// The program's one clsAccess object, standing for the library's
/// predeclared application object: created by class identity on first use
/// and kept until the program ends. A failed creation is not remembered;
/// the next call tries again (after a registration, say).
inline com::HRESULT application(com::Ptr<_clsAccess>* out) {
    static std::mutex guard;
    static com::Ptr<_clsAccess> instance;
    if (!out)
        return com::E_POINTER;
    std::lock_guard<std::mutex> lock(guard);
    if (!instance) {
        const com::HRESULT hr =
            com::CoCreateInstance(CLSID_clsAccess, IID_clsAccess, instance.putVoid());
        if (com::failed(hr))
            return hr;
    }
    *out = instance;
    return com::S_OK;
}

} // namespace brellox
