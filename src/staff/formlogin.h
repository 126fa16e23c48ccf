#pragma once

#include "staffstore.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace ktv {

class Database;
struct Platform;

// The log-in of a member of staff, with the cash float of the shift it opens; shown before the main window
// once staff are set up. Rejected, the program ends.
class TFormLogin : public QDialog
{
    Q_OBJECT
public:
    TFormLogin(Database &db, const Platform &platform, QWidget *parent = nullptr);

    QLineEdit *EditStaffId() const { return m_id; }
    QLineEdit *EditPassword() const { return m_password; }
    QLineEdit *EditFloat() const { return m_float; }
    QPushButton *BitBtnOK() const { return m_ok; }
    QPushButton *BitBtnCancel() const { return m_cancel; }
    // Who logged in, once the dialog was accepted.
    const staff::Member &member() const { return m_member; }

    void BitBtnOKClick();

private:
    Database &m_db;
    const Platform &m_platform;
    QLineEdit *m_id;
    QLineEdit *m_password;
    QLineEdit *m_float;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    staff::Member m_member;
};

} // namespace ktv
