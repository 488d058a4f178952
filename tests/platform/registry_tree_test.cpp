// The registry's text form: round trips, case rules, removal of subtrees,
// refusal of what could not be written back, tolerance of damaged lines.

#include "platform/com/registry_tree.h"

#include <gtest/gtest.h>

using com::RegistryTree;

namespace {

const QString kClass = QStringLiteral("CLSID\\{22D756CA-E16A-4872-A4DB-9037A0E20418}");

TEST(RegistryTree, WhatIsWrittenReadsBackTheSame) {
    RegistryTree tree;
    ASSERT_EQ(tree.setValue(kClass, {}, QStringLiteral("Brellox.clsAccess")), com::S_OK);
    ASSERT_EQ(tree.setValue(kClass + QStringLiteral("\\InprocServer32"), {},
                            QStringLiteral("/opt/a b/libBrellox.so")),
              com::S_OK);
    ASSERT_EQ(tree.setValue(kClass + QStringLiteral("\\InprocServer32"),
                            QStringLiteral("ThreadingModel"), QStringLiteral("Apartment")),
              com::S_OK);
    ASSERT_EQ(tree.setValue(QStringLiteral("K"), QStringLiteral("odd"), QStringLiteral(" =x= ")),
              com::S_OK);
    ASSERT_EQ(tree.setValue(QStringLiteral("K"), QStringLiteral("empty"), QString()), com::S_OK);
    ASSERT_EQ(tree.createKey(kClass + QStringLiteral("\\Programmable")), com::S_OK);

    const RegistryTree back = RegistryTree::parse(tree.serialize());
    EXPECT_EQ(back.keys(), tree.keys());
    for (const QString& key : tree.keys())
        for (const QString& name : tree.valueNames(key))
            EXPECT_EQ(back.value(key, name), tree.value(key, name)) << key.toStdString();
    EXPECT_EQ(back.value(QStringLiteral("K"), QStringLiteral("odd")), QStringLiteral(" =x= "));
    EXPECT_TRUE(back.hasKey(kClass + QStringLiteral("\\Programmable")));
}

TEST(RegistryTree, KeysAndNamesIgnoreCase) {
    RegistryTree tree;
    tree.setValue(kClass + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel"),
                  QStringLiteral("Apartment"));
    EXPECT_EQ(tree.value(kClass.toLower() + QStringLiteral("\\inprocserver32"),
                         QStringLiteral("threadingmodel")),
              QStringLiteral("Apartment"));
    tree.setValue(kClass.toLower() + QStringLiteral("\\INPROCSERVER32"),
                  QStringLiteral("THREADINGMODEL"), QStringLiteral("Both"));
    EXPECT_EQ(tree.keys().size(), 1); // the same key, not a second one
    EXPECT_EQ(
        tree.value(kClass + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel")),
        QStringLiteral("Both"));
}

TEST(RegistryTree, RemoveTreeTakesTheKeyAndWhatIsBelowItOnly) {
    RegistryTree tree;
    for (const char* key : {"A", "A\\B", "A\\B\\C", "AB", "A B", "B\\A"})
        tree.setValue(QString::fromLatin1(key), {}, QStringLiteral("v"));
    EXPECT_TRUE(tree.removeTree(QStringLiteral("a")));
    EXPECT_EQ(tree.keys(),
              (QStringList{QStringLiteral("A B"), QStringLiteral("AB"), QStringLiteral("B\\A")}));
    EXPECT_FALSE(tree.removeTree(QStringLiteral("A")));
}

TEST(RegistryTree, RefusesWhatCouldNotBeWrittenBack) {
    RegistryTree tree;
    const struct {
        const char* key;
        const char* name;
        const char* value;
    } bad[] = {
        {"", "", "v"},
        {"A\\\\B", "", "v"},
        {"\\A", "", "v"},
        {"A\\", "", "v"},
        {"A]", "", "v"},
        {"A\nB", "", "v"},
        {"A", "x=y", "v"},
        {"A", "@", "v"},
        {"A", "[x", "v"},
        {"A", "#x", "v"},
        {"A", " x", "v"},
        {"A", "x", "line\nbreak"},
        {"A", "x", "carriage\rreturn"},
    };
    for (const auto& b : bad)
        EXPECT_EQ(tree.setValue(QString::fromLatin1(b.key), QString::fromLatin1(b.name),
                                QString::fromLatin1(b.value)),
                  com::E_INVALIDARG)
            << b.key << " / " << b.name;
    EXPECT_TRUE(tree.isEmpty());
}

TEST(RegistryTree, DamagedLinesLoseOnlyThemselves) {
    const QByteArray text = "stray=before any key\r\n"
                            "[Good]\r\n"
                            "@=default\r\n"
                            "no equals sign\n"
                            "=nameless\n"
                            "[Bad\\\\Key]\n"
                            "lost=value under a bad key\n"
                            "[Good\\Sub]\n"
                            "name=kept\n"
                            "; comment\n";
    const RegistryTree tree = RegistryTree::parse(text);
    EXPECT_EQ(tree.keys(), (QStringList{QStringLiteral("Good"), QStringLiteral("Good\\Sub")}));
    EXPECT_EQ(tree.value(QStringLiteral("Good")), QStringLiteral("default"));
    EXPECT_EQ(tree.valueNames(QStringLiteral("Good")), QStringList{QString()});
    EXPECT_EQ(tree.value(QStringLiteral("Good\\Sub"), QStringLiteral("name")),
              QStringLiteral("kept"));
}

} // namespace
