#include "formlogin.h"

#include "formhandover.h"
#include "shiftstore.h"

#include "store/database.h"
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
        const staff::Member member = staff::checkLogIn(m_db, id, password, m_platform.clock.now());
        handOverLeftShift(member);
        staff::startShift(m_db, member, cashFloat, m_platform.clock.now());
        m_member = member;
    });
}

// A shift of theirs that this station never closed (the program was killed or the machine went off) is
// handed over first, with the drawer counted and the slip printed, so that its cash is not added to the new one.
void TFormLogin::handOverLeftShift(const staff::Member &member)
{
    const std::optional<staff::Shift> left = staff::openShift(m_db, member.id);
    if (!left)
        return;
    m_platform.dialogs.showMessage(QStringLiteral("%1 在 %2 开始的班次没有交班（程序曾意外关闭），请先点清现金交班")
                                       .arg(member.name, left->opened.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    m_db.setStaff(member.id); // the hand-over is journalled as theirs
    TFormHandover handover(m_db, m_platform, *left, this);
    const bool closed = handover.exec() == QDialog::Accepted;
    m_db.setStaff(QString());
    if (!closed)
        throw Refused(QStringLiteral("%1 上次的班次还没有交班，不能开始新的班次").arg(member.name));
}

} // namespace ktv
