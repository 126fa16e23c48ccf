#include "scripted.h"
#include "storefixture.h"

#include "store/datasource.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgridmodel.h"
#include "widgets/dbnavigator.h"

#include <QHeaderView>
#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>
#include <QPointer>
#include <QtTest>

using namespace ktv;

namespace {

const QString kRoomId = QStringLiteral("Room_id");
const QString kPrice = QStringLiteral("Room_sfbiaozhun");
const QString kUsed = QStringLiteral("Room_used");
const QString kSize = QStringLiteral("Room_guige");
const QString kNote = QStringLiteral("Room_beizhu");

// Three rooms 101, 102, 103 in a fresh venue database, a cursor over them in room order and a data source.
struct RoomsFixture
{
    StoreFixture store;
    ScriptedDialogs dialogs;
    Cursor rooms{*store.db, tables::room()};
    DataSource source{&rooms};

    explicit RoomsFixture(int count = 3)
    {
        for (int i = 1; i <= count; ++i)
            store.addRoom(QString::number(100 + i), {}, 50.0 + i);
        rooms.setIndexName(kRoomId);
        rooms.open();
    }

    // What the table holds now, read past every cursor of the test.
    QString stored(const QString &roomId, const QString &field)
    {
        QSqlQuery q = store.db->run(QStringLiteral("SELECT %1 FROM room WHERE Room_id = ?").arg(field), {roomId});
        return q.next() ? q.value(0).toString() : QStringLiteral("<no room>");
    }
};

QList<GridColumn> roomColumns()
{
    return {
        {kRoomId, QStringLiteral("房间编号")},
        {kUsed, QStringLiteral("是否使用中"), true},
        {kSize, QStringLiteral("大中小"), false, {QStringLiteral("大"), QStringLiteral("中"), QStringLiteral("小")}},
        {kPrice},
        {kNote, QStringLiteral("备注")}};
}

QPoint cellCentre(DBGrid &grid, int row, int column)
{
    return grid.visualRect(grid.model()->index(row, column)).center();
}

// A grid on screen and active, so that clicks, editors and focus behave as for the cashier.
void showActive(QWidget &w)
{
    w.resize(800, 300);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// Opens the editor of a cell as a double click would and gives it back.
template <typename Editor = QLineEdit> Editor *openCellEditor(DBGrid &grid, int row, int column)
{
    grid.setCurrentIndex(grid.model()->index(row, column));
    grid.edit(grid.currentIndex());
    return qobject_cast<Editor *>(grid.indexWidget(grid.currentIndex()));
}

} // namespace

class DBWidgetsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KTV_REQUIRE_ENGINE(); }
    void modelStaysConsistentThroughEditing();
    void cellTexts_data();
    void cellTexts();
    void titlesAndReadOnlyCells();
    void timesAndTitlesShownWhole();
    void inPlaceEditSavedWhenAnotherRowSelected();
    void refusedSaveKeepsRowSelected();
    void typingOnAfterARefusalNeitherCrashesNorRepeats();
    void gridRowFollowsCursor();
    void pickListTakesPickedAndTypedText();
    void navigatorButtonsAndStates();
    void navigatorDeleteAsksFirst();
    void navigatorRebinds();
    void navigatorWritesTypedTextFirst();
    void editFollowsCursor();
    void editWritesTypedTextWhenFinished();
};

void DBWidgetsTest::modelStaysConsistentThroughEditing()
{
    RoomsFixture f;
    CursorTableModel model(f.dialogs, &f.source, roomColumns());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    QCOMPARE(model.rowCount(), 3);
    f.rooms.insert();
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.index(0, 0).data().toString(), QString()); // the new record stands before 101
    f.rooms.setValue(kRoomId, QStringLiteral("099"));
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("099"));
    f.rooms.post();
    f.rooms.insert();
    f.rooms.cancel();
    QCOMPARE(model.rowCount(), 4);
    f.rooms.last();
    f.rooms.remove();
    QCOMPARE(model.rowCount(), 3);

    Cursor other(*f.store.db, tables::room());
    other.setIndexName(kRoomId);
    other.setFilter(QStringLiteral("Room_id<>'101'"));
    other.setFiltered(true);
    other.open();
    f.source.setCursor(&other);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("102"));
}

