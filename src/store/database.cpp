#include "database.h"

#include "cursor.h"
#include "fielddef.h"
#include "integritycheck.h"
#include "membertidy.h"
#include "openvisits.h"
#include "storeerror.h"
#include "tables.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QSqlError>
#include <QSqlRecord>
#include <QUrl>

#include <atomic>

namespace ktv {

namespace {

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("ktv-%1").arg(++counter);
}

// SQLite answers its result codes, PostgreSQL its five-character SQLSTATE.
QString reason(const QSqlError &error, Engine engine)
{
    const QString code = error.nativeErrorCode();
    if (engine == Engine::Sqlite && (code == QLatin1String("5") || code == QLatin1String("6")))
        return QStringLiteral("数据库正被其他程序使用，请稍后再试");
    QString text = (error.databaseText().isEmpty() ? error.text() : error.databaseText()).trimmed();
    if (engine == Engine::Postgres && text.startsWith(QLatin1String("ERROR:")))
        text = text.mid(6).trimmed();
    if (text.contains(QLatin1String("UNIQUE constraint failed")) ||
        (engine == Engine::Postgres && code == QLatin1String("23505")))
        return QStringLiteral("记录的编号与已有记录重复（%1）").arg(text);
    return text;
}

// SQLite found the file damaged (SQLITE_CORRUPT, SQLITE_NOTADB), rather than busy or refusing a value.
bool isDamage(const QSqlError &error, Engine engine)
{
    if (engine != Engine::Sqlite)
        return false;
    const int code = error.nativeErrorCode().toInt() & 0xff; // extended codes carry the primary one low
    return code == 11 || code == 26;
}

const QString kServerDriver = QStringLiteral("QPSQL");

// The server's connection is gone (cut, the server stopped, the backend ended): libpq's own failures carry no
// SQLSTATE, the server's say so in class 08 or 57P.
bool isConnectionLoss(const QSqlError &error, Engine engine)
{
    if (engine != Engine::Postgres)
        return false;
    const QString code = error.nativeErrorCode();
    return code.isEmpty() || code.startsWith(QLatin1String("08")) || code == QLatin1String("57P01") ||
           code == QLatin1String("57P02") || code == QLatin1String("57P03");
}

// The server's address as shown in messages: never with a password.
QString shownAddress(const QUrl &url) { return url.toDisplayString(QUrl::RemovePassword); }

quint32 bigEndian(const QByteArray &bytes, int at)
{
    return quint32(quint8(bytes[at])) << 24 | quint32(quint8(bytes[at + 1])) << 16 |
           quint32(quint8(bytes[at + 2])) << 8 | quint32(quint8(bytes[at + 3]));
}

// The 100-byte file header, read directly: a file that is no database, or whose header is damaged, is named
// as such rather than by whatever the first query happens to fail with. Returns the message naming the file,
// or an empty string.
QString headerProblem(const QString &fileName)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("无法读取数据库文件 %1：%2").arg(shown, file.errorString());
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        return QStringLiteral("文件 %1 不是数据库文件").arg(shown);
    const auto byte = [&header](int i) { return int(quint8(header[i])); };
    const int pageSize = byte(16) == 0 && byte(17) == 1 ? 65536 : byte(16) << 8 | byte(17);
    const bool sizeOk = pageSize >= 512 && pageSize <= 65536 && (pageSize & (pageSize - 1)) == 0;
    const bool versionsOk = (byte(18) == 1 || byte(18) == 2) && (byte(19) == 1 || byte(19) == 2);
    const bool fractionsOk = byte(21) == 64 && byte(22) == 32 && byte(23) == 32;
    if (!sizeOk || !versionsOk || !fractionsOk)
        return damagedFileMessage(fileName, QStringLiteral("文件头已损坏"));
    if (file.size() % pageSize != 0)
        return damagedFileMessage(fileName, QStringLiteral("文件长度不是整页，可能被截断"));
    // The page count the header records, when it is current (the change counter matches the one it was
    // written with). A file shorter than that lost its end, unless the WAL still holds the pages.
    const quint32 recordedPages = bigEndian(header, 28);
    const bool recordCurrent = recordedPages > 0 && bigEndian(header, 92) == bigEndian(header, 24);
    const qint64 pages = file.size() / pageSize;
    if (recordCurrent && pages < recordedPages && QFileInfo(fileName + QStringLiteral("-wal")).size() == 0)
        return damagedFileMessage(fileName,
                                  QStringLiteral("文件比应有的短 %1 页，可能被截断").arg(recordedPages - pages));
    return {};
}

} // namespace

