#pragma once

#include "credentialsdialog.h"
#include "staffstore.h"

namespace ktv {

class Database;

// The log-in of a member of staff, with the cash float of the shift it opens; shown before the main window
// once staff are set up. Rejected, the program ends.
class TFormLogin : public CredentialsDialog
{
    Q_OBJECT
public:
    TFormLogin(Database &db, const Platform &platform, QWidget *parent = nullptr);

    QLineEdit *EditFloat() const { return m_float; }
    // Who logged in, once the dialog was accepted.
    const staff::Member &member() const { return m_member; }

    void BitBtnOKClick() override;

private:
    void handOverLeftShift(const staff::Member &member);

    Database &m_db;
    QLineEdit *m_float;
    staff::Member m_member;
};

} // namespace ktv
