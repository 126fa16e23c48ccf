#pragma once

#include "store/cursor.h"
#include "store/datasource.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;

namespace ktv {

class Dialogs;

// A labelled edit box bound to one field of a data source's current record. Typing puts the cursor into
// editing; the text is written into the field when editing finishes (Enter, or the box losing the focus).
// Escape before that puts the field's value back into the box.
class DBEdit : public QWidget
{
    Q_OBJECT
public:
    DBEdit(Dialogs &dialogs, const QString &label, DataSource *source, const QString &field, QWidget *parent = nullptr);

    QLineEdit *lineEdit() const { return m_edit; }
    QLabel *label() const { return m_label; }
    QString field() const { return m_field; }
    DataSource *dataSource() const { return m_source; }
    QString text() const;

    // A read-only box shows the field but takes no typing. Boxes of a read-only cursor and of a serial
    // number field are read-only whatever is asked here.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    // Writes typed text that is still pending, as leaving the box would; false when that failed (the
    // cashier has been shown why).
    bool commitPending();
    // Forgets typed text that is still pending and shows the field again.
    void discardPending();

signals:
    void entered(); // the edit box received the focus

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bind();
    void showValue();
    void onTextEdited();
    void onFieldChanged(int column);
    void markRefused(bool refused);

    Dialogs &m_dialogs;
    QPointer<DataSource> m_source;
    QPointer<Cursor> m_bound;
    QString m_field;
    QLabel *m_label;
    QLineEdit *m_edit;
    QList<QMetaObject::Connection> m_connections;
    bool m_readOnly = false;
    bool m_dirty = false; // the box holds typed text not yet written to the field
    bool m_refused = false; // the field refused m_refusedText, which stays in the box until corrected
    QString m_refusedText;
};

} // namespace ktv
