#pragma once
// F1 help for the program's windows. setHelpTopic(widget, n) gives a
// control or a window a topic number: F1 pressed while the focus is on it,
// or on any control inside it that has no topic of its own, opens the help
// viewer at topic n. openHelpContents() is what the Help menu's
// "Contents..." calls. The topic is kept in the widget's "helpTopic"
// property; one shared event filter serves all widgets.

class QWidget;

namespace help {

void setHelpTopic(QWidget* widget, int topicNumber);

/// The topic a widget or its nearest ancestor carries, 0 when none.
int helpTopicOf(const QWidget* widget);

/// Opens the help viewer at a topic number; false when it is missing.
bool openHelpTopic(int topicNumber);

/// Opens the help viewer at its contents (topic 7003).
bool openHelpContents();

} // namespace help