QString Database::fileNameIn(const QString &folder)
{
    // A database on a server has no folder of its own (folder() is empty): never a file in the working folder.
    if (folder.isEmpty())
        throw StoreError(QStringLiteral("数据库在数据库服务器上，没有数据库文件：备份、恢复和文件检查目前只用于本机的数据库文件"));
    return QDir(folder).filePath(QStringLiteral("ktv.db"));
}

QString Database::defaultFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("d:\\ktv\\data");
#else
    return QDir::home().filePath(QStringLiteral("ktv/data"));
#endif
}

bool Database::isServerAddress(const QString &where)
{
    return where.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           where.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

Database::Database(Engine engine, const QString &location, const QString &connectionName)
    : m_dialect(engine), m_location(location), m_folder(engine == Engine::Sqlite ? location : QString()),
      m_file(engine == Engine::Sqlite ? fileNameIn(location) : QString()), m_connectionName(connectionName)
{
}

Database::~Database()
{
    m_dataVersionQuery.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase Database::connection() const { return QSqlDatabase::database(m_connectionName, false); }

std::unique_ptr<Database> Database::connectServer(const QString &address, const QString &password)
{
    const QUrl url(address, QUrl::StrictMode);
    const QString dbName = url.path().mid(1);
    if (!url.isValid() || url.host().isEmpty() || dbName.isEmpty() || dbName.contains(QLatin1Char('/')))
        throw StoreError(QStringLiteral("无法识别数据库地址 %1，应写成 postgresql://用户名@服务器:端口/数据库名")
                             .arg(shownAddress(url)));
    if (!url.password().isEmpty())
        throw StoreError(QStringLiteral("数据库地址 %1 中不能写密码：密码请放在 PGPASSWORD 或 PostgreSQL 的密码文件中")
                             .arg(shownAddress(url)));
    if (!QSqlDatabase::isDriverAvailable(kServerDriver))
        throw StoreError(QStringLiteral("无法连接数据库服务器 %1：本机没有安装 PostgreSQL 的数据库驱动（QPSQL）")
                             .arg(url.host()));

    std::unique_ptr<Database> db(new Database(Engine::Postgres, address, nextConnectionName()));
    QSqlDatabase conn = QSqlDatabase::addDatabase(kServerDriver, db->m_connectionName);
    conn.setHostName(url.host());
    if (url.port() > 0)
        conn.setPort(url.port());
    conn.setUserName(url.userName()); // empty: libpq takes PGUSER or the login name
    conn.setDatabaseName(dbName);
    if (!password.isEmpty())
        conn.setPassword(password);
    conn.setConnectOptions(QStringLiteral("connect_timeout=10;application_name=ktv"));
    db->openServer();
    return db;
}

void Database::openServer()
{
    QSqlDatabase conn = connection();
    if (!conn.open()) {
        const QSqlError error = conn.lastError();
        const QString why = (error.databaseText().isEmpty() ? error.text() : error.databaseText()).trimmed();
        const QString message = QStringLiteral("无法连接数据库服务器 %1：%2").arg(conn.hostName(), why);
        // libpq's words when no password came from its sources, or the one given was wrong.
        if (why.contains(QLatin1String("no password supplied")) ||
            why.contains(QLatin1String("password authentication failed")))
            throw PasswordNeeded(message);
        throw StoreError(message);
    }
}

void Database::reconnectIfLost()
{
    if (!m_connectionLost)
        return;
    if (m_depth > 0)
        throw StoreError(QStringLiteral("与数据库服务器的连接已断开，这一步没有完成"));
    m_dataVersionQuery.reset();
    connection().close();
    openServer();
    m_connectionLost = false;
    listenForChanges();
    // Whatever was read before may have changed meanwhile.
    bumpAll();
}

std::unique_ptr<Database> Database::openValidated(const QString &folder, const QString &password)
{
    if (isServerAddress(folder)) {
        std::unique_ptr<Database> db = connectServer(folder, password);
        db->validate();
        return db;
    }
    if (!QFileInfo(folder).isDir())
        throw StoreError(QStringLiteral("找不到数据文件夹：%1").arg(QDir::toNativeSeparators(folder)));
    const QString file = fileNameIn(folder);
    if (!QFileInfo(file).isFile())
        throw StoreError(QStringLiteral("找不到数据库文件：%1").arg(QDir::toNativeSeparators(file)));

    std::unique_ptr<Database> db(new Database(Engine::Sqlite, folder, nextConnectionName()));
    QSqlDatabase conn = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), db->m_connectionName);
    // mode=rw: a normal start must never create a database file.
    conn.setDatabaseName(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString(QUrl::FullyEncoded) +
                         QStringLiteral("?mode=rw"));
    conn.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!conn.open())
        throw StoreError(QStringLiteral("无法打开数据库文件 %1：%2")
                             .arg(QDir::toNativeSeparators(file), conn.lastError().text()));
    db->validate();
    return db;
}

