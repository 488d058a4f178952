#pragma once
// The editor's list of a document's files: a two-column tree (name, size
// or progress) that takes files dropped on it and passes the keys a user
// expects of such a list on as requests: Enter opens the current file,
// Delete removes it, Paste (Ctrl+V, Shift+Insert) attaches what the
// clipboard holds. Header only.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTreeWidget>

namespace editor {

class FileDropList : public QTreeWidget {
    Q_OBJECT
public:
    explicit FileDropList(QWidget* parent = nullptr) : QTreeWidget(parent) {
        setAcceptDrops(true);
        viewport()->setAcceptDrops(true);
        setDragDropMode(QAbstractItemView::DropOnly);
        setRootIsDecorated(false);
        setSelectionMode(QAbstractItemView::SingleSelection);
    }

signals:
    void dropped(const QMimeData* data);
    void openRequested();
    void removeRequested();
    void pasteRequested();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasUrls() || event->mimeData()->hasImage())
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        if (event->mimeData()->hasUrls() || event->mimeData()->hasImage())
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override {
        event->acceptProposedAction();
        emit dropped(event->mimeData());
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Paste)) {
            emit pasteRequested();
        } else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                   event->modifiers() == Qt::NoModifier && currentItem()) {
            emit openRequested();
        } else if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier &&
                   currentItem()) {
            emit removeRequested();
        } else {
            QTreeWidget::keyPressEvent(event);
            return;
        }
        event->accept();
    }
};

} // namespace editor
