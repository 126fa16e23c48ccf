#include "formhandover.h"

#include "shiftsums.h"

#include "visits/formprintpaper.h"
#include "widgets/numberforms.h"
#include "widgets/platform.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <cmath>

namespace ktv {

TFormHandover::TFormHandover(Database &db, const Platform &platform, const staff::Shift &shift, QWidget *parent)
    : QDialog(parent), m_db(db), m_platform(platform), m_shift(shift), m_counted(new QLineEdit(this)),
      m_difference(new QLabel(this)), m_ok(new QPushButton(QStringLiteral("交班并打印"), this))
{
    setObjectName(QStringLiteral("FormHandover"));
    setWindowTitle(QStringLiteral("交班"));
    m_counted->setObjectName(QStringLiteral("EditCounted"));
    m_difference->setObjectName(QStringLiteral("LabelDifference"));
    m_ok->setObjectName(QStringLiteral("BitBtnOK"));
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("上班时间"), new QLabel(shift.opened.toString(QStringLiteral("yyyy-MM-dd HH:mm")), this));
    form->addRow(QStringLiteral("备用金"), new QLabel(numberform::twoDecimals(shift.cashFloat), this));
    form->addRow(QStringLiteral("收费笔数"), new QLabel(QString::number(shift.cashKept.size()), this));
    form->addRow(QStringLiteral("应有现金"), new QLabel(numberform::twoDecimals(shift.expected), this));
    form->addRow(QStringLiteral("实点现金"), m_counted);
    form->addRow(QStringLiteral("差额"), m_difference);
    form->addRow(m_ok);
    connect(m_counted, &QLineEdit::textChanged, this, &TFormHandover::showDifference);
    connect(m_ok, &QPushButton::clicked, this, [this] { runGuarded(m_platform.dialogs, [this] { BitBtnOKClick(); }); });
}

std::optional<double> TFormHandover::counted() const
{
    bool ok = false;
    const double value = QLocale::c().toDouble(m_counted->text().trimmed(), &ok);
    if (!ok || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value;
}

void TFormHandover::showDifference()
{
    const std::optional<double> cash = counted();
    m_difference->setText(cash ? numberform::twoDecimals(staff::shiftCash(m_shift.cashFloat, m_shift.cashKept, *cash).difference)
                               : QString());
}

void TFormHandover::BitBtnOKClick()
{
    const std::optional<double> cash = counted();
    if (!cash) {
        m_platform.dialogs.showMessage(QStringLiteral("请输入点出的现金金额"));
        return;
    }
    const QDateTime now = m_platform.clock.now();
    // The slip first: when it cannot be printed, the shift stays open for another try.
    printLines(m_platform.printer, staff::slipLines(m_shift, *cash, now));
    staff::closeShift(m_db, m_shift, *cash, now);
    accept();
}

} // namespace ktv
