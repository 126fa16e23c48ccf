#pragma once

#include "widgets/platform.h"

#include <QDialog>
#include <QList>

class QPushButton;
class QTimer;

namespace ktv {

class Cursor;
class DBEdit;
class DBGrid;
class DBNavigator;
class DataSource;
class TDataModule1;

// Activation of client PCs: every visit, and for the selected one the client PCs of its room, on cursors
// of its own; the current client PC is marked activated with the time.
class TFormOpenClients : public QDialog
{
    Q_OBJECT
public:
    TFormOpenClients(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    Cursor *Table1() const { return m_visits; }  // every visit
    Cursor *Table2() const { return m_clients; } // the client PCs of the selected visit's room
    DataSource *DataSource1() const { return m_visitSource; }
    DataSource *DataSource2() const { return m_clientSource; }
    DBNavigator *navigator() const { return m_navigator; }
    DBGrid *DBGrid1() const { return m_visitGrid; }
    QPushButton *BitBtnOpenClients() const { return m_activate; }
    QTimer *Timer1() const { return m_timer; }

    void FormCreate();
    void BitBtnOpenClientsClick();
    void DBGrid1Enter();
    void EditClients_ipEnter();
    void Timer1Timer();

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    DBEdit *addBox(const QString &label, const QString &field, const QString &objectName);

    Platform m_platform;
    Cursor *m_visits;
    Cursor *m_clients;
    DataSource *m_visitSource;
    DataSource *m_clientSource;
    QTimer *m_timer;
    DBNavigator *m_navigator = nullptr;
    DBGrid *m_visitGrid = nullptr;
    QPushButton *m_activate = nullptr;
    QList<DBEdit *> m_boxes;
};

} // namespace ktv
