#include "dbedit.h"

#include "dbformat.h"
#include "store/cursor.h"
#include "store/datasource.h"
#include "store/storeerror.h"
#include "widgets/platform.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace ktv {

DBEdit::DBEdit(Dialogs &dialogs, const QString &label, DataSource *source, const QString &field, QWidget *parent)
    : QWidget(parent), m_dialogs(dialogs), m_source(source), m_field(field), m_label(new QLabel(label, this)),
      m_edit(new QLineEdit(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label);
    layout->addWidget(m_edit, 1);
    m_label->setBuddy(m_edit);
    setFocusProxy(m_edit);
    m_edit->installEventFilter(this);

    connect(m_edit, &QLineEdit::textEdited, this, &DBEdit::onTextEdited);
    connect(m_edit, &QLineEdit::editingFinished, this, [this] { commitPending(); });
    if (m_source) {
        connect(m_source, &DataSource::cursorChanged, this, &DBEdit::bind);
        connect(m_source, &QObject::destroyed, this, &DBEdit::bind);
    }
    bind();
}

QString DBEdit::text() const
{
    return m_edit->text();
}

void DBEdit::bind()
{
    for (const QMetaObject::Connection &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_dirty = false;
    markRefused(false);
    m_bound = m_source ? m_source->cursor() : nullptr;
    if (m_bound) {
        m_connections << connect(m_bound, &Cursor::currentChanged, this, &DBEdit::showValue)
                      << connect(m_bound, &Cursor::stateChanged, this, &DBEdit::showValue)
                      << connect(m_bound, &Cursor::rowsReset, this, &DBEdit::showValue)
                      << connect(m_bound, &Cursor::fieldChanged, this, &DBEdit::onFieldChanged)
                      << connect(m_bound, &QObject::destroyed, this, &DBEdit::bind);
    }
    showValue();
}

void DBEdit::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    showValue();
}

// Typed text stays in the box until editing finishes, even when the cursor re-reads its rows meanwhile.
void DBEdit::showValue()
{
    const int column = m_bound ? m_bound->columnOf(m_field) : -1;
    const FieldDef *field = column >= 0 ? &m_bound->field(column) : nullptr;
    m_edit->setReadOnly(m_readOnly || !field || m_bound->isReadOnly() || field->kind == FieldKind::AutoInc);
    if (m_dirty)
        return;
    QString shown;
    try {
        if (field && m_bound->isOpen())
            shown = displayText(*field, m_bound->value(m_field));
    } catch (const StoreError &) {
        // A record that cannot be read now shows empty; the next move or refresh shows it again.
    }
    if (m_edit->text() != shown)
        m_edit->setText(shown);
}

void DBEdit::onFieldChanged(int column)
{
    if (m_bound && column == m_bound->columnOf(m_field))
        showValue();
}

void DBEdit::onTextEdited()
{
    if (m_dirty)
        return;
    m_dirty = true; // set first: starting the edit repaints from the cursor
    Cursor *cursor = m_bound;
    if (!cursor || cursor->isEditing())
        return;
    // Inside the box's own key press: a refusal is shown once that is over.
    if (!runGuardedLater(m_dialogs, this, [cursor] { cursor->editAsShown(); }))
        discardPending();
}

bool DBEdit::commitPending()
{
    if (!m_dirty)
        return true;
    const QString typed = m_edit->text();
    // A refused text waits in its box, marked, for the cashier to correct it or press Escape; it is not
    // offered to the record again until it changes.
    if (m_refused && typed == m_refusedText)
        return false;
    bool written = false;
    if (Cursor *cursor = m_bound) {
        runGuarded(m_dialogs, [&] {
            // A refresh in between may have dropped the unchanged record from editing.
            if (!cursor->isEditing())
                cursor->editAsShown();
            cursor->setValue(m_field, typed);
            written = true;
        });
    }
    if (!written && m_bound) {
        m_refused = true;
        m_refusedText = typed;
        markRefused(true);
        return false;
    }
    m_dirty = false;
    markRefused(false);
    showValue();
    return true;
}

void DBEdit::discardPending()
{
    m_dirty = false;
    markRefused(false);
    showValue();
}

void DBEdit::markRefused(bool refused)
{
    if (!refused) {
        m_refused = false;
        m_refusedText.clear();
    }
    m_edit->setStyleSheet(refused ? QStringLiteral("QLineEdit { background: #ffd8d8; }") : QString());
}

bool DBEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::FocusIn) {
            emit entered();
        } else if (event->type() == QEvent::KeyPress && m_dirty &&
                   static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            discardPending();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ktv
