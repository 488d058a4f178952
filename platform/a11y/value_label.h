#pragma once
// Labels that show a changing value (a document's fields, a count, a page
// number) as a screen reader must hear them: the value itself, with the
// caption beside it as the description, so that it can say "Desc: Annual
// report" rather than only "Desc".
//
// A screen reader takes a label's accessible name, when one is set, in
// place of its text; so a value label keeps no accessible name, and its
// text, whatever it is changed to and by whom, is what is heard. The
// caption is not made the label's buddy either: an empty value would then
// be read out as the caption. The text is shown as plain text, never read
// as markup.
//
// Use: a11y::showsValue(lblDesc, "Desc") once, after creating the label;
// then set its text as usual.

#include <QString>

class QLabel;

namespace a11y {

/// Makes `label` a value label described by `caption` (see above).
void showsValue(QLabel* label, const QString& caption);

} // namespace a11y
