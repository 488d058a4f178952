// Statements as callers of the query routines write them, generated from a
// fixed seed and run on a register file and a server register holding the
// same documents: both must give the same rows in the same order. The
// statements use what the two registers promise alike: comparisons of
// numbers and dates, equality of ASCII texts, LIKE with every kind of
// desktop pattern over texts with letters beyond ASCII, AND/OR, TOP and
// ORDER BY over fields that hold Null. Text order beyond ASCII differs by
// design (the server's is linguistic), so the texts sorted here are ASCII.
// Runs in the server run only (support/register_place.h).

#include "support/register_fixture.h"

#include <random>

namespace {

struct Row {
    QVariant description, who, note, date;
    int type;
};

/// The documents both registers hold; ID is the row's place + 1.
const std::vector<Row>& rows() {
    const auto day = [](int y, int m, int d, int h = 0, int mi = 0) {
        return QVariant(QDateTime(QDate(y, m, d), QTime(h, mi), Qt::UTC));
    };
    const auto t = [](const char* s) { return QVariant(QString::fromUtf8(s)); };
    static const std::vector<Row> all{
        {t("Café bill"), t("Ann"), t("naïve note"), day(2004, 2, 6), 1},
        {t("CAFÉ BILL"), t("ann"), t("NAÏVE"), day(2004, 2, 6, 10, 30), 2},
        {t("Ærø ferry"), t("Bob"), t("İstanbul"), day(1999, 12, 31), 3},
        {t("ærø"), t("bob lee"), t("istanbul"), {}, 0},
        {t("ıssız"), t("Carl"), t("ISTANBUL"), day(2010, 7, 15), 1},
        {t("Ωmega plan"), {}, t("ωmega"), day(2004, 1, 5), 2},
        {t("Straße 12"), t("Dora"), t("Łódź"), {}, 4},
        {t("x*y"), t("dora"), t("łódź"), day(2001, 3, 9, 23, 59), 5},
        {t("a[b]c"), t(""), t("Кириллица"), day(2004, 2, 7), 0},
        {t("100%"), t("Eve"), t("кириллица"), day(1970, 1, 1), 3},
        {t("under_score"), t("eve"), t("日本の書類"), {}, 2},
        {t("A1 invoice"), t("Fay"), t("note 😀 here"), day(2004, 2, 6), 1},
        {t("b22 receipt"), {}, {}, day(2020, 2, 29), 4},
        {t("Kelvin \u212A"), t("Gus"), t("kelvin k"), day(2004, 12, 1), 5},
        {t("#5 file"), t("gus"), t("it's [here]"), {}, 0},
        {t("Invoice 2004"), t("Hal"), t("Résumé"), day(2004, 2, 5), 2},
        {t("invoice 1999"), t("hal"), t("RÉSUMÉ"), day(1999, 1, 1), 3},
        {{}, t("Ivy"), t("resume"), day(2004, 3, 1), 1},
        {t("Überweisung"), t("ivy"), t("ÜBER"), day(2015, 6, 30), 4},
        {t("über"), t("Jo"), t("-dash-"), day(2004, 2, 6, 0, 1), 0},
        {t("back\\slash a%b_c"), t("jo"), t("ǅ digraph ſ"), day(2004, 2, 6), 5},
        {t("]closing[ -"), t("Kim"), t("line\nbreak"), day(2030, 10, 10, 12, 0), 2},
    };
    return all;
}

/// A desktop pattern: mostly made from a stored text (letters flipped in
/// case, replaced by '?', '#', classes or ranges, ends cut to '*'),
/// sometimes one of the tricky forms.
QString pattern(std::mt19937& random) {
    static const char* const tricky[] = {
        "[z-a]*", "[!]*",  "[*",        "*[]*",   "a[*]*",   "*[%]*",   "*_*",   "*İ*",
        "*i*",    "*ı*",   "*k*",       "*K*",    "[à-ý]*",  "*[!a-z]", "##*",   "*[0-9]#*",
        "*É*",    "[!é]*", "*[a-zA-Z]", "*'s*",   "*ß*",     "*SS*",    "[Ωω]*", "*[Á-Ý]*",
        "*\\*",   "*%",    "_*",        "*[]]*",  "*[a-]*",  "[-a]*",   "[!!]*", "*ǆ*",
        "*ǅ*",    "*ſ*",   "*S",        "[a-ſ]*", "*[Z-a]*", "[ -/]*",  "?",     "*?",
        "* *",    "ANN",   "ann*",      "*e*e*",  "*[%]b*",  "*a_b*",   "*A%B*", "*\n*",
    };
    std::uniform_int_distribution<int> pick(0, 99);
    if (pick(random) < 25)
        return QString::fromUtf8(tricky[pick(random) % std::size(tricky)]);
    const Row& row = rows()[static_cast<size_t>(pick(random)) % rows().size()];
    const QVariant source = pick(random) < 50 ? row.description : row.note;
    const QList<uint> text = source.toString().toUcs4();
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QString c = QString::fromUcs4(reinterpret_cast<const char32_t*>(&text[i]), 1);
        const int roll = pick(random);
        if (c == u"*" || c == u"?" || c == u"#" || c == u"[")
            out += u'[' + c + u']';
        else if (roll < 8)
            out += u'?';
        else if (roll < 12 && c.front().isDigit())
            out += u'#';
        else if (roll < 16)
            out += u'[' + c.toUpper() + c.toLower() + u']';
        else if (roll < 19)
            out += QStringLiteral("[!%1]").arg(c == u"]" ? QStringLiteral("x") : c);
        else if (roll < 22 && c.front().isLetter())
            out += QStringLiteral("[%1-%2]").arg(c.toLower(), QStringLiteral("z"));
        else if (roll < 40)
            out += roll % 2 ? c.toUpper() : c.toLower();
        else
            out += c;
    }
    const int cut = pick(random);
    if (cut < 30)
        out = u'*' + out.mid(out.size() / 2);
    else if (cut < 60)
        out = out.left(out.size() / 2) + u'*';
    return out;
}

