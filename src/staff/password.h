#pragma once

#include <QByteArray>
#include <QString>

// Staff passwords are kept as salted PBKDF2-SHA256 hashes, never as the password, in the text form
// "pbkdf2-sha256$ROUNDS$SALT$HASH" (salt and hash in base64).
namespace ktv::staff {

constexpr int kPasswordRounds = 100'000;

// A hash of password with a fresh random salt.
QString hashPassword(const QString &password);
QString hashPassword(const QString &password, const QByteArray &salt, int rounds);

// Whether password is the one stored; the hashes are compared in constant time. A stored text in no known
// form never matches.
bool checkPassword(const QString &password, const QString &stored);

} // namespace ktv::staff
