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
    TFormAuthorise(Database &db, const Platform &platform, const QString &role, const QString &what,
                   QWidget *parent = nullptr);

    // Who authorised, once the dialog was accepted.
    QString authoriser() const { return m_authoriser; }

    void BitBtnOKClick() override;

private:
    Database &m_db;
    QString m_role;
    QString m_authoriser;
};

// What a step that needs the role asks: an empty text when nobody logs in at this venue or the one logged in
// has the role; else the number of who authorised it in the dialog, or nothing when refused or cancelled.
std::optional<QString> askAuthorisation(Database &db, const Platform &platform, const QString &role,
                                        const QString &what, QWidget *parent);

// The administrator's confirmation of the clearing and a restore, in a password box titled title: while no
// staff are set up, the fixed administrator password; once they are, the password of the administrator
// logged in (the fixed one is refused then), or, when the one logged in is no administrator, an
// administrator's number and password in the authorisation dialog.
bool confirmAdministrator(Database &db, const Platform &platform, const QString &title, QWidget *parent);

} // namespace ktv