std::unique_ptr<Database> Database::open(const QString &folder, const QString &password)
{
    std::unique_ptr<Database> db = openValidated(folder, password);
    db->configure();
    return db;
}

void Database::verify(const QString &folder) { openValidated(folder); }

std::unique_ptr<Database> Database::openTablesOnServer(const QString &address, const QList<const TableDef *> &tables)
{
    std::unique_ptr<Database> db = connectServer(address);
    db->checkTables(tables);
    return db;
}

std::unique_ptr<Database> Database::create(const QString &folder, const Fill &fill)
{
    if (isServerAddress(folder)) {
        std::unique_ptr<Database> db = connectServer(folder);
        QSqlQuery tables = db->run(db->m_dialect.tableCountQuery());
        const qint64 found = tables.next() ? tables.value(0).toLongLong() : 0;
        tables.finish();
        if (found > 0)
            throw StoreError(QStringLiteral("数据库 %1 中已经有 %2 张表，不会在其中建立新的数据库；请使用一个空的数据库")
                                 .arg(shownAddress(QUrl(folder)))
                                 .arg(found));
        db->createSchema(fill);
        db->configure();
        return db;
    }
    const QString file = fileNameIn(folder);
    if (QFileInfo::exists(file))
        throw StoreError(QStringLiteral("数据库文件已存在，不会覆盖：%1").arg(QDir::toNativeSeparators(file)));
    if (!QDir().mkpath(folder))
        throw StoreError(QStringLiteral("无法创建数据文件夹：%1").arg(QDir::toNativeSeparators(folder)));

    std::unique_ptr<Database> db(new Database(Engine::Sqlite, folder, nextConnectionName()));
    QSqlDatabase conn = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), db->m_connectionName);
    conn.setDatabaseName(file);
    conn.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!conn.open())
        throw StoreError(QStringLiteral("无法创建数据库文件 %1：%2")
                             .arg(QDir::toNativeSeparators(file), conn.lastError().text()));
    db->run(QStringLiteral("PRAGMA journal_mode=WAL"));
    db->configure();
    db->createSchema(fill);
    return db;
}

std::unique_ptr<Database> Database::createFile(const QString &file, const Fill &fill)
{
    const QFileInfo info(file);
    if (info.exists() && info.size() > 0)
        throw StoreError(QStringLiteral("数据库文件已存在，不会覆盖：%1").arg(QDir::toNativeSeparators(file)));
    std::unique_ptr<Database> db(new Database(Engine::Sqlite, info.absolutePath(), nextConnectionName()));
    db->m_file = info.absoluteFilePath();
    QSqlDatabase conn = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), db->m_connectionName);
    conn.setDatabaseName(db->m_file);
    conn.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!conn.open())
        throw StoreError(QStringLiteral("无法创建数据库文件 %1：%2")
                             .arg(QDir::toNativeSeparators(file), conn.lastError().text()));
    db->run(QStringLiteral("PRAGMA synchronous=FULL"));
    db->createSchema(fill);
    return db;
}

void Database::configure()
{
    if (m_dialect.isServer()) {
        listenForChanges();
        return;
    }
    run(QStringLiteral("PRAGMA synchronous=FULL"));
    run(QStringLiteral("PRAGMA busy_timeout=5000"));
    QSqlQuery mode = run(QStringLiteral("PRAGMA journal_mode"));
    if (mode.next() && mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        mode.finish();
        run(QStringLiteral("PRAGMA journal_mode=WAL"));
    }
}

