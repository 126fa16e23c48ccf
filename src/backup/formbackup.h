#pragma once

#include "widgets/platform.h"

#include <QDialog>

class QLabel;
class QTableWidget;

namespace ktv {

class Database;
class TDataModule1;

// Backups and recovery: the backups of the data folder, newest first, with the moment, kind and size of
// each; a manual backup at once; and the restore of the chosen backup, which ends the program.
class TFormBackup : public QDialog
{
    Q_OBJECT
public:
    TFormBackup(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    // Shows the outcome of the database's full integrity check, such as the one run after start-up.
    void showCheckResult(const QString &text);

    void BitBtnBackupNowClick();
    // After the administrator password and a warning that the program will close, the chosen backup is
    // checked, its restore is left for the end of the program, and the main window is closed.
    void BitBtnRestoreClick();

private:
    void fillList(const QString &selectPath = {});
    QPushButton *addButton(const char *name, const QString &caption, void (TFormBackup::*handler)());

    Database &m_db;
    QString m_folder;
    Platform m_platform;
    QTableWidget *m_list = nullptr;
    QLabel *m_check = nullptr;
};

} // namespace ktv
