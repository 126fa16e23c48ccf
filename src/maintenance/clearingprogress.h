#pragma once

#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

namespace ktv {

// The progress of one clearing, shown when it has more than about a thousand records to go through. A
// clearing is one transaction, all or nothing, so it offers no way to stop halfway.
class ClearingProgress
{
public:
    static constexpr qint64 shownAbove = 1000;

    ClearingProgress(const QString &table, qint64 total, QWidget *parent);
    ~ClearingProgress();
    ClearingProgress(const ClearingProgress &) = delete;
    ClearingProgress &operator=(const ClearingProgress &) = delete;

    void advance(qint64 done);

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    qint64 m_total;
};

} // namespace ktv