void DBWidgetsTest::cellTexts_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("edited");

    const QDateTime moment(QDate(2026, 12, 8), QTime(20, 5, 9, 250));
    QTest::newRow("money two decimals") << "Openroom"
                                        << "Openroom_jbxf" << QVariant(95 * 50 / 60.0) << "79.17"
                                        << "79.1666666666667";
    QTest::newRow("money whole") << "Openroom"
                                 << "Openroom_shifu" << QVariant(100) << "100.00"
                                 << "100";
    QTest::newRow("money empty") << "Openroom"
                                 << "Openroom_yingfu" << QVariant() << ""
                                 << "";
    QTest::newRow("float general") << "Openroom"
                                   << "Openroom_room_zhelu" << QVariant(0.85) << "0.85"
                                   << "0.85";
    QTest::newRow("integer") << "Openroom"
                             << "Openroom_usedminute" << QVariant(95) << "95"
                             << "95";
    QTest::newRow("date-time") << "Openroom"
                               << "Openroom_begintime" << QVariant(moment) << "2026-12-08 20:05:09"
                               << "2026-12-08 20:05:09";
    QTest::newRow("date") << "Customers"
                          << "Customers_zcsj" << QVariant(QDate(2026, 1, 2)) << "2026-01-02"
                          << "2026-01-02";
    QTest::newRow("time") << "room"
                          << "Room_begintime1" << QVariant(QTime(8, 30)) << "08:30:00"
                          << "08:30:00";
}

void DBWidgetsTest::cellTexts()
{
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QString, shown);
    QFETCH(QString, edited);

    StoreFixture store;
    ScriptedDialogs dialogs;
    const TableDef &def = tables::byName(table);
    QVariantMap values{{field, value}};
    if (!def.uniqueKey.isEmpty())
        values.insert(def.uniqueKey, QStringLiteral("1"));
    store.addRecord(def, values);
    Cursor cursor(*store.db, def);
    cursor.open();
    DataSource source(&cursor);

    CursorTableModel model(dialogs, &source, {{field}});
    QCOMPARE(model.index(0, 0).data(Qt::DisplayRole).toString(), shown);
    QCOMPARE(model.index(0, 0).data(Qt::EditRole).toString(), edited);
    DBEdit edit(dialogs, QStringLiteral("label"), &source, field);
    QCOMPARE(edit.text(), shown);
}

// A booking's or a visit's time is shown to the second, and a long title in full, without the cashier
// widening the column.
void DBWidgetsTest::timesAndTitlesShownWhole()
{
    RoomsFixture f;
    const QString begin = QStringLiteral("Openroom_begintime");
    f.store.addRecord(tables::openroom(), {{begin, QDateTime(QDate(2026, 12, 8), QTime(20, 30))}});
    Cursor visits(*f.store.db, tables::openroom());
    visits.open();
    DataSource source(&visits);
    const QString title = QStringLiteral("特殊时段1开始时间");
    DBGrid grid(new CursorTableModel(f.dialogs, &source, {{begin, QStringLiteral("开始")}, {begin, title}}));
    const QString shown = grid.model()->index(0, 0).data().toString();
    QCOMPARE(shown, QStringLiteral("2026-12-08 20:30:00"));
    QVERIFY(grid.columnWidth(0) > grid.fontMetrics().horizontalAdvance(shown));
    QFont bold = grid.horizontalHeader()->font();
    bold.setBold(true);
    QVERIFY(grid.columnWidth(1) > QFontMetrics(bold).horizontalAdvance(title));
}

