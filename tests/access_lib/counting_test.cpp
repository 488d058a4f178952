// fnAnyRecords, fnNumberOfRecords and fnSQLDateRange through the interface,
// over the edge cases of their contract.

#include "brellox_fixture.h"
#include "platform/com/error_info.h"

using brellox::IEngineRecordset;

namespace {

class Counting : public BrelloxTest {
protected:
    com::VARIANT_BOOL any(IEngineRecordset* rs) {
        com::VARIANT_BOOL value = 7; // neither True nor False: must be written
        com::raiseError(com::E_FAIL, {}, QStringLiteral("stale"));
        EXPECT_EQ(access->fnAnyRecords(&rs, &value), com::S_OK);
        EXPECT_FALSE(com::takeErrorInfo()); // errors are swallowed, not recorded
        return value;
    }
};

TEST_F(Counting, AnyRecordsIsTrueExactlyOnARecordAndNeverMoves) {
    addDocuments(3);
    const com::Ptr<IEngineRecordset> full = open(QStringLiteral("SELECT * FROM Documents"));
    const com::Ptr<IEngineRecordset> empty =
        open(QStringLiteral("SELECT * FROM Documents WHERE ID > 99"));
    store::Recordset& rs = *full->recordset();

    EXPECT_EQ(any(full.get()), com::VARIANT_TRUE); // on the first row after opening
    rs.moveNext();
    EXPECT_EQ(any(full.get()), com::VARIANT_TRUE);
    EXPECT_EQ(rs.absolutePosition(), 1); // not moved by the question
    rs.moveFirst();
    rs.movePrevious(); // before the first row
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(any(full.get()), com::VARIANT_FALSE);
    rs.moveLast();
    rs.moveNext(); // past the end
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(any(full.get()), com::VARIANT_FALSE);
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(any(empty.get()), com::VARIANT_FALSE);
}

TEST_F(Counting, AnyRecordsWithoutAUsableRecordsetIsFalseWithoutError) {
    addDocuments(1);
    const com::Ptr<IEngineRecordset> nothing = brellox::wrapRecordset(nullptr);
    const com::Ptr<IEngineRecordset> closed =
        open(QStringLiteral("Documents"), store::RecordsetType::Table);
    closed->recordset()->close();
    EXPECT_EQ(any(nullptr), com::VARIANT_FALSE);
    EXPECT_EQ(any(nothing.get()), com::VARIANT_FALSE);
    EXPECT_EQ(any(closed.get()), com::VARIANT_FALSE);
    com::VARIANT_BOOL value = 7;
    EXPECT_EQ(access->fnAnyRecords(nullptr, &value), com::S_OK);
    EXPECT_EQ(value, com::VARIANT_FALSE);
}

TEST_F(Counting, NumberOfRecordsCountsAndLeavesTheFirstRecordCurrent) {
    addDocuments(3);
    const std::pair<const char*, store::RecordsetType> sources[] = {
        {"SELECT * FROM Documents ORDER BY ID", store::RecordsetType::Snapshot},
        {"SELECT * FROM Documents ORDER BY ID", store::RecordsetType::Dynaset},
        {"Documents", store::RecordsetType::Table}};
    for (const auto& [source, type] : sources) {
        SCOPED_TRACE(static_cast<int>(type));
        com::Ptr<IEngineRecordset> rs = open(QString::fromLatin1(source), type);
        rs->recordset()->moveNext();
        rs->recordset()->moveNext(); // anywhere but the first row
        IEngineRecordset* p = rs.get();
        std::int32_t count = -1;
        ASSERT_EQ(access->fnNumberOfRecords(&p, &count), com::S_OK);
        EXPECT_EQ(count, 3);
        EXPECT_EQ(p, rs.get());
        if (type != store::RecordsetType::Table) { // a table has no row index
            EXPECT_EQ(rs->recordset()->absolutePosition(), 0);
        }
        EXPECT_EQ(rs->recordset()->field(QStringLiteral("ID")).toInt(), 1);
    }
}

TEST_F(Counting, NumberOfRecordsIsZeroWithoutTouchingAnEmptyOrMissingRecordset) {
    addDocuments(2);
    const com::Ptr<IEngineRecordset> empty =
        open(QStringLiteral("SELECT * FROM Documents WHERE ID > 99"));
    const com::Ptr<IEngineRecordset> pastEnd = open(QStringLiteral("SELECT * FROM Documents"));
    pastEnd->recordset()->moveLast();
    pastEnd->recordset()->moveNext();
    const com::Ptr<IEngineRecordset> nothing = brellox::wrapRecordset(nullptr);
    for (IEngineRecordset* rs :
         {empty.get(), pastEnd.get(), nothing.get(), static_cast<IEngineRecordset*>(nullptr)}) {
        IEngineRecordset* p = rs;
        std::int32_t count = -1;
        EXPECT_EQ(access->fnNumberOfRecords(&p, &count), com::S_OK);
        EXPECT_EQ(count, 0);
    }
    EXPECT_TRUE(pastEnd->recordset()->eof()); // a recordset on no record is not moved
    EXPECT_EQ(access->fnNumberOfRecords(nullptr, nullptr), com::E_POINTER);
}

TEST_F(Counting, NumberOfRecordsFailsWithTheEngineErrorWhenMoveLastFails) {
    addDocuments(2);
    com::Ptr<IEngineRecordset> table =
        open(QStringLiteral("Documents"), store::RecordsetType::Table);
    db.execute(QStringLiteral("DROP TABLE Documents")); // the live cursor loses its table
    IEngineRecordset* p = table.get();
    std::int32_t count = -1;
    const com::HRESULT hr = access->fnNumberOfRecords(&p, &count);
    EXPECT_TRUE(com::failed(hr));
    EXPECT_EQ(count, 0);
    const auto info = com::takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_NE(info->number, 0);
    EXPECT_EQ(hr, com::controlErrorResult(info->number));
}

TEST_F(Counting, DateRangeRepeatsTheFieldAndWrapsEachDateInHashes) {
    const struct {
        const char* field;
        const char* start;
        const char* end;
        const char* text;
    } cases[] = {
        {"Date", "1/1/2001", "12/31/2001", "Date >= #1/1/2001# AND Date <= #12/31/2001#"},
        {"DateAdded", "7/4/2001", "7/4/2001",
         "DateAdded >= #7/4/2001# AND DateAdded <= #7/4/2001#"},
        // Not validated, trimmed or reformatted.
        {" D ", " x", "", " D  >= # x# AND  D  <= ##"},
    };
    for (const auto& c : cases) {
        QString field = QString::fromLatin1(c.field);
        QString start = QString::fromLatin1(c.start);
        QString end = QString::fromLatin1(c.end);
        com::Variant value;
        ASSERT_EQ(access->fnSQLDateRange(&field, &start, &end, &value), com::S_OK);
        EXPECT_EQ(value.vt(), com::VT_BSTR);
        EXPECT_EQ(value.text(), QString::fromLatin1(c.text));
        EXPECT_EQ(field, QString::fromLatin1(c.field)); // read only
    }
    QString s;
    com::Variant value;
    EXPECT_EQ(access->fnSQLDateRange(&s, nullptr, &s, &value), com::E_POINTER);
}

} // namespace
