#pragma once

#include <QDialog>

#include <functional>

class QFormLayout;
class QLineEdit;
class QPushButton;

namespace ktv {

struct Platform;

// A dialog that asks for a staff number and a password ("员工编号", "密码", masked), with OK and Cancel; the
// screens built on it add their own rows. OK runs the screen's handler inside the error display.
class CredentialsDialog : public QDialog
{
    Q_OBJECT
public:
    QLineEdit *EditStaffId() const { return m_id; }
    QLineEdit *EditPassword() const { return m_password; }
    QPushButton *BitBtnOK() const { return m_ok; }
    QPushButton *BitBtnCancel() const { return m_cancel; }

    virtual void BitBtnOKClick() = 0;

protected:
    CredentialsDialog(const Platform &platform, QWidget *parent);
    QFormLayout *form() const { return m_form; }
    // Adds the buttons below the rows; called once the screen added its own.
    void addButtons();
    // Runs check with the number and password typed: accepted when it passes; a refusal is shown, the
    // password cleared, and the dialog stays for another try.
    void acceptWhen(const std::function<void(const QString &id, const QString &password)> &check);

    const Platform &m_platform;

private:
    QFormLayout *m_form;
    QLineEdit *m_id;
    QLineEdit *m_password;
    QPushButton *m_ok;
    QPushButton *m_cancel;
};

} // namespace ktv