void DBWidgetsTest::titlesAndReadOnlyCells()
{
    RoomsFixture f;
    CursorTableModel model(f.dialogs, &f.source, roomColumns());
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("房间编号"));
    QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), kPrice); // no title: the field's label
    QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(0, 1), tables::yes));
    QCOMPARE(f.rooms.state(), CursorState::Browse);

    // Writing the text a cell already holds neither moves the cursor nor starts editing.
    QVERIFY(model.setData(model.index(2, 3), QStringLiteral("53")));
    QCOMPARE(f.rooms.currentDisplayRow(), 0);
    QCOMPARE(f.rooms.state(), CursorState::Browse);

    // A serial number and every field of a read-only cursor are shown, not edited, in cells and boxes.
    const QStringList visitFields{QStringLiteral("Openroom_Lishui"), QStringLiteral("Openroom_beizhu")};
    f.store.addRecord(tables::openroom(), {{visitFields[1], QStringLiteral("x")}});
    Cursor visitTable(*f.store.db, tables::openroom());
    Query visitQuery(*f.store.db, tables::openroom(), visitFields);
    visitTable.open();
    visitQuery.open();
    DataSource tableSource(&visitTable), querySource(&visitQuery);
    CursorTableModel tableModel(f.dialogs, &tableSource, {{visitFields[0]}, {visitFields[1]}});
    CursorTableModel queryModel(f.dialogs, &querySource, {{visitFields[0]}, {visitFields[1]}});
    QCOMPARE(tableModel.headerData(0, Qt::Horizontal).toString(), QStringLiteral("开房流水号"));
    QVERIFY(!(tableModel.flags(tableModel.index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(tableModel.flags(tableModel.index(0, 1)) & Qt::ItemIsEditable);
    QVERIFY(!(queryModel.flags(queryModel.index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(DBEdit(f.dialogs, {}, &tableSource, visitFields[0]).lineEdit()->isReadOnly());
    QVERIFY(DBEdit(f.dialogs, {}, &querySource, visitFields[1]).lineEdit()->isReadOnly());
    DBEdit asked(f.dialogs, {}, &tableSource, visitFields[1]);
    asked.setReadOnly(true);
    QVERIFY(asked.lineEdit()->isReadOnly());
    QVERIFY(f.dialogs.errors().isEmpty());
}

void DBWidgetsTest::inPlaceEditSavedWhenAnotherRowSelected()
{
    RoomsFixture f;
    DBGrid grid(new CursorTableModel(f.dialogs, &f.source, roomColumns()));
    showActive(grid);

    QLineEdit *editor = openCellEditor(grid, 0, 4);
    QVERIFY(editor);
    editor->setText(QStringLiteral("靠窗"));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 1, 4));

    QCOMPARE(f.rooms.currentDisplayRow(), 1);
    QCOMPARE(f.rooms.state(), CursorState::Browse);
    QCOMPARE(f.stored(QStringLiteral("101"), kNote), QStringLiteral("靠窗"));
    QCOMPARE(grid.model()->index(0, 4).data().toString(), QStringLiteral("靠窗"));
    QCOMPARE(grid.currentIndex().row(), 1);
    QVERIFY(f.dialogs.errors().isEmpty());
}

void DBWidgetsTest::refusedSaveKeepsRowSelected()
{
    RoomsFixture f;
    DBGrid grid(new CursorTableModel(f.dialogs, &f.source, roomColumns()));
    showActive(grid);

    QLineEdit *editor = openCellEditor(grid, 0, 0);
    QVERIFY(editor);
    editor->setText(QStringLiteral("102")); // taken by the next room
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 2, 0));

    QTRY_COMPARE(f.dialogs.errors().size(), 1); // shown once the click is handled
    QCOMPARE(f.rooms.state(), CursorState::Edit);
    QCOMPARE(f.rooms.currentDisplayRow(), 0);
    QCOMPARE(grid.currentIndex().row(), 0);
    QCOMPARE(grid.selectionModel()->selectedRows().size(), 1);
    QVERIFY(grid.selectionModel()->isRowSelected(0, {}));
    QCOMPARE(f.stored(QStringLiteral("101"), kRoomId), QStringLiteral("101"));
}

// An error box takes the focus from the cell editor, whose delegate then closes it; the box's event loop
// deletes it. A box opened from inside the editor's own key press would return into a deleted editor.
class ModalDialogs : public ScriptedDialogs
{
public:
    void showError(const QString &text) override
    {
        ScriptedDialogs::showError(text);
        QLineEdit box;
        box.show();
        box.activateWindow();
        box.setFocus();
        if (QWidget *before = QApplication::focusWidget(); before && before != &box)
            before->clearFocus();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
};

void DBWidgetsTest::typingOnAfterARefusalNeitherCrashesNorRepeats()
{
    RoomsFixture f;
    ModalDialogs dialogs;
    DBGrid grid(new CursorTableModel(dialogs, &f.source, roomColumns()));
    showActive(grid);
    QLineEdit *editor = openCellEditor(grid, 1, 0);
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("101")); // room 101 exists
    QTest::keyClick(editor, Qt::Key_Backtab, Qt::ShiftModifier);
    auto *next = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(next);
    const QPointer<QLineEdit> alive(next);
    QTest::keyClicks(next, QStringLiteral("xy")); // the row left cannot be saved: nothing starts here
    QVERIFY(alive);
    QTRY_COMPARE(dialogs.errors().size(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(dialogs.errors().size(), 1);
    QCOMPARE(f.stored(QStringLiteral("102"), kRoomId), QStringLiteral("102"));
}

void DBWidgetsTest::gridRowFollowsCursor()
{
    RoomsFixture f;
    DBGrid grid(new CursorTableModel(f.dialogs, &f.source, roomColumns()));
    QCOMPARE(grid.currentIndex().row(), 0);
    f.rooms.last();
    QCOMPARE(grid.currentIndex().row(), 2);
    QVERIFY(grid.selectionModel()->isRowSelected(2, {}));

    f.rooms.prior();
    f.rooms.insert(); // the new record stands at the current row
    QCOMPARE(grid.currentIndex().row(), 1);
    f.rooms.setValue(kRoomId, QStringLiteral("109"));
    f.rooms.post(); // and then takes its place in room order
    QCOMPARE(grid.currentIndex().row(), 3);
    QCOMPARE(grid.selectionModel()->selectedRows().size(), 1);

    // Selecting a row moves the cursor; a new record left untouched is dropped on the way.
    f.rooms.insert();
    QCOMPARE(grid.model()->rowCount(), 5);
    grid.setCurrentIndex(grid.model()->index(0, 2));
    QCOMPARE(f.rooms.text(kRoomId), QStringLiteral("101"));
    QCOMPARE(grid.model()->rowCount(), 4);
    QCOMPARE(grid.currentIndex().row(), 0);

    // Another cursor behind the data source: the grid shows and follows that one only.
    Cursor other(*f.store.db, tables::room());
    other.open();
    other.last();
    f.source.setCursor(&other);
    QCOMPARE(grid.currentIndex().row(), 3);
    f.rooms.last();
    other.first();
    QCOMPARE(grid.currentIndex().row(), 0);
}

void DBWidgetsTest::pickListTakesPickedAndTypedText()
{
    RoomsFixture f;
    DBGrid grid(new CursorTableModel(f.dialogs, &f.source, roomColumns()));
    showActive(grid);

    auto *combo = openCellEditor<QComboBox>(grid, 1, 2);
    QVERIFY(combo);
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(0), QStringLiteral("大"));
    combo->setCurrentText(QStringLiteral("特大号")); // typed text is cut to the field's two bytes
    QVERIFY(grid.commitPending());
    QCOMPARE(f.rooms.text(kSize), QStringLiteral("特"));

    f.rooms.post();
    combo = openCellEditor<QComboBox>(grid, 1, 2);
    QVERIFY(combo);
    QCOMPARE(combo->currentText(), QStringLiteral("特")); // the editor starts from the field
    combo->setCurrentIndex(2);                            // picked from the list: written at once
    emit combo->activated(2);
    QCOMPARE(f.rooms.text(kSize), QStringLiteral("小"));
}

void DBWidgetsTest::navigatorButtonsAndStates()
{
    RoomsFixture f;
    const QMap<NavButton, QString> hints{{NavButton::First, QStringLiteral("移动到第1条记录")}};
    DBNavigator nav(f.dialogs, &f.source,
                    {NavButton::First, NavButton::Prior, NavButton::Next, NavButton::Last, NavButton::Edit,
                     NavButton::Post, NavButton::Cancel},
                    hints);
    const auto btn = [&nav](const char *name) { return nav.findChild<QToolButton *>(QLatin1String(name)); };
    QVERIFY(!btn("nbDelete"));
    QCOMPARE(btn("nbFirst")->toolTip(), QStringLiteral("移动到第1条记录"));

    const auto enabled = [&] {
        QString s;
        for (const char *name : {"nbFirst", "nbPrior", "nbNext", "nbLast", "nbEdit", "nbPost", "nbCancel"})
            s += btn(name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    };
    QCOMPARE(enabled(), QStringLiteral("0011100")); // on the first record
    btn("nbNext")->click();
    QCOMPARE(f.rooms.text(kRoomId), QStringLiteral("102"));
    QCOMPARE(enabled(), QStringLiteral("1111100"));
    btn("nbLast")->click();
    QCOMPARE(enabled(), QStringLiteral("1100100"));
    btn("nbEdit")->click();
    QCOMPARE(enabled(), QStringLiteral("1100011"));
    f.rooms.setValue(kNote, QStringLiteral("x"));
    btn("nbCancel")->click();
    QCOMPARE(f.rooms.state(), CursorState::Browse);
    QCOMPARE(f.stored(QStringLiteral("103"), kNote), QString());

    RoomsFixture empty(0);
    DBNavigator emptyNav(empty.dialogs, &empty.source);
    for (const char *name : {"nbFirst", "nbLast", "nbDelete"})
        QVERIFY2(!emptyNav.findChild<QToolButton *>(QLatin1String(name))->isEnabled(), name);
    QVERIFY(emptyNav.findChild<QToolButton *>(QStringLiteral("nbInsert"))->isEnabled());
}

void DBWidgetsTest::navigatorDeleteAsksFirst()
{
    RoomsFixture f;
    DBNavigator nav(f.dialogs, &f.source);
    auto *del = nav.findChild<QToolButton *>(QStringLiteral("nbDelete"));
    f.rooms.next();

    f.dialogs.answerNo();
    del->click();
    QCOMPARE(f.dialogs.texts(ScriptedDialogs::Kind::ConfirmDelete), QStringList{QStringLiteral("Delete record?")});
    QCOMPARE(f.store.count(QStringLiteral("room")), 3);
    QCOMPARE(f.rooms.text(kRoomId), QStringLiteral("102"));

    f.dialogs.answerYes();
    del->click();
    QCOMPARE(f.store.count(QStringLiteral("room")), 2);
    QCOMPARE(f.stored(QStringLiteral("102"), kRoomId), QStringLiteral("<no room>"));
    QCOMPARE(f.rooms.text(kRoomId), QStringLiteral("103"));
    QVERIFY(f.dialogs.unexpected().isEmpty());
}

void DBWidgetsTest::navigatorRebinds()
{
    RoomsFixture f;
    Cursor drinks(*f.store.db, tables::pear());
    drinks.open();
    DataSource drinkSource(&drinks);
    DBNavigator nav(f.dialogs, &f.source);
    auto *insert = nav.findChild<QToolButton *>(QStringLiteral("nbInsert"));
    auto *post = nav.findChild<QToolButton *>(QStringLiteral("nbPost"));

    nav.setDataSource(&drinkSource);
    insert->click();
    QCOMPARE(drinks.state(), CursorState::Insert);
    QCOMPARE(f.rooms.state(), CursorState::Browse);
    drinks.setValue(QStringLiteral("Pear_bm"), QStringLiteral("P1"));
    post->click();
    QCOMPARE(f.store.count(QStringLiteral("Pear")), 1);

    // Back on the rooms, the buttons follow the rooms' state, not the drinks'.
    nav.setDataSource(&f.source);
    drinks.edit();
    QVERIFY(!post->isEnabled());
    drinks.cancel();
    // The data source itself given another cursor.
    f.source.setCursor(&drinks);
    nav.findChild<QToolButton *>(QStringLiteral("nbEdit"))->click();
    QCOMPARE(drinks.state(), CursorState::Edit);
    QVERIFY(post->isEnabled());

    // On a read-only cursor "+" is offered and refused with the store's message.
    Query visits(*f.store.db, tables::openroom(), {QStringLiteral("Openroom_Lishui")});
    visits.open();
    DataSource visitSource(&visits);
    nav.setDataSource(&visitSource);
    insert->click();
    QCOMPARE(f.dialogs.errors().size(), 1);
    QCOMPARE(visits.state(), CursorState::Browse);
}

void DBWidgetsTest::navigatorWritesTypedTextFirst()
{
    RoomsFixture f;
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *nav = new DBNavigator(f.dialogs, &f.source);
    auto *grid = new DBGrid(new CursorTableModel(f.dialogs, &f.source, roomColumns()));
    auto *edit = new DBEdit(f.dialogs, QStringLiteral("收费标准"), &f.source, kPrice);
    layout->addWidget(nav);
    layout->addWidget(grid);
    layout->addWidget(edit);
    showActive(window);
    QSignalSpy gridEntered(grid, &DBGrid::entered), editEntered(edit, &DBEdit::entered);
    edit->setFocus();
    grid->setFocus();

    // Typing into a cell starts editing the record; post writes the cell's text and saves it.
    QLineEdit *cell = openCellEditor(*grid, 0, 4);
    QVERIFY(cell);
    QTRY_VERIFY(cell->hasFocus());
    QCOMPARE(gridEntered.count(), 1); // the focus moving on into the cell editor stays inside
    QTest::keyClicks(cell, QStringLiteral("quiet"));
    QCOMPARE(f.rooms.state(), CursorState::Edit);
    nav->findChild<QToolButton *>(QStringLiteral("nbPost"))->click();
    QCOMPARE(f.rooms.state(), CursorState::Browse);
    QCOMPARE(f.stored(QStringLiteral("101"), kNote), QStringLiteral("quiet"));

    // Next writes the box's text and saves the record it leaves.
    edit->lineEdit()->setFocus();
    QTRY_VERIFY(edit->lineEdit()->hasFocus());
    QCOMPARE(editEntered.count(), 2);
    edit->lineEdit()->selectAll();
    QTest::keyClicks(edit->lineEdit(), QStringLiteral("66"));
    nav->findChild<QToolButton *>(QStringLiteral("nbNext"))->click();
    QCOMPARE(f.stored(QStringLiteral("101"), kPrice), QStringLiteral("66"));
    QCOMPARE(edit->text(), QStringLiteral("52.00"));

    // Cancel forgets what was typed instead of writing it.
    QTest::keyClicks(edit->lineEdit(), QStringLiteral("9"));
    nav->findChild<QToolButton *>(QStringLiteral("nbCancel"))->click();
    QCOMPARE(f.rooms.state(), CursorState::Browse);
    QCOMPARE(edit->text(), QStringLiteral("52.00"));
    QVERIFY(f.dialogs.errors().isEmpty());
}

void DBWidgetsTest::editFollowsCursor()
{
    RoomsFixture f;
    DBEdit edit(f.dialogs, QStringLiteral("收费标准："), &f.source, kPrice);
    QCOMPARE(edit.label()->text(), QStringLiteral("收费标准："));
    QCOMPARE(edit.text(), QStringLiteral("51.00"));
    f.rooms.next();
    QCOMPARE(edit.text(), QStringLiteral("52.00"));
    f.rooms.insert();
    QCOMPARE(edit.text(), QString());
    f.rooms.setValue(kPrice, 7.5);
    QCOMPARE(edit.text(), QStringLiteral("7.50"));
    f.rooms.cancel();
    QCOMPARE(edit.text(), QStringLiteral("52.00"));

    Cursor other(*f.store.db, tables::room());
    other.open();
    f.source.setCursor(&other);
    QCOMPARE(edit.text(), QStringLiteral("51.00"));
}

void DBWidgetsTest::editWritesTypedTextWhenFinished()
{
    RoomsFixture f;
    DBEdit edit(f.dialogs, QStringLiteral("收费标准："), &f.source, kPrice);
    showActive(edit);
    edit.lineEdit()->setFocus();
    QTRY_VERIFY(edit.lineEdit()->hasFocus());

    edit.lineEdit()->selectAll();
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("6"));
    QCOMPARE(f.rooms.state(), CursorState::Edit); // typing starts editing
    QCOMPARE(f.rooms.number(kPrice), 51.0);       // the field waits for the end of typing
    QTest::keyClick(edit.lineEdit(), Qt::Key_Return);
    QCOMPARE(f.rooms.number(kPrice), 6.0);
    f.rooms.post();

    // A refresh while typing drops the unchanged record from editing, not the typed text.
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("9"));
    f.rooms.refresh();
    QCOMPARE(edit.text(), QStringLiteral("6.009"));
    QVERIFY(edit.commitPending());
    QCOMPARE(f.rooms.number(kPrice), 6.009);

    edit.lineEdit()->selectAll();
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("abc"));
    QTest::keyClick(edit.lineEdit(), Qt::Key_Return);
    QCOMPARE(f.dialogs.errors().size(), 1);
    QCOMPARE(edit.text(), QStringLiteral("abc")); // refused, it waits in the box to be corrected

    QTest::keyClicks(edit.lineEdit(), QStringLiteral("7"));
    QTest::keyClick(edit.lineEdit(), Qt::Key_Escape);
    QCOMPARE(edit.text(), QStringLiteral("6.01"));
    QVERIFY(edit.commitPending()); // nothing left to write
    QCOMPARE(f.rooms.number(kPrice), 6.009);
}

QTEST_MAIN(DBWidgetsTest)
#include "test_dbwidgets.moc"
