#pragma once
// clsAccess: the query library's one class. It holds no state between calls;
// each routine works only on its arguments (the per-thread blank-test object
// belongs to the library, not to the object). Created through the class
// object (server.cpp); counted in the library's ServerModule while alive.

#include "brellox.h"
#include "platform/com/object_base.h"

namespace brellox {

class clsAccess final : public com::ObjectBase<clsAccess, _clsAccess> {
public:
    clsAccess();
    ~clsAccess();
    static bool offers(const com::IID& iid);

    // IDispatch (cls_access_dispatch.cpp)
    com::HRESULT GetTypeInfoCount(std::uint32_t* count) override;
    com::HRESULT GetTypeInfo(std::uint32_t index, com::LCID lcid, com::ITypeInfo** info) override;
    com::HRESULT GetIDsOfNames(const com::IID& iid, const QString* names, std::uint32_t count,
                               com::LCID lcid, com::DISPID* ids) override;
    com::HRESULT Invoke(com::DISPID id, const com::IID& iid, com::LCID lcid, std::uint16_t flags,
                        com::DispParams* params, com::Variant* result, com::ExcepInfo* excepInfo,
                        std::uint32_t* argErr) override;

    // _clsAccess (cls_access.cpp)
    com::HRESULT rtnOpenSnapShot(IEngineRecordset** prsWork, IEngineDatabase** pdbWork,
                                 QString* pSQLWhat, QString* pSQLFrom, com::Variant* pSQLWhere,
                                 com::Variant* pSQLOrder) override;
    com::HRESULT fnSQLDateRange(QString* pFieldName, QString* pStartingDateText,
                                QString* pEndingDateText, com::Variant* result) override;
    com::HRESULT fnNumberOfRecords(IEngineRecordset** prsWork, std::int32_t* result) override;
    com::HRESULT fnAnyRecords(IEngineRecordset** rsWork, com::VARIANT_BOOL* result) override;
};

} // namespace brellox
