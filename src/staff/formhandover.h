#pragma once

#include "shiftstore.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace ktv {

class Database;
struct Platform;

// "交班": the shift's payments, the cash the drawer should hold and the cash counted; "交班并打印" prints the
// slip, closes the shift and journals it. The program then asks for a log-in again.
class TFormHandover : public QDialog
{
    Q_OBJECT
public:
    TFormHandover(Database &db, const Platform &platform, const staff::Shift &shift, QWidget *parent = nullptr);

    QLineEdit *EditCounted() const { return m_counted; }
    QLabel *LabelDifference() const { return m_difference; }
    QPushButton *BitBtnOK() const { return m_ok; }

    void BitBtnOKClick();

private:
    std::optional<double> counted() const;
    void showDifference();

    Database &m_db;
    const Platform &m_platform;
    staff::Shift m_shift;
    QLineEdit *m_counted;
    QLabel *m_difference;
    QPushButton *m_ok;
};

} // namespace ktv
