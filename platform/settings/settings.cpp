// Per-user settings over QSettings in INI format (see settings.h).

#include "settings.h"

#include <QDir>
#include <QSettings>

namespace platform::settings {

namespace {

// Section and key as one QSettings key; '/' would start a sub-group.
QString settingKey(const QString& section, const QString& key) {
    return QString(section).replace('/', '_') + QLatin1Char('/') + QString(key).replace('/', '_');
}

QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

} // namespace

QString settingsFile(const QString& app) {
    return configHome() + QLatin1Char('/') + app + QLatin1Char('/') + app + QStringLiteral(".conf");
}

QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& defaultValue) {
    const QSettings s(settingsFile(app), QSettings::IniFormat);
    return s.value(settingKey(section, key), defaultValue).toString();
}

bool SaveSetting(const QString& app, const QString& section, const QString& key,
                 const QString& value) {
    QSettings s(settingsFile(app), QSettings::IniFormat);
    s.setValue(settingKey(section, key), value);
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace platform::settings