QString quoted(const QString& text) {
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

/// One statement and the values of its parameters.
struct Statement {
    QString sql;
    QVariantList parameters;
};

class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) {}

    Statement next() {
        Statement s;
        parameters_ = &s.parameters;
        const int top = roll(10) == 0 ? 1 + roll(6) : 0;
        s.sql = top ? QStringLiteral("SELECT TOP %1 ID FROM Documents").arg(top)
                    : QStringLiteral("SELECT ID FROM Documents");
        if (roll(10) != 0)
            s.sql += QStringLiteral(" WHERE ") + condition(0);
        s.sql += QStringLiteral(" ORDER BY ") + order();
        return s;
    }

private:
    int roll(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    QString condition(int depth) {
        if (depth < 2 && roll(3) == 0) {
            QString both = condition(depth + 1);
            both += roll(2) ? QStringLiteral(" AND ") : QStringLiteral(" OR ");
            both += condition(depth + 1);
            return roll(2) ? u'(' + both + u')' : both;
        }
        static const char* const ops[] = {"=", "<", ">", "<>", "<=", ">="};
        const QString op = QString::fromLatin1(ops[roll(6)]);
        switch (roll(8)) {
        case 0:
            return QStringLiteral("ID %1 ").arg(op) + value(roll(23));
        case 1:
            return QStringLiteral("DocumentType %1 ").arg(op) + value(roll(6));
        case 2: {
            const QVariant date = rows()[static_cast<size_t>(roll(22))].date;
            const QDateTime d = date.isNull() ? QDateTime(QDate(2004, 2, 6), QTime(10, 30), Qt::UTC)
                                              : date.toDateTime();
            if (roll(4) == 0) {
                parameters_->append(d);
                return QStringLiteral("Date %1 ?").arg(op);
            }
            return QStringLiteral("Date %1 #%2#")
                .arg(op, roll(2) ? d.toString(QStringLiteral("M/d/yyyy h:mm AP"))
                                 : d.toString(QStringLiteral("M/d/yyyy")));
        }
        case 3: {
            const QString who = rows()[static_cast<size_t>(roll(22))].who.toString();
            return QStringLiteral("Who = ") + quoted(roll(2) ? who.toUpper() : who);
        }
        case 5:
            return roll(2)
                       ? QStringLiteral("ID IN (%1, %2, %3)")
                             .arg(roll(23))
                             .arg(roll(23))
                             .arg(roll(23))
                       : QStringLiteral("DocumentType BETWEEN %1 AND %2").arg(roll(6)).arg(roll(6));
        case 4: {
            static const char* const fields[] = {"Who", "Date", "Note", "Description"};
            return QString::fromLatin1(fields[roll(4)]) +
                   (roll(2) ? QStringLiteral(" IS NULL") : QStringLiteral(" IS NOT NULL"));
        }
        default:
            return like();
        }
    }

    /// A number written out, or as a parameter.
    QString value(const QVariant& v) {
        if (roll(4) != 0)
            return v.toString();
        parameters_->append(v);
        return QStringLiteral("?");
    }

    QString like() {
        // Numbers and dates are matched as the texts the file holds.
        static const char* const others[] = {"ID LIKE '1#'",      "DocumentType LIKE '[1-3]'",
                                             "Date LIKE '2004*'", "Date LIKE '*-06'",
                                             "Date LIKE '*:30*'", "Date LIKE '####-0#-0#'",
                                             "ID LIKE '*2'"};
        if (roll(6) == 0)
            return QString::fromLatin1(others[roll(7)]);
        static const char* const fields[] = {"Description", "Note", "Who", "Description", "Note"};
        QString field = QString::fromLatin1(fields[roll(5)]);
        if (roll(6) == 0)
            field = u'(' + field + u')';
        if (roll(6) == 0)
            field = QStringLiteral("NOT ") + field;
        const QString op = roll(5) == 0 ? QStringLiteral(" NOT LIKE ") : QStringLiteral(" LIKE ");
        const QString p = pattern(random_);
        if (roll(4) == 0) {
            parameters_->append(p);
            return field + op + u'?';
        }
        return field + op + quoted(p);
    }

    QString order() {
        static const char* const fields[] = {"Date", "DocumentType", "Who", "Date", "Who"};
        QString out;
        for (int n = 1 + roll(2); n > 0; --n)
            out += QString::fromLatin1(fields[roll(5)]) +
                   (roll(2) ? QStringLiteral(" DESC, ") : QStringLiteral(", "));
        return out + (roll(2) ? QStringLiteral("ID DESC") : QStringLiteral("ID"));
    }

    std::mt19937 random_;
    QVariantList* parameters_ = nullptr;
};

