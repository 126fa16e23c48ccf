#include "dbnavigator.h"

#include "dbedit.h"
#include "dbgrid.h"
#include "screenparts.h"
#include "store/cursor.h"
#include "store/datasource.h"
#include "widgets/platform.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QToolButton>

namespace ktv {

namespace {

struct ButtonLook
{
    NavButton which;
    const char *objectName;
    const char *glyph;
};

constexpr ButtonLook kLooks[] = {
    {NavButton::First, "nbFirst", "|◀"},    {NavButton::Prior, "nbPrior", "◀"},   {NavButton::Next, "nbNext", "▶"},
    {NavButton::Last, "nbLast", "▶|"},      {NavButton::Insert, "nbInsert", "+"}, {NavButton::Delete, "nbDelete", "−"},
    {NavButton::Edit, "nbEdit", "▲"},       {NavButton::Post, "nbPost", "✓"},     {NavButton::Cancel, "nbCancel", "✗"},
    {NavButton::Refresh, "nbRefresh", "↻"},
};

} // namespace

QList<NavButton> DBNavigator::allButtons()
{
    QList<NavButton> all;
    for (const ButtonLook &look : kLooks)
        all << look.which;
    return all;
}

DBNavigator::DBNavigator(Dialogs &dialogs, DataSource *source, const QList<NavButton> &visible,
                         const QMap<NavButton, QString> &hints, QWidget *parent)
    : QWidget(parent), m_dialogs(dialogs)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const ButtonLook &look : kLooks) {
        if (!visible.contains(look.which))
            continue;
        auto *button = new QToolButton(this);
        button->setObjectName(QLatin1String(look.objectName));
        button->setText(QString::fromUtf8(look.glyph));
        button->setToolTip(hints.value(look.which));
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(false);
        layout->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, which = look.which] { run(which); });
        m_buttons.insert(look.which, button);
    }
    layout->addStretch(1);
    setDataSource(source);
}

QToolButton *DBNavigator::button(NavButton which) const
{
    return m_buttons.value(which, nullptr);
}

void DBNavigator::setDataSource(DataSource *source)
{
    disconnect(m_sourceConnection);
    m_source = source;
    if (m_source)
        m_sourceConnection = connect(m_source, &DataSource::cursorChanged, this, &DBNavigator::bindCursor);
    bindCursor();
}

void DBNavigator::bindCursor()
{
    for (const QMetaObject::Connection &c : std::as_const(m_cursorConnections))
        disconnect(c);
    m_cursorConnections.clear();
    m_bound = m_source ? m_source->cursor() : nullptr;
    if (m_bound) {
        m_cursorConnections << connect(m_bound, &Cursor::currentChanged, this, &DBNavigator::updateButtons)
                            << connect(m_bound, &Cursor::stateChanged, this, &DBNavigator::updateButtons)
                            << connect(m_bound, &Cursor::rowsReset, this, &DBNavigator::updateButtons)
                            << connect(m_bound, &QObject::destroyed, this, &DBNavigator::updateButtons);
    }
    updateButtons();
}

// As a record navigator does: moving back is offered off the first record, moving on off the last, post
// and cancel while a record is being edited. The changing buttons stay available on a read-only cursor,
// which refuses them with its own message.
void DBNavigator::updateButtons()
{
    Cursor *cursor = m_bound;
    const bool open = cursor && cursor->isOpen();
    const bool editing = open && cursor->isEditing();
    const bool back = open && !cursor->bof();
    const bool on = open && !cursor->eof();
    const QMap<NavButton, bool> enabled{
        {NavButton::First, back},
        {NavButton::Prior, back},
        {NavButton::Next, on},
        {NavButton::Last, on},
        {NavButton::Insert, open},
        {NavButton::Delete, open && !cursor->isEmpty()},
        {NavButton::Edit, open && !editing},
        {NavButton::Post, editing},
        {NavButton::Cancel, editing},
        {NavButton::Refresh, open},
    };
    for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it)
        it.value()->setEnabled(enabled.value(it.key()));
}

void DBNavigator::run(NavButton which)
{
    runGuarded(m_dialogs, [this, which] {
        if (!settleFocusedInput(which != NavButton::Cancel))
            return;
        Cursor *cursor = m_bound;
        if (!cursor)
            return;
        switch (which) {
        case NavButton::First:
            cursor->first();
            break;
        case NavButton::Prior:
            cursor->prior();
            break;
        case NavButton::Next:
            cursor->next();
            break;
        case NavButton::Last:
            cursor->last();
            break;
        case NavButton::Insert:
            cursor->insert();
            break;
        case NavButton::Delete:
            if (m_dialogs.confirmDelete(QStringLiteral("Delete record?")))
                cursor->remove();
            break;
        case NavButton::Edit:
            cursor->editAsShown();
            break;
        case NavButton::Post:
            cursor->post();
            break;
        case NavButton::Cancel:
            cursor->cancel();
            break;
        case NavButton::Refresh:
            cursor->refresh();
            break;
        }
    });
    // next and prior at an end only set the end flag, which the cursor does not announce.
    updateButtons();
}

} // namespace ktv
