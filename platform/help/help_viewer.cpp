// The help window: see help_viewer.h.

#include "help_viewer.h"

#include "help_file.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace help {

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Arkelby Help"));
    contents_ = new QPushButton(QStringLiteral("&Contents"), this);
    back_ = new QPushButton(QStringLiteral("&Back"), this);
    forward_ = new QPushButton(QStringLiteral("&Forward"), this);
    browser_ = new QTextBrowser(this);
    browser_->setAccessibleName(QStringLiteral("Help text"));
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    browser_->setTextInteractionFlags(Qt::TextBrowserInteraction);

    auto* bar = new QHBoxLayout;
    bar->addWidget(contents_);
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(contents_, &QPushButton::clicked, this, &HelpViewer::showContents);
    connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QPushButton::setEnabled);
    auto* home = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Home), this);
    connect(home, &QShortcut::activated, this, &HelpViewer::showContents);
    auto* backKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Left), this);
    connect(backKey, &QShortcut::activated, browser_, &QTextBrowser::backward);
    auto* forwardKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Right), this);
    connect(forwardKey, &QShortcut::activated, browser_, &QTextBrowser::forward);
    resize(640, 560);
}

HelpViewer* HelpViewer::instance() {
    static QPointer<HelpViewer> viewer;
    if (!viewer) {
        viewer = new HelpViewer;
        viewer->setAttribute(Qt::WA_DeleteOnClose);
    }
    return viewer;
}

bool HelpViewer::load() {
    if (!file_.isEmpty())
        return true;
    file_ = findHelpFile();
    if (file_.isEmpty()) {
        browser_->setHtml(
            QStringLiteral("<h2>Help is not available</h2><p>The help file %1 was not found. "
                           "It was looked for in these folders:</p><ul><li>%2</li></ul>")
                .arg(QLatin1String(HelpFileName),
                     helpFileFolders().join(QStringLiteral("</li><li>")).toHtmlEscaped()));
        return false;
    }
    return true;
}

bool HelpViewer::showTopic(int topicNumber) {
    bool known = false;
    if (load()) {
        QFile f(file_);
        known = f.open(QIODevice::ReadOnly) &&
                f.readAll().contains(QStringLiteral("<a name=\"%1\"").arg(topicNumber).toLatin1());
        QUrl url = QUrl::fromLocalFile(file_);
        url.setFragment(QString::number(known ? topicNumber : topic::Contents));
        browser_->setSource(url, QTextDocument::HtmlResource);
    }
    show();
    raise();
    activateWindow();
    browser_->setFocus();
    return known;
}

bool HelpViewer::showContents() {
    return showTopic(topic::Contents);
}

QString HelpViewer::currentTopic() const {
    return browser_->source().fragment();
}

} // namespace help