void Database::validate()
{
    const bool server = m_dialect.isServer();
    const QString file = server ? shownAddress(QUrl(m_location)) : QDir::toNativeSeparators(m_file);
    const QString what = server ? QStringLiteral("数据库") : QStringLiteral("数据库文件");
    // Only what a start needs: the header, the schema, and the first and last record of every table. The
    // whole file is read by the full check, which runs apart from the start (integritycheck.h).
    if (!server) {
        const QString header = headerProblem(m_file);
        if (!header.isEmpty())
            throw StoreError(header);
        QSqlQuery schema(connection());
        if (!schema.exec(QStringLiteral("SELECT name FROM sqlite_schema")))
            throw StoreError(damagedFileMessage(
                file, QStringLiteral("表结构已损坏：%1").arg(reason(schema.lastError(), m_dialect.engine()))));
    }
    int found = 0;
    {
        // A database without the program's version is none of the program's.
        QSqlQuery version(connection());
        version.setForwardOnly(true);
        if (version.exec(m_dialect.schemaVersionQuery()) && version.next())
            found = version.value(0).toInt();
    }
    if (found > schemaVersion)
        throw StoreError(QStringLiteral("%1 %2 来自更新版本的程序（版本 %3），请升级程序").arg(what, file).arg(found));
    if (found < 1)
        throw StoreError(QStringLiteral("%1 %2 不是本程序的数据库").arg(what, file));

    m_foundVersion = found;
    checkTables(tables::inVersion(found));
}

void Database::checkTables(const QList<const TableDef *> &tables)
{
    const bool server = m_dialect.isServer();
    const QString file = server ? shownAddress(QUrl(m_location)) : QDir::toNativeSeparators(m_file);
    for (const TableDef *table : tables) {
        const QSqlRecord rec = connection().record(server ? table->name.toLower() : table->name);
        if (rec.isEmpty())
            throw StoreError(QStringLiteral("数据库中缺少表 %1（%2）").arg(table->name, table->fileName));
        for (const FieldDef &field : table->fields) {
            if (rec.indexOf(field.name) < 0)
                throw StoreError(QStringLiteral("表 %1 中缺少字段 %2").arg(table->fileName, field.name));
        }
        for (const char *end : {"", " DESC"}) {
            QSqlQuery edge(connection());
            if (!edge.exec(QStringLiteral("SELECT * FROM %1 ORDER BY %2%3 LIMIT 1")
                               .arg(table->name, m_dialect.rowKey(*table), QLatin1String(end)))) {
                const QString why = reason(edge.lastError(), m_dialect.engine());
                if (server)
                    throw StoreError(QStringLiteral("无法读取数据库 %1 中的 %2：%3").arg(file, table->fileName, why));
                throw StoreError(damagedFileMessage(file, QStringLiteral("%1：%2").arg(table->fileName, why)));
            }
            while (edge.next()) {
            }
        }
    }
}

void Database::createTable(const TableDef &table)
{
    run(QStringLiteral("CREATE TABLE %1 (%2)")
            .arg(m_dialect.definedName(table.name), m_dialect.columnDefinitions(table).join(", ")));
    for (const IndexDef &index : table.indexes) {
        if (table.field(index.fields.first()).kind == FieldKind::AutoInc)
            continue; // the serial number is the row's own key
        QStringList cols;
        for (const QString &f : index.fields)
            cols << m_dialect.orderTerm(m_dialect.definedName(f), index.descending);
        run(QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                .arg(m_dialect.definedName(index.name), m_dialect.definedName(table.name), cols.join(',')));
    }
    for (const QString &statement : m_dialect.changeNotices(table))
        run(statement);
}

void Database::createSchema(const Fill &fill)
{
    Transaction tx(*this);
    for (const QString &statement : m_dialect.changeNoticeFunction())
        run(statement);
    for (const TableDef *table : tables::inVersion(schemaVersion))
        createTable(*table);
    // The lists of unsettled visits read only these rows, however many settled visits the venue keeps.
    run(QStringLiteral("CREATE INDEX open_visits ON Openroom (Openroom_Lishui) WHERE ") +
        m_dialect.notSame(QStringLiteral("Openroom_beizhu"), QStringLiteral("'%1'").arg(QStringLiteral("结清"))));
    run(QStringLiteral("CREATE INDEX open_rooms ON room (Room_id) WHERE ") +
        m_dialect.notSame(QStringLiteral("Room_used"), QStringLiteral("'%1'").arg(tables::yes)));
    if (m_dialect.isServer()) {
        // Made later on a file, when first needed; on a server that would lock a table that other stations
        // are writing, in the middle of a step.
        openvisits::ensureIndex(*this);
        ensureTidyingIndexes(*this);
    }
    for (const QString &statement : m_dialect.setSchemaVersion(schemaVersion))
        run(statement);
    m_foundVersion = schemaVersion;
    if (fill)
        fill(*this);
    tx.commit();
}

