// clsAccess's IDispatch: names to dispatch ids and Invoke by dispatch id,
// which unpacks the arguments, calls the routine through the interface and
// packs its value. Named arguments are not supported; trailing optional
// arguments may be left off or passed as the "omitted" marker. The recordset
// rtnOpenSnapShot opens goes back through its first argument when that is
// by reference (an IUnknown or Variant slot); passed by value, it is not
// handed back, as with any by-value argument.

#include "cls_access.h"
#include "dispatch_args.h"
#include "platform/com/error_info.h"

namespace brellox {

using com::HRESULT;
using com::Variant;

namespace {
struct Routine {
    const char* name;
    com::DISPID id;
    std::uint32_t minArgs; ///< required arguments
    std::uint32_t maxArgs; ///< with the optional ones
};

constexpr Routine kRoutines[] = {
    {"rtnOpenSnapShot", DISPID_rtnOpenSnapShot, 4, 6},
    {"fnSQLDateRange", DISPID_fnSQLDateRange, 3, 3},
    {"fnNumberOfRecords", DISPID_fnNumberOfRecords, 1, 1},
    {"fnAnyRecords", DISPID_fnAnyRecords, 1, 1},
};

const Routine* routineById(com::DISPID id) {
    for (const Routine& r : kRoutines)
        if (r.id == id)
            return &r;
    return nullptr;
}

/// Arguments in the caller's order over DispParams' reversed array.
class Args {
public:
    explicit Args(com::DispParams& p) : p_(p) {}
    std::uint32_t count() const { return p_.argCount; }
    Variant& at(std::uint32_t position) const { return p_.args[index(position)]; }
    /// The optional argument at `position`, or nullptr if left off.
    Variant* optional(std::uint32_t position) const {
        return position < count() ? &at(position) : nullptr;
    }
    /// Index into DispParams::args, as Invoke reports it in argErr.
    std::uint32_t index(std::uint32_t position) const { return p_.argCount - 1 - position; }

private:
    com::DispParams& p_;
};

/// The routine's failure as DISP_E_EXCEPTION with its code and text.
HRESULT routineFailed(HRESULT hr, com::ExcepInfo* excepInfo) {
    if (excepInfo) {
        const std::optional<com::ErrorInfo> info = com::peekErrorInfo();
        const bool own = info && info->code == hr;
        *excepInfo = com::ExcepInfo{0, own ? info->source : QString::fromLatin1(ProgId),
                                    own ? info->description : com::resultText(hr), hr};
    }
    return com::DISP_E_EXCEPTION;
}

/// One call of a routine through Invoke: its arguments, and the routine's
/// own result and value once it has run.
struct Call {
    _clsAccess* routines;
    const Args& args;
    std::uint32_t* argErr;
    HRESULT hr = com::S_OK; ///< the routine's result
    Variant value;          ///< the routine's value

