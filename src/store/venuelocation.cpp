#include "venuelocation.h"

#include "database.h"
#include "storeerror.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

namespace ktv {

namespace {

const QString kUrlKey = QStringLiteral("database/url");

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Whatever the address is, it is refused before anything connects: a password must not sit in a file that
// the backups folder's neighbours can read.
QString addressProblem(const QString &address)
{
    if (!Database::isServerAddress(address))
        return QStringLiteral("数据库地址 %1 不是数据库服务器的地址，应写成 postgresql://用户名@服务器:端口/数据库名")
            .arg(address);
    const QUrl url(address, QUrl::TolerantMode);
    if (!url.password().isEmpty())
        return QStringLiteral("数据库地址 %1 中不能写密码：密码请放在 PGPASSWORD 或 PostgreSQL 的密码文件中")
            .arg(url.toDisplayString(QUrl::RemovePassword));
    return {};
}

} // namespace

QString venueIniPath(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("ktv.ini"));
}

VenueLocation locateVenue(const QString &folder, const QString &databaseOverride)
{
    VenueLocation venue{folder, databaseOverride};
    if (venue.onServer())
        return venue; // what the command line names wins; the folder's ktv.ini is not read
    const QString ini = venueIniPath(folder);
    if (!QFileInfo(ini).isFile())
        return venue;
    const QSettings settings(ini, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        throw StoreError(QStringLiteral("无法读取设置文件 %1：文件格式不对").arg(shown(ini)));
    const QVariant stored = settings.value(kUrlKey);
    // An address with a comma comes back as a list; it is still one address.
    const QString address =
        (stored.typeId() == QMetaType::QStringList ? stored.toStringList().join(QLatin1Char(',')) : stored.toString())
            .trimmed();
    if (address.isEmpty())
        return venue; // a ktv.ini of settings only
    const QString problem = addressProblem(address);
    if (!problem.isEmpty())
        throw StoreError(QStringLiteral("设置文件 %1 有误：%2").arg(shown(ini), problem));
    venue.database = address;
    return venue;
}

void checkVenueIniWritable(const QString &folder, const QString &address)
{
    const QString problem = addressProblem(address);
    if (!problem.isEmpty())
        throw StoreError(problem);
    const QString ini = venueIniPath(folder);
    if (QFileInfo::exists(ini))
        throw StoreError(QStringLiteral("设置文件已存在，不会覆盖：%1").arg(shown(ini)));
    const QString file = Database::fileNameIn(folder);
    if (QFileInfo::exists(file))
        throw StoreError(
            QStringLiteral("数据文件夹 %1 中已有数据库文件 %2：请另选一个文件夹").arg(shown(folder), shown(file)));
}

void writeVenueIni(const QString &folder, const QString &address)
{
    checkVenueIniWritable(folder, address);
    const QString ini = venueIniPath(folder);
    if (!QDir().mkpath(folder))
        throw StoreError(QStringLiteral("无法创建数据文件夹：%1").arg(shown(folder)));
    QSettings settings(ini, QSettings::IniFormat);
    settings.setValue(kUrlKey, address);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw StoreError(QStringLiteral("无法写入设置文件 %1").arg(shown(ini)));
}

} // namespace ktv
