#pragma once
// frmChange: the document editor, "Document Information". The main window
// opens it modally to add a document (gAddMode true) or to change the
// current document of its list (gAddMode false); the editor takes over the
// list's very recordset, starts a new row or puts the current row into edit,
// and ends by storing (Update) or abandoning (Exit, or closing the window).
// After it closes, gNewDocumentID holds the ID of an added document, else 0.
//
// Use: session::program::gAddMode = ...; frmChange editor(listRecordset, this);
//      editor.exec();
//
// Update files the entry through the engine (store/document_filing.h),
// which tests the ID and stores the row inside one write transaction on
// the recordset's database, so two users can never file one ID twice; any
// refusal or engine failure keeps the window open with everything typed.
// The description and person fields complete from session::program's
// rsDescription and rsWho (when they are open). A failure while opening is
// shown when the window is shown, which then closes at once.
//
// Threading: user-interface thread only.

#include "session/type_ahead.h"
#include "store/document_filing.h"
#include "store/recordset.h"

#include <QDate>
#include <QDialog>
#include <array>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace editor {
class DateLineEdit;
class DocumentFilesBox;
class LineTextControl;
} // namespace editor

class frmChange : public QDialog {
    Q_OBJECT
public:
    /// Loads the window over `documents` (the main window's list recordset),
    /// running the opening steps: type list, fields, pending row.
    explicit frmChange(store::RecordsetPtr documents, QWidget* parent = nullptr);
    ~frmChange() override;

    /// The register as the program opened it (a server address with its
    /// password), for the connection that stores attached files; by
    /// default the list's database's location.
    void setRegisterLocation(const QString& location);

    /// Some field changed since the window was filled.
    bool bChangesMade() const { return bChangesMade_; }

    // --- controls ---------------------------------------------------------
    QLineEdit* txtID;
    QLineEdit* txtDesc;
    QComboBox* cmbType;
    editor::DateLineEdit* txtDate;
    QLineEdit* txtWho;
    QPlainTextEdit* txtNote;
    QPushButton* cmdUpdate;
    QPushButton* cmdExit;
    editor::DocumentFilesBox* files; ///< the document's files, below the note
    std::array<QLabel*, 5> Label1;   ///< "ID:", "Desc:", "Type:", "Date:", "Who:"

public slots:
    /// Escape and the cancel button: Exit, with its question.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void PlaceInformationOnScreen();
    void selectType(qint16 typeRecordPtr);
    void cmdUpdate_Click();
    /// The six fields as the engine files them.
    store::DocumentEntry entry() const;
    void cmdExit_Click();
    /// Abandons the row this window started, if it is still pending.
    void abandonPending();
    /// Normalises the date field as leaving it does; false (after the
    /// message) when it holds no date.
    bool leaveDateField();
    void txtDate_LostFocus(Qt::FocusReason reason);
    void typeAhead(QLineEdit* field, session::TextControl& control, bool backspace,
                   const store::RecordsetPtr& lookup,
                   void (*routine)(session::TextControl&, store::Recordset&, qint16&, qint16&));
    /// An OK-only message box without icon, captioned with the program's title.
    void showMessage(const QString& text);

    store::RecordsetPtr dtaDocuments_; ///< the main window's list recordset, taken over
    std::unique_ptr<editor::LineTextControl> descControl_; ///< txtDesc as seen by type-ahead
    std::unique_ptr<editor::LineTextControl> whoControl_;  ///< txtWho as seen by type-ahead
    QString openingError_;        ///< what failed while opening; empty when all went well
    bool bChangesMade_ = false;   ///< some field was edited since the window was filled
    bool bDescBackspace_ = false; ///< the last character key in txtDesc was Backspace
    bool bWhoBackspace_ = false;  ///< the last character key in txtWho was Backspace
    bool pending_ = false;        ///< this window's AddNew/Edit is still open
    bool checkingDate_ = false;   ///< the date field's check is showing its message
    bool dateUnchecked_ = false;  ///< the date was typed into since the field last read it
    bool filling_ = false;        ///< the window is filling its fields: no completion
};
