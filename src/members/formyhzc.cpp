#include "formyhzc.h"

#include "store/datamodule.h"
#include "store/fieldvalue.h"
#include "widgets/dbedit.h"
#include "widgets/dbnavigator.h"
#include "widgets/screenparts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ktv {

namespace {
const QString kMemberId = QStringLiteral("Customers_id");
} // namespace

TFormyhzc::TFormyhzc(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : QDialog(parent), m_data(data), m_platform(platform)
{
    setObjectName(QStringLiteral("Formyhzc"));
    setWindowTitle(QStringLiteral("会员注册"));
    auto *layout = new QVBoxLayout(this);

    const QList<NavButton> buttons{NavButton::First, NavButton::Prior, NavButton::Next,   NavButton::Last,
                                   NavButton::Insert, NavButton::Edit, NavButton::Post,   NavButton::Cancel,
                                   NavButton::Refresh};
    QMap<NavButton, QString> hints = standardHints(buttons);
    hints[NavButton::Edit] = QStringLiteral("修改当前数据");
    hints[NavButton::Cancel] = QStringLiteral("放弃修改");
    auto *navigator = new DBNavigator(m_platform.dialogs, m_data.DataSourceCustomers, buttons, hints, this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    layout->addWidget(navigator);

    DBEdit *number = addBox(QStringLiteral("会员编号:"), kMemberId, QStringLiteral("EditCustomers_id"));
    number->setReadOnly(true); // a number is entered only through the check below
    m_name = addBox(QStringLiteral("会员姓名:"), QStringLiteral("Customers_name"), QStringLiteral("EditCustomers_name"));
    addBox(QStringLiteral("身份证号:"), QStringLiteral("Customers_sfzh"), QStringLiteral("EditCustomers_sfzh"));
    addBox(QStringLiteral("会员电话:"), QStringLiteral("Customers_phone"), QStringLiteral("EditCustomers_phone"));
    addBox(QStringLiteral("会员地址:"), QStringLiteral("Customers_dizhi"), QStringLiteral("EditCustomers_dizhi"));
    addBox(QStringLiteral("会员级别:"), QStringLiteral("Customers_hyjb"), QStringLiteral("EditCustomers_hyjb"));
    addBox(QStringLiteral("会员备注:"), QStringLiteral("Customers_bz"), QStringLiteral("EditCustomers_bz"));

    m_newNumber = new QLineEdit(this);
    m_newNumber->setObjectName(QStringLiteral("Editnewhyh"));
    m_check = new QPushButton(QStringLiteral("&C检测会员号"), this);
    m_check->setObjectName(QStringLiteral("BitBtncheckid"));
    m_check->setToolTip(QStringLiteral("检测会员号是否可用"));
    m_check->setAutoDefault(false);
    connect(m_check, &QPushButton::clicked, this, [this] { runGuarded(m_platform.dialogs, [this] { BitBtncheckidClick(); }); });
    // EditnewhyhKeyPress: Enter presses the check button.
    connect(m_newNumber, &QLineEdit::returnPressed, this, [this] { m_check->click(); });
    auto *row = new QHBoxLayout;
    row->addWidget(m_newNumber);
    row->addWidget(m_check);
    layout->addLayout(row);
    layout->addStretch(1);
}

DBEdit *TFormyhzc::addBox(const QString &label, const QString &field, const QString &name)
{
    auto *box = new DBEdit(m_platform.dialogs, label, m_data.DataSourceCustomers, field, this);
    box->setObjectName(name);
    layout()->addWidget(box);
    return box;
}

void TFormyhzc::BitBtncheckidClick()
{
    const QString typed = m_newNumber->text();
    const QString number = typed.trimmed();
    if (number.isEmpty()) {
        m_platform.beeper.beep();
        m_platform.dialogs.showMessage(QStringLiteral("会员号不能为空!"));
        m_newNumber->setFocus();
        return;
    }
    Cursor &members = *m_data.TableCustomers;
    // Looked up as it will be stored (cut to the field's width), so a number reported free stays free.
    const QString stored = fieldvalue::normalize(members.field(kMemberId), number).toString();
    members.checkBrowseMode(); // a pending record is stored or dropped before the search, as by any search
    const Bookmark current = members.isEmpty() ? 0 : members.bookmark();
    const bool used = members.locate(kMemberId, stored, LocateOption::CaseInsensitive);
    if (current)
        members.gotoBookmark(current);
    if (used) {
        m_platform.dialogs.showMessage(typed + QStringLiteral("已被使用，请更换会员编号!"));
        m_newNumber->setFocus();
        return;
    }
    m_platform.dialogs.showMessage(typed + QStringLiteral("可以使用!"));
    members.insert();
    members.setValue(kMemberId, stored);
    m_name->setFocus();
}

} // namespace ktv
