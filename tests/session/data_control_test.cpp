// A window's bound data source: two controls given one recordset move one
// object, which is how the editor takes over the main window's list.

#include "session/data_control.h"
#include "support/register_fixture.h"

namespace {

class DataControlTest : public RegisterTest {};

TEST_F(DataControlTest, ControlsCanShareOneRecordsetObject) {
    add({1, "one"});
    add({2, "two"});
    session::DataControl list, editor;
    list.setDatabaseName(location());
    list.setRecordSource(QStringLiteral("SELECT * FROM Documents ORDER BY ID"));
    list.refresh();
    EXPECT_EQ(list.recordset()->field("ID").toInt(), 1);
    editor.setRecordset(list.recordset());
    editor.recordset()->moveNext();
    EXPECT_EQ(list.recordset()->field("ID").toInt(), 2) << "one object, one position";
}

} // namespace
