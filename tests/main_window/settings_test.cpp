// The per-user settings store: values survive, missing ones give the
// default, and XDG_CONFIG_HOME decides where the file lives.

#include "platform/settings/settings.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform::settings;

TEST(Settings, ValuesRoundTripPerApplicationSectionAndKey) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    EXPECT_EQ(GetSetting("Arkelby", "Default", "Order"), QString());
    EXPECT_EQ(GetSetting("Arkelby", "Default", "Order", "ID DESC"), QStringLiteral("ID DESC"));
    const std::pair<const char*, const char*> values[] = {
        {"Order", "DESCRIPTION"}, {"Blank", "   "}, {"Odd", "a=b;c/d \"e\""}, {"Empty", ""}};
    for (const auto& [key, value] : values)
        ASSERT_TRUE(SaveSetting("Arkelby", "Default", key, value));
    for (const auto& [key, value] : values)
        EXPECT_EQ(GetSetting("Arkelby", "Default", key, "x"), QString::fromUtf8(value)) << key;
    EXPECT_EQ(GetSetting("Arkelby", "Other", "Order"), QString());
    EXPECT_EQ(GetSetting("Elsewhere", "Default", "Order"), QString());
    EXPECT_TRUE(QFileInfo::exists(home.filePath("Arkelby/Arkelby.conf")));

    // A change of XDG_CONFIG_HOME is seen by the next call.
    QTemporaryDir other;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(other.path()));
    EXPECT_EQ(GetSetting("Arkelby", "Default", "Order"), QString());
}