class OutsideSql : public ::testing::Test {
protected:
    void SetUp() override {
        if (!place.onServer())
            GTEST_SKIP() << (place.unavailable().isEmpty()
                                 ? std::string("runs on a file and a server register at once")
                                 : place.unavailable().toStdString());
        file = store::Database::create(place.folder() + QStringLiteral("/Veld.MDB"));
        server = store::Database::create(place.location());
        for (const store::Database* db : {&file, &server}) {
            auto rs = db->openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
            int id = 0;
            for (const Row& r : rows()) {
                rs->addNew();
                rs->setField(QStringLiteral("ID"), ++id);
                rs->setField(QStringLiteral("Description"), r.description);
                rs->setField(QStringLiteral("Who"), r.who);
                rs->setField(QStringLiteral("Note"), r.note);
                rs->setField(QStringLiteral("Date"), r.date);
                rs->setField(QStringLiteral("DocumentType"), r.type);
                rs->update();
            }
        }
    }

    static QString ids(const store::Database& db, const Statement& s) {
        try {
            auto rs = db.openRecordset(s.sql, store::RecordsetType::Snapshot, s.parameters);
            return RegisterTest::column(*rs, QStringLiteral("ID")).join(u' ');
        } catch (const store::EngineError& e) {
            return QStringLiteral("refused: ") + e.text();
        }
    }

    testsupport::RegisterPlace place;
    store::Database file;
    store::Database server;
};

TEST_F(OutsideSql, GeneratedStatementsGiveTheSameRowsOnBothRegisters) {
    Generator generate(20261209);
    int mismatches = 0;
    for (int i = 0; i < 400 && mismatches < 10; ++i) {
        const Statement s = generate.next();
        SCOPED_TRACE(s.sql.toStdString() +
                     (s.parameters.isEmpty()
                          ? std::string()
                          : " with " + s.parameters[0].toString().toStdString()));
        const QString onFile = ids(file, s);
        EXPECT_FALSE(onFile.startsWith(QLatin1String("refused"))) << onFile.toStdString();
        const QString onServer = ids(server, s);
        EXPECT_EQ(onServer, onFile);
        mismatches += onServer != onFile;
    }
}

} // namespace