void Database::upgrade()
{
    if (!needsUpgrade())
        return;
    Transaction tx(*this);
    for (int version = m_foundVersion + 1; version <= schemaVersion; ++version) {
        for (const TableDef *table : tables::addedIn(version))
            createTable(*table);
    }
    for (const QString &statement : m_dialect.setSchemaVersion(schemaVersion))
        run(statement);
    tx.commit();
    m_foundVersion = schemaVersion;
}

QSqlQuery Database::prepare(const QString &sql)
{
    reconnectIfLost();
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        fail(query.lastError());
    return query;
}

void Database::exec(QSqlQuery &query, const QString &what)
{
    ++m_statementsSent;
    if (!query.exec())
        fail(query.lastError(), what);
}

void Database::fail(const QSqlError &error, const QString &what)
{
    const QString why = reason(error, m_dialect.engine());
    if (isDamage(error, m_dialect.engine()))
        throw StoreError(damagedFileMessage(m_file, why));
    if (isConnectionLoss(error, m_dialect.engine())) {
        // The step's transaction is gone with the connection: nothing of it was stored.
        m_connectionLost = true;
        throw StoreError(QStringLiteral("与数据库服务器的连接已断开：%1\n这一步没有完成，所做的修改都没有保存；"
                                        "下一步操作时程序会重新连接。")
                             .arg(why));
    }
    throw StoreError(what.isEmpty() ? QStringLiteral("数据库操作失败：%1").arg(why)
                                    : QStringLiteral("%1失败：%2").arg(what, why));
}

qint64 Database::insert(const TableDef &table, const QStringList &fields, const QVariantList &binds)
{
    QString sql = QStringLiteral("INSERT INTO ") + table.name;
    if (fields.isEmpty()) {
        sql += QStringLiteral(" DEFAULT VALUES");
    } else {
        const QStringList marks(fields.size(), QStringLiteral("?"));
        sql += QStringLiteral(" (") + fields.join(QLatin1String(", ")) + QStringLiteral(") VALUES (") +
               marks.join(QLatin1String(", ")) + QLatin1Char(')');
    }
    QSqlQuery query = run(sql + m_dialect.returningKey(table), binds);
    const qint64 key = m_dialect.isServer() ? (query.next() ? query.value(0).toLongLong() : 0)
                                            : query.lastInsertId().toLongLong();
    query.finish();
    noteWrite(table.name);
    return key;
}

bool Database::hasIndex(const QString &name)
{
    QSqlQuery found = run(m_dialect.indexCountQuery(), {name});
    return found.next() && found.value(0).toInt() > 0;
}

QSqlQuery Database::run(const QString &sql, const QVariantList &binds)
{
    if (binds.isEmpty() && m_dialect.isServer()) {
        // The server prepares only queries and changes of rows, not BEGIN or CREATE: sent as they are.
        reconnectIfLost();
        QSqlQuery query(connection());
        query.setForwardOnly(true);
        ++m_statementsSent;
        if (!query.exec(sql))
            fail(query.lastError());
        return query;
    }
    QSqlQuery query = prepare(sql);
    for (const QVariant &v : binds)
        query.addBindValue(v);
    exec(query);
    return query;
}

quint64 Database::version(const QString &table)
{
    // Inside a transaction the look taken at its start holds: on SQLite nobody else can commit meanwhile; on
    // a server others may, and a step reads again, locked, what it acts on (Dialect::lockRows).
    if (m_depth == 0)
        pollOtherWriters();
    return m_epoch + m_versions.value(table.toLower());
}

void Database::noteWrite(const QString &table)
{
    ++m_versions[table.toLower()];
    emit changed();
}

