// Turning engine exceptions and the library's own errors into failure codes
// and error info.

#include "failure.h"

#include "brellox.h"
#include "platform/com/error_info.h"
#include "store/engine_error.h"

#include <exception>
#include <new>

namespace brellox {

namespace {
const QString kSource = QString::fromLatin1(ProgId);
} // namespace

com::HRESULT raiseNumbered(int number, const QString& text) {
    return com::raiseError(com::controlErrorResult(number), kSource, text, number);
}

com::HRESULT failFromCurrentException() {
    try {
        throw;
    } catch (const store::EngineError& e) {
        return raiseNumbered(e.number(), e.text());
    } catch (const std::bad_alloc&) {
        return com::raiseError(com::E_OUTOFMEMORY, kSource, com::resultText(com::E_OUTOFMEMORY));
    } catch (const std::exception& e) {
        return com::raiseError(com::E_FAIL, kSource, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return com::raiseError(com::E_FAIL, kSource, com::resultText(com::E_FAIL));
    }
}

} // namespace brellox
