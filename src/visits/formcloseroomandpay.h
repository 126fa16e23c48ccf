#pragma once

#include "widgets/platform.h"
#include "widgets/screenparts.h"

#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace ktv {

class Cursor;
class DBEdit;
class DataSource;
class StatusPanels;
class TDataModule1;

// Check-out and payment: closes a visit and settles it in numbered steps, each stored at once.
class TFormCloseroomandPay : public ScreenWindow
{
    Q_OBJECT
public:
    TFormCloseroomandPay(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    Cursor *Table1() const { return m_visits; }
    Cursor *Table2() const { return m_lines; }
    Cursor *Table3() const { return m_rooms; }
    Cursor *Table4() const { return m_member; }
    Cursor *Table5() const { return m_clients; }
    QLineEdit *Edit1() const { return m_search; }
    QCheckBox *CheckBoxOnlyOpened() const { return m_onlyOpen; }
    QPushButton *BitBtn2dwkffjh() const { return m_locate; }
    QPushButton *stepButton(int step) const; // 1 to 8
    StatusPanels *StatusBar1() const { return m_status; }
    QTimer *Timer1() const { return m_timer; }
    DBEdit *paidBox() const { return m_paidBox; }
    QLabel *LabelDeposit() const { return m_deposit; }

    // Where "&6打印小票" opens the receipt screen; the program sets it.
    void setReceiptOpener(std::function<void(QWidget *)> opener) { m_openReceipt = std::move(opener); }
    // Asks for someone with the role (e.g. "经理") to allow what is named: an empty text when the one logged
    // in may do it (or nobody logs in), the number of who authorised it, or nothing when refused. The
    // program sets it; without one, everybody may.
    using Authoriser = std::function<std::optional<QString>(const QString &role, const QString &what)>;
    void setAuthoriser(Authoriser authoriser) { m_authorise = std::move(authoriser); }

    void FormCreate();
    void Edit1Change();
    void BitBtn2dwkffjhClick();
    void CheckBoxOnlyOpenedClick();
    void BitBtnTuifangClick();
    void BitBtnJsysClick();
    void BitBtnJsjbxfClick();
    void BitBtnJsjsClick();
    void BitBtnShoufeiClick();
    void BitBtnPrintPaperClick();
    void BitBtn1Click();
    void BitBtnljxfClick();
    void Table1BeforePost(Cursor &visit);
    void Table3BeforePost(Cursor &room);
    void Table4BeforePost(Cursor &member);
    void Timer1Timer();

private:
    void buildScreen();
    QWidget *buildTopBar();
    QWidget *buildVisitBoxes();
    QWidget *buildSteps();
    QWidget *buildLowerArea();
    qint64 chosenVisit();
    void followStep();
    std::optional<double> optional(Cursor &cursor, const QString &field) const;
    void addDepositLabel();
    void showDeposit();

    TDataModule1 &m_data;
    Platform m_platform;
    Cursor *m_visits;
    Cursor *m_lines;
    Cursor *m_rooms;
    Cursor *m_member;
    Cursor *m_clients;
    DataSource *m_visitSource;
    DataSource *m_lineSource;
    DataSource *m_roomSource;
    DataSource *m_memberSource;
    DataSource *m_clientSource;
    QLineEdit *m_search = nullptr;
    QCheckBox *m_onlyOpen = nullptr;
    QPushButton *m_locate = nullptr;
    QList<QPushButton *> m_steps;
    DBEdit *m_chargeBox = nullptr;
    DBEdit *m_paidBox = nullptr;
    DBEdit *m_markBox = nullptr;
    StatusPanels *m_status = nullptr;
    QTimer *m_timer = nullptr;
    QLabel *m_deposit = nullptr;
    qint64 m_depositShownFor = -1; // the visit whose deposit the label shows
    std::function<void(QWidget *)> m_openReceipt;
    Authoriser m_authorise;
};

} // namespace ktv
