#include "formauthorise.h"

#include "staffstore.h"

#include "store/database.h"
#include "store/storeerror.h"
#include "widgets/platform.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ktv {

TFormAuthorise::TFormAuthorise(Database &db, const Platform &platform, const QString &role, const QString &what,
                               QWidget *parent)
    : QDialog(parent), m_db(db), m_platform(platform), m_role(role), m_id(new QLineEdit(this)),
      m_password(new QLineEdit(this)), m_ok(new QPushButton(QStringLiteral("确定"), this)),
      m_cancel(new QPushButton(QStringLiteral("取消"), this))
{
    setObjectName(QStringLiteral("FormAuthorise"));
    setWindowTitle(QStringLiteral("经理授权"));
    m_id->setObjectName(QStringLiteral("EditStaffId"));
    m_password->setObjectName(QStringLiteral("EditPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_ok->setObjectName(QStringLiteral("BitBtnOK"));
    m_ok->setDefault(true);
    m_cancel->setObjectName(QStringLiteral("BitBtnCancel"));
    auto *form = new QFormLayout(this);
    form->addRow(new QLabel(QStringLiteral("“%1”需要%2授权").arg(what, role), this));
    form->addRow(QStringLiteral("员工编号"), m_id);
    form->addRow(QStringLiteral("密码"), m_password);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    form->addRow(buttons);
    connect(m_ok, &QPushButton::clicked, this, [this] { runGuarded(m_platform.dialogs, [this] { BitBtnOKClick(); }); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormAuthorise::BitBtnOKClick()
{
    try {
        m_authoriser = staff::authorise(m_db, m_id->text().trimmed(), m_password->text(), m_role,
                                        m_platform.clock.now());
    } catch (const Refused &e) {
        m_password->clear();
        m_platform.dialogs.showMessage(e.message());
        return;
    }
    accept();
}

std::optional<QString> askAuthorisation(Database &db, const Platform &platform, const QString &role,
                                        const QString &what, QWidget *parent)
{
    if (!staff::anyActive(db))
        return QString();
    if (const std::optional<staff::Member> me = staff::find(db, db.staff()); me && staff::hasRole(me->role, role))
        return QString();
    TFormAuthorise dialog(db, platform, role, what, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.authoriser();
}

} // namespace ktv
