#pragma once

#include "reports/reporttable.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace ktv {

class Database;
struct Platform;

// "操作日志": the journal over a range of business days, by staff and action, exported as CSV.
class TFormJournal : public QDialog
{
    Q_OBJECT
public:
    TFormJournal(Database &db, const Platform &platform, QWidget *parent = nullptr);

    QDateEdit *DateEditFrom() const { return m_from; }
    QDateEdit *DateEditTo() const { return m_to; }
    QLineEdit *EditStaff() const { return m_staff; }
    QComboBox *ComboAction() const { return m_action; }
    QTableWidget *GridJournal() const { return m_grid; }

    void BitBtnQueryClick();
    void BitBtnExportClick();

private:
    Database &m_db;
    const Platform &m_platform;
    QDateEdit *m_from;
    QDateEdit *m_to;
    QLineEdit *m_staff;
    QComboBox *m_action;
    QTableWidget *m_grid;
    reports::ReportTable m_shown;
};

} // namespace ktv
