#pragma once
// HelpViewer: the program's help window. Shows the help file at its
// contents or at a topic number, with Contents, Back and Forward buttons
// (also Alt+Home, Alt+Left, Alt+Right); links between topics are followed
// in the window, and Tab moves between links (Enter follows one). One
// viewer serves the whole program: instance() makes it on first use and
// later calls bring it to the front. Without a help file it says where it
// looked.

#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace help {

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    /// The program's viewer, made on first use.
    static HelpViewer* instance();

    /// Shows the help at a topic number (7003: the contents). Returns false
    /// when the help file is missing or has no such topic (the contents are
    /// shown instead of an unknown topic).
    bool showTopic(int topicNumber);
    bool showContents();

    /// The topic anchor on view ("7003"), empty when none.
    QString currentTopic() const;
    QTextBrowser* browser() const { return browser_; }

private:
    bool load();

    QTextBrowser* browser_ = nullptr; ///< shows the help file
    QPushButton* contents_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* forward_ = nullptr;
    QString file_; ///< the help file in use, empty before load()
};

} // namespace help
