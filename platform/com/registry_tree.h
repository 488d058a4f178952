#pragma once
// RegistryTree: the component registry in memory. Keys are paths of names
// joined by backslashes ("CLSID\{...}\InprocServer32"); each key holds named
// text values, the unnamed (default) value having the empty name. Key and
// value names compare without regard to case, as on the original platform.
//
// Text form (one file per user, see registry_file.h):
//
//   # comment
//   [CLSID\{22D756CA-E16A-4872-A4DB-9037A0E20418}\InprocServer32]
//   @=/usr/lib/tolvane/libBrellox.so
//   ThreadingModel=Apartment
//
// "@" is the default value; a value runs to the end of its line exactly as
// written. Names and values cannot hold line breaks, and value names cannot
// hold '=' or start with '[' (setValue refuses them), so every tree written
// reads back the same. Lines that fit none of these forms are skipped when
// reading, so a damaged line loses only itself.

#include "result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace com {

class RegistryTree {
public:
    static RegistryTree parse(const QByteArray& text);
    QByteArray serialize() const;

    /// A value of `key`; `name` empty for the default value.
    std::optional<QString> value(const QString& key, const QString& name = {}) const;
    /// Sets a value, creating the key. E_INVALIDARG for a key or name that
    /// could not be written back (empty segments, line breaks, ...).
    HRESULT setValue(const QString& key, const QString& name, const QString& value);
    /// Creates a key with no values (kept in the text form).
    HRESULT createKey(const QString& key);
    bool hasKey(const QString& key) const;
    /// Removes `key` and every key below it; false if there was none.
    bool removeTree(const QString& key);
    /// All keys, in order (case-insensitive), each with its own spelling.
    QStringList keys() const;
    /// The names of a key's values ("" for the default value).
    QStringList valueNames(const QString& key) const;
    bool isEmpty() const { return keys_.empty(); }

    static bool isValidKey(const QString& key);

private:
    struct NoCaseLess {
        bool operator()(const QString& a, const QString& b) const {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        }
    };
    using Values = std::map<QString, QString, NoCaseLess>;
    std::map<QString, Values, NoCaseLess> keys_; ///< key path -> its values
};

} // namespace com
