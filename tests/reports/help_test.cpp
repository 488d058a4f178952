// The help file and viewer: the file is found (a copy lies in the build
// tree), every topic the program opens exists and opens, an unknown topic
// falls back to the contents, links and Back/Forward move between topics,
// and F1 on a control opens its topic (or its window's).

#include "platform/help/help_file.h"
#include "platform/help/help_topic.h"
#include "platform/help/help_viewer.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <gtest/gtest.h>

TEST(Help, EveryTopicOfTheProgramOpens) {
    const QString file = help::findHelpFile();
    ASSERT_FALSE(file.isEmpty());
    auto* viewer = help::HelpViewer::instance();
    for (int t : {7003, 5050, 5002, 5003, 5006}) {
        EXPECT_TRUE(viewer->showTopic(t)) << t;
        EXPECT_EQ(viewer->currentTopic(), QString::number(t));
    }
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_FALSE(viewer->showTopic(4242));
    EXPECT_EQ(viewer->currentTopic(), QStringLiteral("7003"));
    // Every link of the file leads to a topic in it.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(f.readAll());
    for (const auto& m : QRegularExpression(QStringLiteral("href=\"#(\\d+)\"")).globalMatch(html))
        EXPECT_TRUE(html.contains(QStringLiteral("<a name=\"%1\">").arg(m.captured(1))))
            << m.captured(1).toStdString();
    viewer->close();
}

TEST(Help, BackAndForwardBetweenTopics) {
    auto* viewer = help::HelpViewer::instance();
    viewer->showContents();
    viewer->showTopic(5050);
    viewer->showTopic(5003);
    viewer->browser()->backward();
    EXPECT_EQ(viewer->currentTopic(), QStringLiteral("5050"));
    viewer->browser()->forward();
    EXPECT_EQ(viewer->currentTopic(), QStringLiteral("5003"));
    viewer->close();
}

TEST(Help, F1OpensTheTopicOfTheControlOrItsWindow) {
    QWidget window;
    auto* name = new QLineEdit(&window);
    auto* other = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(name);
    layout->addWidget(other);
    help::setHelpTopic(&window, 5050);
    help::setHelpTopic(name, 5006);
    window.show();
    EXPECT_EQ(help::helpTopicOf(other), 5050);

    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(name, &f1);
    EXPECT_EQ(help::HelpViewer::instance()->currentTopic(), QStringLiteral("5006"));
    QKeyEvent again(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(other, &again); // not taken by the line edit: reaches the window
    EXPECT_EQ(help::HelpViewer::instance()->currentTopic(), QStringLiteral("5050"));
    help::HelpViewer::instance()->close();
}
