#include "cursor.h"

#include "cursorsql.h"
#include "database.h"
#include "fieldvalue.h"
#include "storeerror.h"

#include <exception>

namespace ktv {

void Cursor::setMasterLink(Cursor *master, const QStringList &masterFields, const QStringList &detailFields)
{
    if (m_master)
        disconnect(m_master, nullptr, this, nullptr);
    m_master = master;
    m_masterFields = masterFields;
    m_detailFields = detailFields;
    if (!m_master)
        return;
    for (const QString &f : detailFields)
        m_table.field(f);
    connect(m_master, &Cursor::currentChanged, this, [this] { followMaster(false); });
    // Read again for freshness, the master still stands on the same record or not: a linked list keeps its
    // own record unless the link changed. A refresh or a new view of the master reads it from the start.
    connect(m_master, &Cursor::rowsReset, this, [this] { followMaster(!m_master->m_rereading); });
    connect(m_master, &Cursor::stateChanged, this, [this] { followMaster(false); });
    if (isOpen())
        followMaster(true);
}

void Cursor::followMaster(bool force)
{
    if (!isOpen() || !m_master)
        return;
    QVariantList values;
    const bool empty = !m_master->isOpen() || m_master->state() == CursorState::Insert || m_master->isEmpty();
    if (!empty) {
        for (const QString &f : m_masterFields)
            values << m_master->value(f);
    }
    if (!force && empty == m_linkEmpty && values == m_linkValues)
        return;
    // The pending record of the master's old record is saved first. Should that fail, it is dropped, not
    // tried again at the next move, and the list still follows the master; the failure is reported once.
    std::exception_ptr failure;
    if (isEditing()) {
        if (m_modified) {
            try {
                post();
            } catch (...) {
                failure = std::current_exception();
                cancel();
            }
        } else {
            cancel();
        }
    }
    // Following a master that was read again for freshness onto other link values is a change made
    // elsewhere; following the cashier's move on the master is a choice.
    const bool hadRecord = m_pos.has_value();
    m_lost = m_master->m_rereading && !force && hadRecord;
    m_linkEmpty = empty;
    m_linkValues = values;
    m_view.setKept(0);
    startView();
    setCurrent(m_view.first(), true, false);
    emit rowsReset();
    emit currentChanged();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace ktv
