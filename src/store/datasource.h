#pragma once

#include <QObject>
#include <QPointer>

namespace ktv {

class Cursor;

// What bound controls attach to: one cursor, which a screen may exchange for another at run time.
class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(Cursor *cursor = nullptr, QObject *parent = nullptr) : QObject(parent), m_cursor(cursor) {}
    Cursor *cursor() const { return m_cursor; }
    void setCursor(Cursor *cursor)
    {
        if (m_cursor == cursor)
            return;
        m_cursor = cursor;
        emit cursorChanged();
    }

signals:
    void cursorChanged();

private:
    QPointer<Cursor> m_cursor;
};

} // namespace ktv
