#include "formlogin.h"

#include "store/storeerror.h"
#include "widgets/platform.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <cmath>

namespace ktv {

TFormLogin::TFormLogin(Database &db, const Platform &platform, QWidget *parent)
    : QDialog(parent), m_db(db), m_platform(platform), m_id(new QLineEdit(this)), m_password(new QLineEdit(this)),
      m_float(new QLineEdit(this)), m_ok(new QPushButton(QStringLiteral("确定"), this)),
      m_cancel(new QPushButton(QStringLiteral("取消"), this))
{
    setObjectName(QStringLiteral("FormLogin"));
    setWindowTitle(QStringLiteral("员工登录"));
    m_id->setObjectName(QStringLiteral("EditStaffId"));
    m_password->setObjectName(QStringLiteral("EditPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_float->setObjectName(QStringLiteral("EditFloat"));
    m_ok->setObjectName(QStringLiteral("BitBtnOK"));
    m_ok->setDefault(true);
    m_cancel->setObjectName(QStringLiteral("BitBtnCancel"));
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("员工编号"), m_id);
    form->addRow(QStringLiteral("密码"), m_password);
    form->addRow(QStringLiteral("备用金"), m_float);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    form->addRow(buttons);
    connect(m_ok, &QPushButton::clicked, this, [this] { runGuarded(m_platform.dialogs, [this] { BitBtnOKClick(); }); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormLogin::BitBtnOKClick()
{
    const QString typed = m_float->text().trimmed();
    bool ok = typed.isEmpty();
    double cashFloat = ok ? 0.0 : QLocale::c().toDouble(typed, &ok);
    if (!ok || !std::isfinite(cashFloat) || cashFloat < 0) {
        m_platform.dialogs.showMessage(QStringLiteral("备用金“%1”不是有效的金额").arg(typed));
        return;
    }
    try {
        m_member = staff::logIn(m_db, m_id->text().trimmed(), m_password->text(), cashFloat, m_platform.clock.now());
    } catch (const Refused &e) {
        m_password->clear();
        m_platform.dialogs.showMessage(e.message());
        return;
    }
    accept();
}

} // namespace ktv
