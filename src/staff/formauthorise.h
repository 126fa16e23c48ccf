#pragma once

#include "credentialsdialog.h"

#include <optional>

namespace ktv {

class Database;

// "经理授权": someone with the role needed for a step the one logged in may not do gives their number and
// password. Refused or cancelled, the step stores nothing.
class TFormAuthorise : public CredentialsDialog
{
    Q_OBJECT
public:
    // With askReason, a reason ("原因", EditReason) must be given too.
    TFormAuthorise(Database &db, const Platform &platform, const QString &role, const QString &what,
                   QWidget *parent = nullptr, bool askReason = false);

    QLineEdit *EditReason() const { return m_reason; }
    QString reason() const;

    // Who authorised, once the dialog was accepted.
    QString authoriser() const { return m_authoriser; }

    void BitBtnOKClick() override;

private:
    Database &m_db;
    QString m_role;
    QLineEdit *m_reason = nullptr;
    QString m_authoriser;
};

// What a step that needs the role asks: an empty text when nobody logs in at this venue or the one logged in
// has the role; else the number of who authorised it in the dialog, or nothing when refused or cancelled.
std::optional<QString> askAuthorisation(Database &db, const Platform &platform, const QString &role,
                                        const QString &what, QWidget *parent);

// The same for a step that also needs a reason (an order line removed or lowered): the one logged in with the
// role gives only the reason. Nothing when refused or cancelled; while nobody logs in, no one and no reason.
struct Authorisation
{
    QString by;
    QString reason;
};
std::optional<Authorisation> askAuthorisationWithReason(Database &db, const Platform &platform, const QString &role,
                                                        const QString &what, QWidget *parent);

// The administrator's confirmation of the clearing and a restore, in a password box titled title: while no
// staff are set up, the fixed administrator password; once they are, the password of the administrator
// logged in (the fixed one is refused then), or, when the one logged in is no administrator, an
// administrator's number and password in the authorisation dialog.
bool confirmAdministrator(Database &db, const Platform &platform, const QString &title, QWidget *parent);

// The same, saying who confirmed: nothing when refused or cancelled; an empty text for the fixed password or
// the administrator logged in; else the number of the administrator who authorised it.
std::optional<QString> confirmingAdministrator(Database &db, const Platform &platform, const QString &title,
                                               QWidget *parent);

} // namespace ktv
