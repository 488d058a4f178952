// The list as an Excel workbook: see list_workbook.h.

#include "list_workbook.h"

#include "export_target.h"
#include "list_rows.h"
#include "report_run.h"
#include "store/value.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringView>
#include <algorithm>
#include <cstring>
#include <utility>
#include <xlsxwriter.h>

namespace reports {

namespace {

constexpr qsizetype WidestColumn = 60; ///< characters; longer lines are cut off on screen
constexpr int DateColumn = 3;
const char* const DateFormat = "m/d/yyyy";

/// `text` in parts of at most a cell's size, a surrogate pair never split.
QList<QStringView> cellParts(QStringView text) {
    QList<QStringView> parts;
    while (text.size() > WorkbookWriter::CellCharacters) {
        qsizetype n = WorkbookWriter::CellCharacters;
        if (text[n - 1].isHighSurrogate())
            --n;
        parts << text.first(n);
        text = text.sliced(n);
    }
    parts << text;
    return parts;
}

/// The longest line of `text`, in characters.
qsizetype longestLine(QStringView text) {
    qsizetype longest = 0;
    for (const QStringView line : text.tokenize(QLatin1Char('\n')))
        longest = std::max(longest, line.size());
    return longest;
}

/// `text` as a cell's UTF-8. libxlsxwriter writes control characters as
/// the format's escapes ("_x000D_" for a carriage return, which the XML
/// would otherwise turn into a line feed); a text that holds such an
/// escape itself has its underscore escaped, so that it reads back as
/// written. U+0000 cannot be held at all.
QByteArray utf8(QStringView text) {
    if (!text.contains(QChar(0)) && !text.contains(QLatin1String("_x")))
        return text.toUtf8(); // nearly every text
    static const QRegularExpression escapeLike(QStringLiteral("_(x[0-9A-Fa-f]{4}_)"));
    QString copy = text.toString();
    copy.replace(QChar(0), QChar(QChar::ReplacementCharacter));
    copy.replace(escapeLike, QStringLiteral("_x005F_\\1"));
    return copy.toUtf8();
}

} // namespace

WorkbookWriter::WorkbookWriter(ExportTarget& target)
    : target_(target), folder_(QDir(QDir::tempPath()).filePath(QStringLiteral("tolvane-XXXXXX"))) {
    if (!folder_.isValid())
        target_.fail(QStringLiteral("no temporary folder could be made for the workbook (%1)")
                         .arg(folder_.errorString()));
    const QByteArray file = QFile::encodeName(folder_.filePath(QStringLiteral("list.xlsx")));
    temporary_ = QFile::encodeName(folder_.path());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = temporary_.data();
    options.use_zip64 = LXW_TRUE; // a workbook of more than 4 GB stays readable
    book_ = workbook_new_opt(file.constData(), &options);
    if (!book_ || !(documents_ = workbook_add_worksheet(book_, "Documents")) ||
        !(bold_ = workbook_add_format(book_)) || !(date_ = workbook_add_format(book_)))
        target_.fail(QStringLiteral("the workbook could not be made (out of memory)"));
    format_set_bold(bold_);
    format_set_num_format(date_, DateFormat);
    for (size_t c = 0; c < ListHeadings.size(); ++c) {
        check(worksheet_write_string(documents_, 0, static_cast<lxw_col_t>(c), ListHeadings[c],
                                     bold_));
        widths_[c] = qsizetype(std::strlen(ListHeadings[c]));
    }
    worksheet_freeze_panes(documents_, 1, 0);
    widths_[DateColumn] = qsizetype(std::strlen("12/31/2000"));
}

WorkbookWriter::~WorkbookWriter() {
    if (book_)
        lxw_workbook_free(book_);
}

void WorkbookWriter::add(const ListRow& row) {
    ++row_;
    id_ = row.id;
    if (!store::isNull(row.id)) {
        bool number = false;
        const qint64 id = row.id.toLongLong(&number);
        if (number) {
            check(worksheet_write_number(documents_, row_, 0, double(id), nullptr));
            widths_[0] = std::max(widths_[0], qsizetype(QString::number(id).size()));
        } else {
            text(documents_, 0, row.id.toString());
        }
    }
    text(documents_, 1, row.description);
    text(documents_, 2, row.type);
    const QDate date = store::dateOf(row.date);
    if (date.isValid() && date.year() >= 1900 && date.year() <= 9999) {
        lxw_datetime when{date.year(), date.month(), date.day(), 0, 0, 0};
        check(worksheet_write_datetime(documents_, row_, DateColumn, &when, date_));
    } else {
        text(documents_, DateColumn, reportDate(row.date));
    }
    text(documents_, 4, row.who);
    text(documents_, 5, row.note);
    text(documents_, 6, row.files);
}

// A text cell in "Documents" (a long text continued in "Long notes"), or
// a text cell of "Long notes" itself.
void WorkbookWriter::text(lxw_worksheet* sheet, int column, const QString& value) {
    if (value.isEmpty())
        return;
    const auto col = static_cast<lxw_col_t>(column);
    if (sheet != documents_ || value.size() <= CellCharacters) {
        check(worksheet_write_string(sheet, sheet == documents_ ? row_ : longRow_, col,
                                     utf8(value).constData(), nullptr));
        if (sheet == documents_)
            widths_[size_t(column)] =
                std::min(WidestColumn, std::max(widths_[size_t(column)], longestLine(value)));
        return;
    }
    const QList<QStringView> parts = cellParts(value);
    check(worksheet_write_string(documents_, row_, col, utf8(parts.front()).constData(), nullptr));
    widths_[size_t(column)] = WidestColumn;
    if (!longNotes_) {
        if (!(longNotes_ = workbook_add_worksheet(book_, "Long notes")))
            target_.fail(QStringLiteral("the workbook could not be made (out of memory)"));
        const char* const headings[] = {"ID", "Column", "Text"};
        for (lxw_col_t c = 0; c < 3; ++c)
            check(worksheet_write_string(longNotes_, 0, c, headings[c], bold_));
        worksheet_freeze_panes(longNotes_, 1, 0);
        check(worksheet_set_column(longNotes_, 1, 1, 12, nullptr));
        check(worksheet_set_column(longNotes_, 2, 2 + 255, double(WidestColumn), nullptr));
    }
    ++longRow_;
    const LongText longText{id_, QLatin1String(ListHeadings[size_t(column)])};
    bool number = false;
    const qint64 id = id_.toLongLong(&number);
    if (number)
        check(worksheet_write_number(longNotes_, longRow_, 0, double(id), nullptr));
    else
        text(longNotes_, 0, id_.toString());
    text(longNotes_, 1, longText.column);
    lxw_col_t c = 2;
    for (const QStringView part : parts)
        check(worksheet_write_string(longNotes_, longRow_, c++, utf8(part).constData(), nullptr));
    longTexts_ << longText;
}

void WorkbookWriter::finish(ExportOutcome& outcome) {
    for (size_t c = 0; c < widths_.size(); ++c)
        check(worksheet_set_column(documents_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                   double(widths_[c] + 2), nullptr));
    lxw_workbook* book = std::exchange(book_, nullptr);
    check(workbook_close(book)); // writes the file and frees the workbook
    QFile made(folder_.filePath(QStringLiteral("list.xlsx")));
    if (!made.open(QIODevice::ReadOnly))
        target_.fail(made.errorString());
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = made.read(chunk.data(), chunk.size());
        if (n < 0)
            target_.fail(made.errorString());
        if (n == 0)
            break;
        target_.write(QByteArrayView(chunk.constData(), n));
    }
    target_.commit();
    outcome.longTexts = longTexts_;
}

void WorkbookWriter::check(int error) const {
    if (error == LXW_NO_ERROR)
        return;
    QString cause = QString::fromUtf8(lxw_strerror(static_cast<lxw_error>(error)));
    while (cause.endsWith(QLatin1Char('.')))
        cause.chop(1);
    target_.fail(QStringLiteral("the workbook could not be made (%1)").arg(cause));
}

} // namespace reports
