#include "password.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

namespace ktv::staff {

namespace {

const QString kScheme = QStringLiteral("pbkdf2-sha256");
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;

QByteArray derive(const QString &password, const QByteArray &salt, int rounds)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, rounds,
                                              kHashBytes);
}

// Every byte is looked at whatever the first difference, so that the time taken tells nothing.
bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

} // namespace

QString hashPassword(const QString &password)
{
    QByteArray salt(kSaltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(salt.begin(), salt.end());
    return hashPassword(password, salt, kPasswordRounds);
}

QString hashPassword(const QString &password, const QByteArray &salt, int rounds)
{
    return QStringList{kScheme, QString::number(rounds), QString::fromLatin1(salt.toBase64()),
                       QString::fromLatin1(derive(password, salt, rounds).toBase64())}
        .join(QLatin1Char('$'));
}

bool checkPassword(const QString &password, const QString &stored)
{
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != kScheme)
        return false;
    bool ok = false;
    const int rounds = parts[1].toInt(&ok);
    if (!ok || rounds < 1)
        return false;
    const QByteArray salt = QByteArray::fromBase64(parts[2].toLatin1());
    const QByteArray hash = QByteArray::fromBase64(parts[3].toLatin1());
    if (salt.isEmpty() || hash.size() != kHashBytes)
        return false;
    return sameBytes(derive(password, salt, rounds), hash);
}

} // namespace ktv::staff
