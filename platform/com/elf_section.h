#pragma once
// Reads one named section of an ELF file (64-bit, little-endian: the
// libraries this program builds) without loading it. Every offset and size
// in the file is checked against the file's length, so a truncated or
// damaged file gives an error text, never a crash. Cost: the file is mapped,
// not read whole; only the section is copied.

#include <QByteArray>
#include <QString>

namespace com {

/// The bytes of section `name` of the file `path`; false and a reason in
/// *error if the file cannot be read, is not such an ELF file or has no
/// such section.
bool readElfSection(const QString& path, const char* name, QByteArray* out, QString* error);

} // namespace com
