// The process's cache of loaded server libraries, over dlopen.

#include "library_loader.h"

#include "error_info.h"
#include "library_trust.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <dlfcn.h>
#include <mutex>

namespace com {

namespace {
std::mutex gMutex;
QHash<QString, void*> gLoaded; ///< resolved path -> handle, never closed (under gMutex)
const QString kSource = QStringLiteral("component runtime");
} // namespace

HRESULT loadLibrary(const QString& path, void** handle) {
    if (!handle)
        return E_POINTER;
    *handle = nullptr;
    // Only a file nobody else can change is loaded, always by its resolved
    // absolute path (dlopen would look a bare name up in the system's
    // library folders instead).
    QString resolved;
    const HRESULT hr = trustedLibraryPath(path, &resolved);
    if (failed(hr))
        return hr;
    std::lock_guard<std::mutex> lock(gMutex);
    if (void* h = gLoaded.value(resolved)) {
        *handle = h;
        return S_OK;
    }
    void* h = dlopen(QFile::encodeName(resolved).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* why = dlerror();
        return raiseError(ERROR_BAD_EXE_FORMAT_RESULT, kSource,
                          QStringLiteral("The library %1 could not be loaded: %2")
                              .arg(path, QString::fromLocal8Bit(why ? why : "unknown reason")));
    }
    gLoaded.insert(resolved, h);
    *handle = h;
    return S_OK;
}

void* librarySymbol(void* handle, const char* name) {
    return handle ? dlsym(handle, name) : nullptr;
}

QString modulePathOf(const void* address) {
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).absoluteFilePath();
}

} // namespace com
