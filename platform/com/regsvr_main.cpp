// regsvr: registers or unregisters an in-process server library in the
// user's component registry, or with -m in the machine-wide one, by calling
// its own DllRegisterServer or DllUnregisterServer.
//
//   regsvr [-s] [-m] LIBRARY       register
//   regsvr [-s] [-m] -u LIBRARY    unregister
//
// -s prints nothing on success; -m (--machine) changes the machine-wide
// registry (machine_registry.h), for every user of the installation, which
// takes the right to write there (root). Exit status: 0 done, 1 bad command
// line, 2 library missing or not loadable, 3 the function is not exported,
// 4 the function reported a failure (its code and text are printed). The
// user's registry written is the one the environment names
// (registry_file.h).

#include "error_info.h"
#include "library_loader.h"
#include "registry_file.h"
#include "result.h"
#include "server_exports.h"

#include <QFileInfo>
#include <QString>
#include <cstdio>
#include <cstring>

namespace {

enum Exit { Done = 0, Usage = 1, NotLoadable = 2, NoExport = 3, CallFailed = 4 };

void say(std::FILE* to, const QString& text) {
    std::fprintf(to, "%s\n", qPrintable(text));
}

int usage() {
    say(stderr, QStringLiteral("usage: regsvr [-s] [-m] [-u] LIBRARY"));
    return Usage;
}

} // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    bool silent = false;
    QString library;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0)
            unregister = true;
        else if (std::strcmp(argv[i], "-s") == 0)
            silent = true;
        else if (std::strcmp(argv[i], "-m") == 0 || std::strcmp(argv[i], "--machine") == 0)
            com::setEditScope(com::RegistryScope::Machine);
        else if (argv[i][0] == '-' || !library.isEmpty())
            return usage();
        else
            library = QString::fromLocal8Bit(argv[i]);
    }
    if (library.isEmpty())
        return usage();
    library = QFileInfo(library).absoluteFilePath();

    void* handle = nullptr;
    com::HRESULT hr = com::loadLibrary(library, &handle);
    if (com::failed(hr)) {
        say(stderr, QStringLiteral("regsvr: %1").arg(com::describeFailure(hr)));
        return NotLoadable;
    }
    const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const auto call = reinterpret_cast<com::DllRegisterServerFn>(com::librarySymbol(handle, name));
    if (!call) {
        say(stderr, QStringLiteral("regsvr: %1 does not export %2.")
                        .arg(library, QString::fromLatin1(name)));
        return NoExport;
    }
    com::clearErrorInfo();
    try {
        hr = call();
    } catch (...) {
        say(stderr, QStringLiteral("regsvr: %1 in %2 raised an exception.")
                        .arg(QString::fromLatin1(name), library));
        return CallFailed;
    }
    if (com::failed(hr)) {
        say(stderr, QStringLiteral("regsvr: %1 in %2 failed with %3: %4")
                        .arg(QString::fromLatin1(name), library, com::resultHex(hr),
                             com::describeFailure(hr)));
        return CallFailed;
    }
    if (!silent)
        say(stdout,
            QStringLiteral("regsvr: %1 in %2 succeeded.").arg(QString::fromLatin1(name), library));
    return Done;
}
