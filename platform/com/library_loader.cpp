// The process's cache of loaded server libraries, over dlopen.

#include "library_loader.h"

#include "error_info.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <dlfcn.h>
#include <mutex>

namespace com {

namespace {
std::mutex gMutex;
QHash<QString, void*> gLoaded; ///< absolute path -> handle, never closed (under gMutex)
const QString kSource = QStringLiteral("component runtime");
} // namespace

HRESULT loadLibrary(const QString& path, void** handle) {
    if (!handle)
        return E_POINTER;
    *handle = nullptr;
    const QFileInfo info(path);
    // Always an absolute path: dlopen would look a bare name up in the
    // system's library folders instead.
    const QString absolute = info.absoluteFilePath();
    std::lock_guard<std::mutex> lock(gMutex);
    if (void* h = gLoaded.value(absolute)) {
        *handle = h;
        return S_OK;
    }
    if (path.isEmpty() || !info.isFile())
        return raiseError(ERROR_MOD_NOT_FOUND_RESULT, kSource,
                          QStringLiteral("The library %1 was not found.").arg(absolute));
    void* h = dlopen(QFile::encodeName(absolute).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* why = dlerror();
        return raiseError(ERROR_BAD_EXE_FORMAT_RESULT, kSource,
                          QStringLiteral("The library %1 could not be loaded: %2")
                              .arg(absolute, QString::fromLocal8Bit(why ? why : "unknown reason")));
    }
    gLoaded.insert(absolute, h);
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
