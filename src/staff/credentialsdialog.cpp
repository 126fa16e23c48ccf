#include "credentialsdialog.h"

#include "store/storeerror.h"
#include "widgets/platform.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace ktv {

CredentialsDialog::CredentialsDialog(const Platform &platform, QWidget *parent)
    : QDialog(parent), m_platform(platform), m_form(new QFormLayout(this)), m_id(new QLineEdit(this)),
      m_password(new QLineEdit(this)), m_ok(new QPushButton(QStringLiteral("确定"), this)),
      m_cancel(new QPushButton(QStringLiteral("取消"), this))
{
    m_id->setObjectName(QStringLiteral("EditStaffId"));
    m_password->setObjectName(QStringLiteral("EditPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_ok->setObjectName(QStringLiteral("BitBtnOK"));
    m_ok->setDefault(true);
    m_cancel->setObjectName(QStringLiteral("BitBtnCancel"));
    m_form->addRow(QStringLiteral("员工编号"), m_id);
    m_form->addRow(QStringLiteral("密码"), m_password);
    connect(m_ok, &QPushButton::clicked, this, [this] { runGuarded(m_platform.dialogs, [this] { BitBtnOKClick(); }); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CredentialsDialog::addButtons()
{
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    m_form->addRow(buttons);
}

void CredentialsDialog::acceptWhen(const std::function<void(const QString &id, const QString &password)> &check)
{
    try {
        check(m_id->text().trimmed(), m_password->text());
    } catch (const Refused &e) {
        m_password->clear();
        m_platform.dialogs.showMessage(e.message());
        return;
    }
    accept();
}

} // namespace ktv
