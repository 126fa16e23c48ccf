#include "formlogin.h"

#include "store/storeerror.h"
#include "widgets/platform.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>

#include <cmath>

namespace ktv {

TFormLogin::TFormLogin(Database &db, const Platform &platform, QWidget *parent)
    : CredentialsDialog(platform, parent), m_db(db), m_float(new QLineEdit(this))
{
    setObjectName(QStringLiteral("FormLogin"));
    setWindowTitle(QStringLiteral("员工登录"));
    m_float->setObjectName(QStringLiteral("EditFloat"));
    form()->addRow(QStringLiteral("备用金"), m_float);
    addButtons();
}

void TFormLogin::BitBtnOKClick()
{
    const QString typed = m_float->text().trimmed();
    bool ok = typed.isEmpty();
    const double cashFloat = ok ? 0.0 : QLocale::c().toDouble(typed, &ok);
    if (!ok || !std::isfinite(cashFloat) || cashFloat < 0) {
        m_platform.dialogs.showMessage(QStringLiteral("备用金“%1”不是有效的金额").arg(typed));
        return;
    }
    acceptWhen([this, cashFloat](const QString &id, const QString &password) {
        m_member = staff::logIn(m_db, id, password, cashFloat, m_platform.clock.now());
    });
}

} // namespace ktv
