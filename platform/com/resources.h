#pragma once
// Reads the identity data a library carries (resource_data.h) from its file
// without loading it: named data resources ("_IID_CLSACCESS") and version
// strings (ProductName, FileVersion, "OLESelfRegister", ...). Used by tests
// and by tools that list what a library is.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <optional>

namespace com {

struct Resources {
    QMap<QString, QByteArray> data;        ///< named data resources
    QMap<QString, QString> versionStrings; ///< version block entries
};

/// The resources of the library file `path`; nothing and a reason in *error
/// if the file cannot be read, has no resource section or a damaged one.
std::optional<Resources> readResources(const QString& path, QString* error = nullptr);

/// Parses the bytes of a resource section.
std::optional<Resources> parseResources(const QByteArray& section, QString* error = nullptr);

} // namespace com