void Database::listenForChanges()
{
    QSqlDriver *driver = connection().driver();
    if (!driver->subscribeToNotification(Dialect::changeChannel()))
        throw StoreError(QStringLiteral("无法接收数据库 %1 的修改通知：%2")
                             .arg(shownAddress(QUrl(m_location)), reason(driver->lastError(), m_dialect.engine())));
    connect(driver, &QSqlDriver::notification, this, &Database::otherWrote, Qt::UniqueConnection);
}

void Database::otherWrote(const QString &name, QSqlDriver::NotificationSource source, const QVariant &payload)
{
    // This connection's own writes were noted as they were made.
    if (name != Dialect::changeChannel() || source == QSqlDriver::SelfSource)
        return;
    ++m_versions[payload.toString().toLower()];
    emit changed();
}

void Database::bumpAll()
{
    ++m_epoch;
    emit changed();
}

void Database::pollOtherWriters()
{
    if (m_dialect.isServer()) {
        reconnectIfLost();
        if (!m_dataVersionQuery)
            m_dataVersionQuery = std::make_unique<QSqlQuery>(prepare(QStringLiteral("SELECT 1")));
        // The server sends the notices of commits made before this exchange ahead of its answer; the driver
        // hands them over (otherWrote) when asked to read what came, as its socket notifier does.
        exec(*m_dataVersionQuery);
        m_dataVersionQuery->finish();
        QMetaObject::invokeMethod(connection().driver(), "_q_handleNotification", Qt::DirectConnection);
        return;
    }
    if (!m_dataVersionQuery) {
        m_dataVersionQuery = std::make_unique<QSqlQuery>(prepare(QStringLiteral("PRAGMA data_version")));
    }
    exec(*m_dataVersionQuery);
    const qint64 seen = m_dataVersionQuery->next() ? m_dataVersionQuery->value(0).toLongLong() : -1;
    m_dataVersionQuery->finish();
    if (seen == m_dataVersion)
        return;
    const bool first = m_dataVersion < 0;
    m_dataVersion = seen;
    if (!first)
        bumpAll();
}

void Database::watchOtherWriters(int intervalMs)
{
    if (m_dialect.isServer())
        return;
    auto *timer = new QTimer(this);
    timer->setInterval(intervalMs);
    connect(timer, &QTimer::timeout, this, [this] {
        if (m_depth > 0)
            return;
        try {
            pollOtherWriters();
        } catch (const StoreError &) {
            // The next read that needs the database reports it.
        }
    });
    timer->start();
}

void Database::begin()
{
    if (m_depth == 0)
        reconnectIfLost();
    if (m_depth++ > 0)
        return;
    m_failed = false;
    try {
        // IMMEDIATE takes the write lock at once, so a concurrent writer makes us wait instead of failing later.
        run(m_dialect.beginWriting());
        // What others committed before the lock was taken is what this transaction reads.
        pollOtherWriters();
    } catch (...) {
        if (m_depth == 1)
            rollback();
        else
            --m_depth;
        throw;
    }
}

void Database::commit()
{
    if (m_depth == 1 && m_failed) {
        rollback();
        throw StoreError(QStringLiteral("保存失败，所有修改均已撤销"));
    }
    if (m_depth > 1) {
        --m_depth;
        return;
    }
    try {
        run(QStringLiteral("COMMIT"));
    } catch (...) {
        rollback();
        throw;
    }
    m_depth = 0;
}

void Database::rollback() noexcept
{
    if (m_depth == 0)
        return; // already rolled back by a failed commit
    if (m_depth > 1) {
        --m_depth;
        m_failed = true;
        return;
    }
    m_depth = 0;
    m_failed = false;
    QSqlQuery query(connection());
    query.exec(QStringLiteral("ROLLBACK"));
    // What any cursor read or wrote inside the transaction may be gone: every view is read again when used.
    bumpAll();
}

Transaction::Transaction(Database &db, std::initializer_list<Cursor *> cursors) : m_db(db), m_cursors(cursors)
{
    m_db.begin();
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    m_db.rollback();
    for (Cursor *cursor : std::as_const(m_cursors)) {
        try {
            cursor->cancel();
        } catch (...) {
        }
    }
}

void Transaction::commit()
{
    // Done only once the commit went through: a failed COMMIT drops the action's pending records too.
    m_db.commit();
    m_done = true;
}

} // namespace ktv
