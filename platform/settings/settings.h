#pragma once
// The per-user settings store: text values kept by application, section
// and key, in the manner of the desktop's registry settings. Values live in
// an INI file per application under the user's configuration folder,
// $XDG_CONFIG_HOME/<app>/<app>.conf (~/.config/Arkelby/Arkelby.conf for the
// register's own setting); the folder is looked up at every call, so a test
// may point XDG_CONFIG_HOME at a temporary folder. Each call opens and
// closes the file: fine for the one or two settings a start reads.

#include <QString>

namespace platform::settings {

/// The stored value, or `defaultValue` when the key has none.
QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& defaultValue = QString());

/// Stores a value and writes the file at once. Returns false when the file
/// could not be written.
bool SaveSetting(const QString& app, const QString& section, const QString& key,
                 const QString& value);

/// The file that holds `app`'s settings.
QString settingsFile(const QString& app);

} // namespace platform::settings
