#include "formfjfy.h"

#include "roomfees.h"

#include "store/database.h"
#include "store/datamodule.h"
#include "store/journal.h"
#include "store/tables.h"
#include "store/venuesettings.h"
#include "widgets/dbgrid.h"
#include "widgets/platform.h"
#include "widgets/screenparts.h"

#include <QCheckBox>
#include <QScopeGuard>
#include <QVBoxLayout>

namespace ktv {

namespace {

const QString kPrice = QStringLiteral("Room_sfbiaozhun");

QList<GridColumn> feeColumns()
{
    return {
        {QStringLiteral("Room_id"), QStringLiteral("房间编号")},
        {QStringLiteral("Room_sheshi"), QStringLiteral("主要设施")},
        {kPrice, QStringLiteral("一般收费标准")},
        // The in-use flag belongs to check-in, check-out and the database initialisation.
        {QStringLiteral("Room_used"), QStringLiteral("是否使用中"), true},
        {QStringLiteral("Room_guige"),
         QStringLiteral("大中小"),
         false,
         {QStringLiteral("大"), QStringLiteral("中"), QStringLiteral("小")}},
        {QStringLiteral("Room_feiyong1"), QStringLiteral("特殊时段费用1")},
        {QStringLiteral("Room_begintime1"), QStringLiteral("特殊时段1开始时间")},
        {QStringLiteral("Room_endtime1"), QStringLiteral("特殊时段1截止时间")},
        {QStringLiteral("Room_feiyong2"), QStringLiteral("特殊时段费用2")},
        {QStringLiteral("Room_begintime2"), QStringLiteral("特殊时段2开始时间")},
        {QStringLiteral("Room_endtime2"), QStringLiteral("特殊时段2截止时间")},
        {QStringLiteral("Room_feiyong3"), QStringLiteral("特殊时段3费用")},
        {QStringLiteral("Room_begintime3"), QStringLiteral("特殊时段3开始时间")},
        {QStringLiteral("Room_endtime3"), QStringLiteral("特殊时段3截止时间")},
        {QStringLiteral("Room_beizhu"), QStringLiteral("房间备注")},
    };
}

} // namespace

TFormfjfy::TFormfjfy(TDataModule1 &data, const Platform &platform, QWidget *parent) : QDialog(parent), m_data(data)
{
    setObjectName(QStringLiteral("Formfjfy"));
    setWindowTitle(QStringLiteral("房间费用设置"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeGrid(platform.dialogs, data.DataSourceroom, feeColumns(), QStringLiteral("DBGrid1"), this),
                      1);
    layout->addWidget(buildBandsSwitch());
    auto *navigator = new DBNavigator(platform.dialogs, data.DataSourceroom, DBNavigator::allButtons(), {}, this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    layout->addWidget(navigator);
    runGuarded(platform.dialogs, [this] { FormCreate(); });
    // Unreadable, the choice shows off, as the charge then reads it.
    runGuarded(platform.dialogs,
               [this] { m_bands->setChecked(venuesettings::isOn(m_data.database(), venuesettings::timeBands)); });
    Dialogs &dialogs = platform.dialogs;
    connect(m_bands, &QCheckBox::clicked, this,
            [this, &dialogs] { runGuarded(dialogs, [this] { CheckBoxBandsClick(); }); });
}

QCheckBox *TFormfjfy::buildBandsSwitch()
{
    m_bands = new QCheckBox(QStringLiteral("按特殊时段计费"), this);
    m_bands->setObjectName(QStringLiteral("CheckBoxBands"));
    return m_bands;
}

void TFormfjfy::CheckBoxBandsClick()
{
    const bool on = m_bands->isChecked();
    try {
        venuesettings::set(m_data.database(), venuesettings::timeBands, on ? tables::yes : tables::no);
    } catch (...) {
        m_bands->setChecked(!on); // not stored: the box keeps showing what is
        throw;
    }
}

void TFormfjfy::FormCreate()
{
    Cursor &rooms = *m_data.Tableroom;
    // The default prices are the program's, not the cashier's: storing them asks for no manager.
    rooms.setProperty(journal::programFillProperty, true);
    const auto typedAgain = qScopeGuard([&rooms] { rooms.setProperty(journal::programFillProperty, false); });
    try {
        for (rooms.first(); !rooms.eof(); rooms.next()) {
            rooms.edit(); // moving on stores a changed room and drops an unchanged edit
            if (roomfees::needsDefaultPrice(rooms.value(kPrice)))
                rooms.setValue(kPrice, roomfees::defaultHourlyPrice);
        }
    } catch (...) {
        // A room that could not be stored keeps its price; the screen does not open on a change the cashier
        // never made.
        rooms.cancel();
        throw;
    }
}

} // namespace ktv
