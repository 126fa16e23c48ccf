#pragma once

#include <QDialog>

#include <optional>

class QPushButton;

namespace ktv {

class Cursor;
class Database;
class DBGrid;
class DataSource;
struct Platform;

// "员工与权限": an administrator adds staff, edits their names, roles and whether they are active, and sets
// their passwords (kept only as hashes). Staff are never deleted: the journal names them. Each change is
// stored with one "员工" journal row; what would leave the venue without an active administrator is refused.
class TFormStaff : public QDialog
{
    Q_OBJECT
public:
    // authorisedBy: the administrator who let the screen open, when not the one logged in.
    TFormStaff(Database &db, const Platform &platform, const QString &authorisedBy, QWidget *parent = nullptr);

    // What opening the screen asks: while nobody is set up, the fixed administrator password, so that the
    // first administrator can be added; once staff are, an administrator (asked at once when the one logged
    // in is not). Nothing when refused or cancelled, else who authorised it (empty: nobody else).
    static std::optional<QString> askToOpen(Database &db, const Platform &platform, QWidget *parent);

    Cursor *TableStaff() const { return m_staff; }
    DBGrid *DBGridStaff() const { return m_grid; }
    QPushButton *BitBtnPassword() const { return m_password; }

    void BitBtnPasswordClick();

private:
    void TableStaffBeforePost();
    void TableStaffWhileSaving();

    Database &m_db;
    const Platform &m_platform;
    QString m_authorisedBy;
    Cursor *m_staff;
    DataSource *m_source;
    DBGrid *m_grid;
    QPushButton *m_password;
};

} // namespace ktv
