#include "formjournal.h"

#include "reports/businessday.h"
#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/storeerror.h"
#include "widgets/numberforms.h"
#include "widgets/platform.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ktv {

namespace {

QPushButton *button(const QString &caption, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TFormJournal::TFormJournal(Database &db, const Platform &platform, QWidget *parent)
    : QDialog(parent), m_db(db), m_platform(platform), m_from(new QDateEdit(this)), m_to(new QDateEdit(this)),
      m_staff(new QLineEdit(this)), m_action(new QComboBox(this)), m_grid(new QTableWidget(this))
{
    setObjectName(QStringLiteral("FormJournal"));
    setWindowTitle(QStringLiteral("操作日志"));
    const QDate today = reports::businessDay(platform.clock.now());
    for (QDateEdit *edit : {m_from, m_to}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
        edit->setDate(today);
    }
    m_from->setObjectName(QStringLiteral("DateEditFrom"));
    m_to->setObjectName(QStringLiteral("DateEditTo"));
    m_staff->setObjectName(QStringLiteral("EditStaff"));
    m_action->setObjectName(QStringLiteral("ComboAction"));
    m_action->addItems({QString(), QStringLiteral("登录"), QStringLiteral("开房"), QStringLiteral("退房"),
                        QStringLiteral("收费"), QStringLiteral("抹零"), QStringLiteral("欠帐"), QStringLiteral("删除酒水"),
                        QStringLiteral("修改数量"), QStringLiteral("修改价格"), QStringLiteral("清空数据"),
                        QStringLiteral("恢复备份"), QStringLiteral("员工"), QStringLiteral("交班"), QStringLiteral("换房"),
                        QStringLiteral("订金")});
    m_grid->setObjectName(QStringLiteral("GridJournal"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPushButton *query = button(QStringLiteral("查询"), "BitBtnQuery", this);
    QPushButton *exportCsv = button(QStringLiteral("导出"), "BitBtnExport", this);
    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("从"), this));
    filters->addWidget(m_from);
    filters->addWidget(new QLabel(QStringLiteral("到"), this));
    filters->addWidget(m_to);
    filters->addWidget(new QLabel(QStringLiteral("员工"), this));
    filters->addWidget(m_staff);
    filters->addWidget(new QLabel(QStringLiteral("操作"), this));
    filters->addWidget(m_action);
    filters->addWidget(query);
    filters->addWidget(exportCsv);
    filters->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_grid, 1);
    connect(query, &QPushButton::clicked, this, [this] { runGuarded(m_platform.dialogs, [this] { BitBtnQueryClick(); }); });
    connect(exportCsv, &QPushButton::clicked, this,
            [this] { runGuarded(m_platform.dialogs, [this] { BitBtnExportClick(); }); });
    runGuarded(m_platform.dialogs, [this] { BitBtnQueryClick(); });
}

// The rows of the chosen business days, read by the index on their time, oldest first.
void TFormJournal::BitBtnQueryClick()
{
    const reports::DateRange range{m_from->date(), m_to->date()};
    if (const QString problem = reports::rangeProblem(range); !problem.isEmpty()) {
        m_platform.dialogs.showMessage(problem);
        return;
    }
    QString sql = QStringLiteral("SELECT Journal_time, Journal_station, Journal_staff, Journal_authorised, "
                                 "Journal_action, Journal_visit, Journal_room, Journal_amount, Journal_before, "
                                 "Journal_after, Journal_reason FROM Journal WHERE Journal_time >= ? AND Journal_time < ?");
    QVariantList binds{fieldvalue::dateTimeStorageForm(range.start()), fieldvalue::dateTimeStorageForm(range.end())};
    if (const QString staff = m_staff->text().trimmed(); !staff.isEmpty()) {
        sql += QStringLiteral(" AND Journal_staff = ?");
        binds << staff;
    }
    if (!m_action->currentText().isEmpty()) {
        sql += QStringLiteral(" AND Journal_action = ?");
        binds << m_action->currentText();
    }
    sql += QStringLiteral(" ORDER BY Journal_time, Journal_id");
    reports::ReportTable table;
    table.columns = {{QStringLiteral("time"), QStringLiteral("时间"), false},
                     {QStringLiteral("station"), QStringLiteral("收银台"), false},
                     {QStringLiteral("staff"), QStringLiteral("员工"), false},
                     {QStringLiteral("authorised"), QStringLiteral("授权人"), false},
                     {QStringLiteral("action"), QStringLiteral("操作"), false},
                     {QStringLiteral("visit"), QStringLiteral("开房流水号")},
                     {QStringLiteral("room"), QStringLiteral("房间"), false},
                     {QStringLiteral("amount"), QStringLiteral("金额")},
                     {QStringLiteral("before"), QStringLiteral("之前")},
                     {QStringLiteral("after"), QStringLiteral("之后")},
                     {QStringLiteral("reason"), QStringLiteral("原因"), false}};
    QSqlQuery rows = m_db.run(sql, binds);
    while (rows.next()) {
        QStringList cells;
        cells << rows.value(0).toString().left(19);
        for (int c = 1; c <= 6; ++c)
            cells << rows.value(c).toString();
        for (int c = 7; c <= 9; ++c)
            cells << (rows.value(c).isNull() ? QString() : numberform::plainDecimal(rows.value(c)));
        cells << rows.value(10).toString();
        table.rows << cells;
    }
    m_shown = table;
    m_grid->clear();
    m_grid->setColumnCount(int(table.columns.size()));
    m_grid->setHorizontalHeaderLabels(table.captions());
    m_grid->setRowCount(int(table.rows.size()));
    for (int r = 0; r < table.rows.size(); ++r) {
        for (int c = 0; c < table.rows[r].size(); ++c)
            m_grid->setItem(r, c, new QTableWidgetItem(table.rows[r][c]));
    }
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

void TFormJournal::BitBtnExportClick()
{
    const QString file = m_platform.dialogs.askSaveFileName(
        QStringLiteral("导出操作日志"),
        QStringLiteral("journal-%1-%2.csv").arg(m_from->date().toString(QStringLiteral("yyyyMMdd")),
                                                m_to->date().toString(QStringLiteral("yyyyMMdd"))),
        QStringLiteral("CSV (*.csv)"));
    if (file.isEmpty())
        return;
    reports::saveCsv(file, m_shown);
}

} // namespace ktv
