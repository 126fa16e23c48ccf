#include "formbackup.h"

#include "automaticbackup.h"
#include "backupfolder.h"
#include "backupjob.h"
#include "restore.h"
#include "restoreatexit.h"

#include "store/database.h"
#include "store/datamodule.h"
#include "staff/formauthorise.h"
#include "store/datamodule.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ktv {

namespace {

QString kindCaption(BackupKind kind)
{
    switch (kind) {
    case BackupKind::Automatic:
        return QStringLiteral("自动");
    case BackupKind::Manual:
        return QStringLiteral("手动");
    case BackupKind::BeforeRestore:
        return QStringLiteral("恢复前");
    }
    return {};
}

QString momentText(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

TFormBackup::TFormBackup(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : QDialog(parent), m_db(data.database()), m_folder(data.database().stationFolder()), m_platform(platform)
{
    setObjectName(QStringLiteral("FormBackup"));
    setWindowTitle(QStringLiteral("备份与恢复"));

    m_list = new QTableWidget(0, 3, this);
    m_list->setObjectName(QStringLiteral("GridBackups"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("备份时间"), QStringLiteral("类别"), QStringLiteral("大小")});
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);

    auto *where =
        new QLabel(QStringLiteral("备份文件夹：%1").arg(QDir::toNativeSeparators(backupFolderOf(m_folder))), this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_check = new QLabel(this);
    m_check->setObjectName(QStringLiteral("LabelCheck"));
    m_check->hide();

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(addButton("BitBtnBackupNow", QStringLiteral("立即备份"), &TFormBackup::BitBtnBackupNowClick));
    buttons->addWidget(addButton("BitBtnRestore", QStringLiteral("恢复所选备份"), &TFormBackup::BitBtnRestoreClick));
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(where);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_check);
    layout->addLayout(buttons);
    resize(520, 420);
    fillList();
}

QPushButton *TFormBackup::addButton(const char *name, const QString &caption, void (TFormBackup::*handler)())
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this,
            [this, handler] { runGuarded(m_platform.dialogs, [this, handler] { (this->*handler)(); }); });
    return button;
}

void TFormBackup::fillList(const QString &selectPath)
{
    const QList<BackupFile> backups = listBackups(m_folder);
    m_list->setRowCount(int(backups.size()));
    const QLocale locale;
    for (int row = 0; row < backups.size(); ++row) {
        const BackupFile &file = backups[row];
        auto *moment = new QTableWidgetItem(momentText(file.taken));
        moment->setData(Qt::UserRole, file.path);
        moment->setToolTip(QDir::toNativeSeparators(file.path));
        m_list->setItem(row, 0, moment);
        m_list->setItem(row, 1, new QTableWidgetItem(kindCaption(file.kind)));
        m_list->setItem(row, 2,
                        new QTableWidgetItem(locale.formattedDataSize(file.size, 1, QLocale::DataSizeSIFormat)));
        if (file.path == selectPath)
            m_list->selectRow(row);
    }
    m_list->resizeColumnsToContents();
}

void TFormBackup::showCheckResult(const QString &text)
{
    m_check->setText(QStringLiteral("数据库完整性检查：%1").arg(text));
    m_check->show();
}

void TFormBackup::BitBtnBackupNowClick()
{
    if (m_db.dialect().isServer()) {
        fillList(snapshotOfServer(m_db, BackupKind::Manual, m_platform.clock.now()));
        return;
    }
    BackupJob job(m_folder, BackupKind::Manual, m_platform.clock.now());
    job.start();
    fillList(waitWithProgress(job, this));
}

void TFormBackup::BitBtnRestoreClick()
{
    const QTableWidgetItem *chosen = m_list->currentRow() < 0 ? nullptr : m_list->item(m_list->currentRow(), 0);
    if (!chosen) {
        m_platform.dialogs.showMessage(QStringLiteral("请先选择要恢复的备份。"));
        return;
    }
    // A restore replaces what every station works on: it is done with all of them closed.
    if (m_db.dialect().isServer()) {
        m_platform.dialogs.showMessage(
            QStringLiteral("数据库在数据库服务器上，各收银台都在使用它：请先退出所有收银台上的程序，再用命令\n"
                           "ktv --data-dir %1 --restore %2\n恢复这个备份。")
                .arg(QDir::toNativeSeparators(m_folder), QDir::toNativeSeparators(chosen->data(Qt::UserRole).toString())));
        return;
    }
    const std::optional<QString> confirmedBy =
        confirmingAdministrator(m_db, m_platform, QStringLiteral("恢复备份"), this);
    if (!confirmedBy)
        return;
    if (!m_platform.dialogs.warn(QStringLiteral("将用 %1 的备份替换当前的数据，当前的数据库会另存为恢复前的备份。\n"
                                                "恢复时程序将关闭，下次启动即使用恢复后的数据。确定继续吗？")
                                     .arg(chosen->text())))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<StagedRestore> staged;
    try {
        staged = StagedRestore::stage(chosen->data(Qt::UserRole).toString());
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    restoreAtExit(std::move(staged), {m_db.staff(), *confirmedBy});
    accept();
    // The restore is done once the main window is closed and the program has let go of the database.
    if (QWidget *owner = parentWidget())
        owner->window()->close();
}

} // namespace ktv
