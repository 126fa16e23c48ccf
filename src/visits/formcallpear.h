#pragma once

#include "store/journal.h"

#include <functional>
#include <optional>

#include "widgets/platform.h"
#include "widgets/screenparts.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ktv {

class Cursor;
class DBEdit;
class DBGrid;
class DBNavigator;
class DataSource;
class TDataModule1;

// Drinks delivery: order lines of an open visit, taken from the drinks list. Lives for the whole run.
class TFormcallpear : public ScreenWindow
{
    Q_OBJECT
public:
    TFormcallpear(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    Cursor *Table1() const { return m_visits; }  // the visits, read only
    Cursor *Table2() const { return m_orders; }  // the selected visit's order lines
    Cursor *Table3() const { return m_members; } // the selected visit's member
    QLineEdit *Edit1kffjh() const { return m_roomBox; }
    QPushButton *BitBtn1dwfj() const { return m_locate; }
    QCheckBox *CheckBoxOnlyOpened() const { return m_onlyOpened; }
    DBNavigator *navigator() const { return m_navigator; }
    DBGrid *DBGrid1() const { return m_drinksGrid; }
    DBGrid *DBGrid2() const { return m_ordersGrid; }
    DBGrid *DBGrid3() const { return m_visitsGrid; }
    DBEdit *EditOpenroom_Lishui() const { return m_serialBox; }

    void FormCreate();
    void BitBtn1dwfjClick();
    void CheckBoxOnlyOpenedClick();
    void DBGrid2Enter();
    void EditOpenroom_LishuiEnter();
    void DBGrid1Enter();
    void Table2AfterInsert();
    void Table2BeforePost();

    // Asks for someone with the role to allow an order line removed or lowered once stored, with a reason:
    // who allowed it (empty: the one logged in) and why, or nothing when refused. The program sets it;
    // without one the change is journalled with no one and no reason.
    struct Removal
    {
        QString by;
        QString reason;
    };
    using RemovalAuthoriser = std::function<std::optional<Removal>(const QString &role, const QString &what)>;
    void setRemovalAuthoriser(RemovalAuthoriser authoriser) { m_authoriseRemoval = std::move(authoriser); }

private:
    RemovalAuthoriser m_authoriseRemoval;
    std::optional<journal::Entry> m_removal; // journalled with the line that lowers or removes it
    void buildScreen();
    QWidget *buildVisitPanel();
    QWidget *buildToolPanel();
    QWidget *buildWorkPanel();
    // Wires a control's event to a handler, inside the general error display.
    template <class Sender, class Signal> void wire(Sender *sender, Signal signal, void (TFormcallpear::*handler)());

    TDataModule1 &m_data;
    Platform m_platform;
    Cursor *m_visits;
    Cursor *m_orders;
    Cursor *m_members;
    DataSource *m_visitSource;
    DataSource *m_orderSource;
    DataSource *m_memberSource;
    DBNavigator *m_navigator = nullptr;
    DBEdit *m_serialBox = nullptr;
    QLineEdit *m_roomBox = nullptr;
    QPushButton *m_locate = nullptr;
    QCheckBox *m_onlyOpened = nullptr;
    DBGrid *m_visitsGrid = nullptr;
    DBGrid *m_ordersGrid = nullptr;
    DBGrid *m_drinksGrid = nullptr;
};

} // namespace ktv
