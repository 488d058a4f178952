#pragma once
// frmConverting: the small modeless "Converting" window that tells the user
// to wait while the old register is imported at the first start. It is the
// import's progress receiver: begin() shows it and has it painted before
// the work starts, step() lets it repaint (no user input is processed and
// no per-record progress is shown), end() closes it.
//
// Use: frmConverting window; ConvertLegacyFiles(db, folder, &window);
// Cost: one label; a repaint every LegacyProgress step.

#include "legacy_import.h"

#include <QLabel>
#include <QWidget>

namespace legacy {

class frmConverting : public QWidget, public LegacyProgress {
    Q_OBJECT
public:
    explicit frmConverting(QWidget* parent = nullptr);

    void begin() override;
    void step(int filed) override;
    void end() override;

    /// The label's text, as shown.
    QString message() const { return Label1->text(); }

private:
    QLabel* Label1; ///< "Converting to new database format ... please wait"
};

} // namespace legacy
