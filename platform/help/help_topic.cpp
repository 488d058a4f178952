// F1 help: see help_topic.h.

#include "help_topic.h"

#include "help_file.h"
#include "help_viewer.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace help {

namespace {

const char* const TopicProperty = "helpTopic";

/// Catches F1 on widgets that carry a topic (key events not taken by a
/// child travel up to them) and opens the topic of the innermost one.
class F1Filter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
            static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget) {
                const int topicNumber = helpTopicOf(widget);
                if (topicNumber != 0) {
                    openHelpTopic(topicNumber);
                    return true;
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

F1Filter* filter() {
    static F1Filter* f = new F1Filter(QCoreApplication::instance());
    return f;
}

} // namespace

void setHelpTopic(QWidget* widget, int topicNumber) {
    widget->setProperty(TopicProperty, topicNumber);
    widget->removeEventFilter(filter());
    widget->installEventFilter(filter());
}

int helpTopicOf(const QWidget* widget) {
    for (; widget; widget = widget->parentWidget()) {
        const QVariant v = widget->property(TopicProperty);
        if (v.isValid() && v.toInt() != 0)
            return v.toInt();
    }
    return 0;
}

bool openHelpTopic(int topicNumber) {
    return HelpViewer::instance()->showTopic(topicNumber);
}

bool openHelpContents() {
    return openHelpTopic(topic::Contents);
}

} // namespace help
