#pragma once

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace ktv {

class Database;
struct Platform;

// "经理授权": someone with the role needed for a step the one logged in may not do gives their number and
// password. Refused or cancelled, the step stores nothing.
class TFormAuthorise : public QDialog
{
    Q_OBJECT
public:
    TFormAuthorise(Database &db, const Platform &platform, const QString &role, const QString &what,
                   QWidget *parent = nullptr);

    QLineEdit *EditStaffId() const { return m_id; }
    QLineEdit *EditPassword() const { return m_password; }
    QPushButton *BitBtnOK() const { return m_ok; }
    QPushButton *BitBtnCancel() const { return m_cancel; }
    // Who authorised, once the dialog was accepted.
    QString authoriser() const { return m_authoriser; }

    void BitBtnOKClick();

private:
    Database &m_db;
    const Platform &m_platform;
    QString m_role;
    QLineEdit *m_id;
    QLineEdit *m_password;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    QString m_authoriser;
};

// What a step that needs the role asks: an empty text when nobody logs in at this venue or the one logged in
// has the role; else the number of who authorised it in the dialog, or nothing when refused or cancelled.
std::optional<QString> askAuthorisation(Database &db, const Platform &platform, const QString &role,
                                        const QString &what, QWidget *parent);

} // namespace ktv
