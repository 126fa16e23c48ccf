#pragma once

#include <QString>
#include <stdexcept>

namespace ktv {

// A store or conversion error: ends the current action and is shown to the cashier as it stands.
class StoreError : public std::runtime_error
{
public:
    explicit StoreError(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// A value that cannot be converted to a field's kind ("abc" into a number field, say).
class ConversionError : public StoreError
{
public:
    using StoreError::StoreError;
};

// A step that cannot be done on the records as they are stored; nothing was written. The message is the
// cashier's, shown as a message rather than as an error.
class Refused : public StoreError
{
public:
    using StoreError::StoreError;
};

// The database server wants a password that libpq's own sources (PGPASSWORD, the password file) did not
// give, or refused the one given.
class PasswordNeeded : public StoreError
{
public:
    using StoreError::StoreError;
};

// The record being saved is no longer stored: another station deleted it.
class RecordGone : public StoreError
{
public:
    using StoreError::StoreError;
};

// Ends the current action silently; a handler that has already told the cashier why throws it.
class AbortAction : public std::exception
{
public:
    const char *what() const noexcept override { return "aborted"; }
};

} // namespace ktv
