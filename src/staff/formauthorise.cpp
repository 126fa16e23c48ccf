#include "formauthorise.h"

#include "password.h"
#include "staffstore.h"

#include "store/database.h"
#include "store/storeerror.h"
#include "widgets/adminpassword.h"
#include "widgets/platform.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace ktv {

TFormAuthorise::TFormAuthorise(Database &db, const Platform &platform, const QString &role, const QString &what,
                               QWidget *parent, bool askReason)
    : CredentialsDialog(platform, parent), m_db(db), m_role(role)
{
    setObjectName(QStringLiteral("FormAuthorise"));
    setWindowTitle(QStringLiteral("经理授权"));
    form()->insertRow(0, new QLabel(QStringLiteral("“%1”需要%2授权").arg(what, role), this));
    if (askReason) {
        m_reason = new QLineEdit(this);
        m_reason->setObjectName(QStringLiteral("EditReason"));
        form()->addRow(QStringLiteral("原因"), m_reason);
    }
    addButtons();
}

QString TFormAuthorise::reason() const { return m_reason ? m_reason->text().trimmed() : QString(); }

void TFormAuthorise::BitBtnOKClick()
{
    if (m_reason && reason().isEmpty()) {
        m_platform.dialogs.showMessage(QStringLiteral("请输入原因"));
        return;
    }
    acceptWhen([this](const QString &id, const QString &password) {
        m_authoriser = staff::authorise(m_db, id, password, m_role, m_platform.clock.now());
    });
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

std::optional<Authorisation> askAuthorisationWithReason(Database &db, const Platform &platform, const QString &role,
                                                        const QString &what, QWidget *parent)
{
    if (!staff::anyActive(db))
        return Authorisation{};
    if (const std::optional<staff::Member> me = staff::find(db, db.staff()); me && staff::hasRole(me->role, role)) {
        const QString reason =
            platform.dialogs.askText(what, QStringLiteral("请输入原因"), QString(), Dialogs::Echo::Normal).trimmed();
        if (reason.isEmpty())
            return std::nullopt;
        return Authorisation{QString(), reason};
    }
    TFormAuthorise dialog(db, platform, role, what, parent, true);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return Authorisation{dialog.authoriser(), dialog.reason()};
}

bool confirmAdministrator(Database &db, const Platform &platform, const QString &title, QWidget *parent)
{
    return confirmingAdministrator(db, platform, title, parent).has_value();
}

std::optional<QString> confirmingAdministrator(Database &db, const Platform &platform, const QString &title,
                                               QWidget *parent)
{
    const QString administrator = staff::roles().constLast();
    if (!staff::anyActive(db)) {
        if (!askAdministratorPassword(platform.dialogs, title))
            return std::nullopt;
        return QString();
    }
    const std::optional<staff::Member> me = staff::find(db, db.staff());
    if (me && staff::hasRole(me->role, administrator)) {
        const QString typed = platform.dialogs.askText(title, QStringLiteral("请输入管理员密码"), QString(),
                                                       Dialogs::Echo::Password);
        if (!staff::checkPassword(typed, me->passwordHash))
            return std::nullopt;
        return QString();
    }
    return askAuthorisation(db, platform, administrator, title, parent);
}

} // namespace ktv
