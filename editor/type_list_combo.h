#pragma once
// Shows a QComboBox to FillTypeList (session/type_lookups.h) as the list it
// fills; the editor's type list and the main window's type filter use it.
// Selecting through it raises the combo's currentIndexChanged, as a
// user's choice would. Costs nothing beyond the calls it forwards.

#include "session/type_lookups.h"

#include <QComboBox>

namespace editor {

class TypeListCombo : public session::TypeListTarget {
public:
    explicit TypeListCombo(QComboBox& list) : list_(list) {}

    void clear() override { list_.clear(); }
    void addItem(const QString& text) override { list_.addItem(text); }
    int selectedIndex() const override { return list_.currentIndex(); }
    void setSelectedIndex(int index) override { list_.setCurrentIndex(index); }

private:
    QComboBox& list_; ///< the filled list, owned by its window
};

} // namespace editor