    /// Whether the argument at `position` could be read; a bad one is named
    /// in argErr.
    bool argumentRead(HRESULT argHr, std::uint32_t position) const {
        if (com::failed(argHr) && argErr)
            *argErr = args.index(position);
        return com::succeeded(argHr);
    }
};

// Each routine's call unpacks its arguments and runs the routine. They
// return the failure of a bad argument, or S_OK once the routine has run.

HRESULT callOpenSnapShot(Call& call) {
    const Args& args = call.args;
    com::Ptr<IEngineRecordset> rs;
    com::Ptr<IEngineDatabase> db;
    QString what;
    QString from;
    HRESULT argHr = objectArgument(args.at(0), IID_IEngineRecordset, &rs);
    if (com::succeeded(argHr) && !canReturnObject(args.at(0)))
        argHr = com::DISP_E_TYPEMISMATCH; // the new recordset could not be handed back
    if (!call.argumentRead(argHr, 0))
        return argHr;
    argHr = objectArgument(args.at(1), IID_IEngineDatabase, &db);
    if (!call.argumentRead(argHr, 1))
        return argHr;
    QString* texts[] = {&what, &from};
    for (std::uint32_t position = 2; position < 4; ++position) {
        argHr = textArgument(args.at(position), texts[position - 2]);
        if (!call.argumentRead(argHr, position))
            return argHr;
    }
    IEngineRecordset* recordset = rs.detach(); // in/out: the routine may replace it
    IEngineDatabase* database = db.get();
    call.hr = call.routines->rtnOpenSnapShot(&recordset, &database, &what, &from, args.optional(4),
                                             args.optional(5));
    rs = com::Ptr<IEngineRecordset>::adopt(recordset);
    if (com::succeeded(call.hr) && args.at(0).isByRef())
        call.hr = args.at(0).storeThrough(Variant::fromUnknown(rs.get()));
    return com::S_OK;
}

HRESULT callSQLDateRange(Call& call) {
    QString texts[3];
    for (std::uint32_t position = 0; position < 3; ++position) {
        const HRESULT argHr = textArgument(call.args.at(position), &texts[position]);
        if (!call.argumentRead(argHr, position))
            return argHr;
    }
    call.hr = call.routines->fnSQLDateRange(&texts[0], &texts[1], &texts[2], &call.value);
    return com::S_OK;
}

/// fnNumberOfRecords, or fnAnyRecords when `count` is false.
HRESULT callRecordCount(Call& call, bool count) {
    com::Ptr<IEngineRecordset> rs;
    const HRESULT argHr = objectArgument(call.args.at(0), IID_IEngineRecordset, &rs);
    if (!call.argumentRead(argHr, 0))
        return argHr;
    IEngineRecordset* recordset = rs.get();
    if (count) {
        std::int32_t records = 0;
        call.hr = call.routines->fnNumberOfRecords(&recordset, &records);
        call.value = Variant::fromI4(records);
    } else {
        com::VARIANT_BOOL any = com::VARIANT_FALSE;
        call.hr = call.routines->fnAnyRecords(&recordset, &any);
        call.value = Variant::fromBool(any != com::VARIANT_FALSE);
    }
    return com::S_OK;
}
} // namespace

HRESULT clsAccess::GetTypeInfoCount(std::uint32_t* count) {
    if (!count)
        return com::E_POINTER;
    *count = 0; // no type information is provided at run time
    return com::S_OK;
}

HRESULT clsAccess::GetTypeInfo(std::uint32_t, com::LCID, com::ITypeInfo** info) {
    if (info)
        *info = nullptr;
    return com::DISP_E_BADINDEX;
}

HRESULT clsAccess::GetIDsOfNames(const com::IID& iid, const QString* names, std::uint32_t count,
                                 com::LCID, com::DISPID* ids) {
    if (iid != com::IID_NULL)
        return com::DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0)
        return com::E_POINTER;
    ids[0] = com::DISPID_UNKNOWN;
    for (const Routine& r : kRoutines)
        if (names[0].compare(QLatin1String(r.name), Qt::CaseInsensitive) == 0)
            ids[0] = r.id;
    for (std::uint32_t i = 1; i < count; ++i)
        ids[i] = com::DISPID_UNKNOWN; // parameter names: named arguments are not supported
    return ids[0] != com::DISPID_UNKNOWN && count == 1 ? com::S_OK : com::DISP_E_UNKNOWNNAME;
}

HRESULT clsAccess::Invoke(com::DISPID id, const com::IID& iid, com::LCID, std::uint16_t flags,
                          com::DispParams* params, Variant* result, com::ExcepInfo* excepInfo,
                          std::uint32_t* argErr) {
    if (iid != com::IID_NULL)
        return com::DISP_E_UNKNOWNINTERFACE;
    const Routine* routine = routineById(id);
    if (!routine || !(flags & (com::DISPATCH_METHOD | com::DISPATCH_PROPERTYGET)))
        return com::DISP_E_MEMBERNOTFOUND;
    if (!params || (params->argCount > 0 && !params->args))
        return com::E_POINTER;
    if (params->namedArgCount > 0)
        return com::DISP_E_NONAMEDARGS;
    if (params->argCount < routine->minArgs || params->argCount > routine->maxArgs)
        return com::DISP_E_BADPARAMCOUNT;

    const com::Ptr<clsAccess> self = com::Ptr<clsAccess>::share(this);
    const Args args(*params);
    Call call{this, args, argErr, com::S_OK, {}};
    HRESULT argHr = com::S_OK;
    switch (id) {
    case DISPID_rtnOpenSnapShot:
        argHr = callOpenSnapShot(call);
        break;
    case DISPID_fnSQLDateRange:
        argHr = callSQLDateRange(call);
        break;
    case DISPID_fnNumberOfRecords:
    case DISPID_fnAnyRecords:
        argHr = callRecordCount(call, id == DISPID_fnNumberOfRecords);
        break;
    default:
        return com::DISP_E_MEMBERNOTFOUND;
    }
    if (com::failed(argHr))
        return argHr;
    if (com::failed(call.hr))
        return routineFailed(call.hr, excepInfo);
    if (result)
        *result = call.value;
    return com::S_OK;
}

} // namespace brellox
