#include "clearingprogress.h"

#include <QProgressDialog>

#include <algorithm>

namespace ktv {

ClearingProgress::ClearingProgress(const QString &table, qint64 total, QWidget *parent) : m_total(total)
{
    if (total <= shownAbove)
        return;
    m_dialog = std::make_unique<QProgressDialog>(QStringLiteral("正在清空 %1（共 %2 条记录）……").arg(table).arg(total),
                                                 QString(), 0, 1000, parent);
    m_dialog->setObjectName(QStringLiteral("ClearingProgress"));
    m_dialog->setWindowTitle(QStringLiteral("数据库维护"));
    m_dialog->setCancelButton(nullptr);
    m_dialog->setWindowModality(Qt::WindowModal); // setValue then keeps the window painted
    m_dialog->setMinimumDuration(0);
    m_dialog->setValue(0);
}

ClearingProgress::~ClearingProgress() = default;

void ClearingProgress::advance(qint64 done)
{
    if (m_dialog)
        m_dialog->setValue(int(std::min<qint64>(1000, done * 1000 / std::max<qint64>(1, m_total))));
}

} // namespace ktv
