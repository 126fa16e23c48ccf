#pragma once

#include "widgets/platform.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace ktv {

class DBEdit;
class TDataModule1;

// Member registration on the shared member cursor: a new member number is entered only through its check.
class TFormyhzc : public QDialog
{
    Q_OBJECT
public:
    TFormyhzc(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    QLineEdit *Editnewhyh() const { return m_newNumber; }
    QPushButton *BitBtncheckid() const { return m_check; }

    void BitBtncheckidClick();

private:
    DBEdit *addBox(const QString &label, const QString &field, const QString &name);

    TDataModule1 &m_data;
    Platform m_platform;
    QLineEdit *m_newNumber = nullptr;
    QPushButton *m_check = nullptr;
    DBEdit *m_name = nullptr;
};

} // namespace ktv
