#include "backupfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace ktv {

namespace {

const QString kStampFormat = QStringLiteral("yyyyMMdd-HHmmss");

QString prefixOf(BackupKind kind)
{
    switch (kind) {
    case BackupKind::Automatic:
        return QStringLiteral("auto");
    case BackupKind::Manual:
        return QStringLiteral("ktv");
    case BackupKind::BeforeRestore:
        return QStringLiteral("before-restore");
    }
    return {};
}

} // namespace

QString backupFolderOf(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("backups"));
}

QString backupFileName(BackupKind kind, const QDateTime &moment, int number)
{
    QString name = prefixOf(kind) + QLatin1Char('-') + moment.toString(kStampFormat);
    if (number > 0)
        name += QLatin1Char('-') + QString::number(number);
    return name + QStringLiteral(".db");
}

std::optional<BackupFile> parseBackupName(const QString &fileName)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(auto|ktv|before-restore)-(\\d{8}-\\d{6})(?:-(\\d+))?\\.db$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    const QDateTime taken = QDateTime::fromString(match.captured(2), kStampFormat);
    if (!taken.isValid())
        return std::nullopt;
    BackupFile file;
    const QString prefix = match.captured(1);
    file.kind = prefix == prefixOf(BackupKind::Automatic) ? BackupKind::Automatic
                : prefix == prefixOf(BackupKind::Manual)  ? BackupKind::Manual
                                                          : BackupKind::BeforeRestore;
    file.taken = taken;
    file.number = match.captured(3).toInt();
    return file;
}

QList<BackupFile> listBackups(const QString &dataFolder)
{
    QList<BackupFile> found;
    const QDir folder(backupFolderOf(dataFolder));
    const QFileInfoList entries = folder.entryInfoList({QStringLiteral("*.db")}, QDir::Files);
    for (const QFileInfo &entry : entries) {
        std::optional<BackupFile> file = parseBackupName(entry.fileName());
        if (!file)
            continue;
        file->path = entry.absoluteFilePath();
        file->size = entry.size();
        file->modified = entry.lastModified();
        found << *file;
    }
    std::sort(found.begin(), found.end(), [](const BackupFile &a, const BackupFile &b) {
        if (a.modified != b.modified)
            return a.modified > b.modified;
        if (a.taken != b.taken)
            return a.taken > b.taken;
        return a.number != b.number ? a.number > b.number : a.path > b.path;
    });
    return found;
}

bool hasRecentBackup(const QString &dataFolder, const QDateTime &now)
{
    constexpr qint64 kDaySeconds = 24 * 60 * 60;
    const QList<BackupFile> backups = listBackups(dataFolder);
    return std::any_of(backups.begin(), backups.end(), [&now](const BackupFile &file) {
        const qint64 age = file.modified.secsTo(now);
        return age >= 0 && age <= kDaySeconds;
    });
}

QStringList pruneAutomaticBackups(const QString &dataFolder, const QString &justTaken, int kept)
{
    QStringList removed;
    const QString taken = justTaken.isEmpty() ? QString() : QFileInfo(justTaken).absoluteFilePath();
    int automatic = taken.isEmpty() ? 0 : 1; // the one just taken counts first, wherever it sorts
    for (const BackupFile &file : listBackups(dataFolder)) {
        if (file.kind != BackupKind::Automatic || file.path == taken || ++automatic <= kept)
            continue;
        if (QFile::remove(file.path))
            removed << file.path;
    }
    return removed;
}

} // namespace ktv
