#include "formreports.h"

#include "reportcharts.h"
#include "reportprint.h"

#include "store/datamodule.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ktv {

using namespace reports;

namespace {

const QList<ReportKind> kKinds{ReportKind::Takings, ReportKind::Rooms, ReportKind::Drinks};

// GridTakings, GridRooms, GridDrinks
QString gridName(ReportKind kind)
{
    QString name = kindName(kind);
    name[0] = name[0].toUpper();
    return QStringLiteral("Grid") + name;
}

// The wait cursor while a report is read: a long range of a big venue takes a moment.
struct WaitCursor
{
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

QChartView *chartView(const char *name, QWidget *parent)
{
    auto *view = new QChartView(new QChart, parent);
    view->setObjectName(QLatin1String(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(320, 240);
    return view;
}

QPushButton *button(const char *name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QDateEdit *dateEdit(const char *name, QWidget *parent)
{
    auto *edit = new QDateEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setCalendarPopup(true);
    return edit;
}

} // namespace

TFormReports::TFormReports(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : QDialog(parent), m_db(data.database()), m_platform(platform)
{
    setObjectName(QStringLiteral("FormReports"));
    setWindowTitle(QStringLiteral("营业报表"));
    buildScreen();
    FormCreate();
}

void TFormReports::buildScreen()
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildRangeBar());

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControlReports"));
    for (ReportKind kind : kKinds) {
        auto *grid = new QTableWidget(this);
        grid->setObjectName(gridName(kind));
        grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        grid->setSelectionBehavior(QAbstractItemView::SelectRows);
        grid->verticalHeader()->hide();
        m_grids.append(grid);
    }
    m_takingsChart = chartView("ChartTakings", this);
    m_splitChart = chartView("ChartSplit", this);
    m_drinksChart = chartView("ChartDrinks", this);

    auto *takingsPage = new QSplitter(Qt::Horizontal, this);
    takingsPage->addWidget(m_grids[0]);
    auto *charts = new QSplitter(Qt::Vertical, takingsPage);
    charts->addWidget(m_takingsChart);
    charts->addWidget(m_splitChart);
    takingsPage->addWidget(charts);
    takingsPage->setStretchFactor(1, 1);
    auto *drinksPage = new QSplitter(Qt::Horizontal, this);
    drinksPage->addWidget(m_grids[2]);
    drinksPage->addWidget(m_drinksChart);
    drinksPage->setStretchFactor(1, 1);
    m_pages->addTab(takingsPage, kindCaption(ReportKind::Takings));
    m_pages->addTab(m_grids[1], kindCaption(ReportKind::Rooms));
    m_pages->addTab(drinksPage, kindCaption(ReportKind::Drinks));
    layout->addWidget(m_pages, 1);
    layout->addWidget(buildButtons());
    resize(1100, 720);
}

QWidget *TFormReports::buildRangeBar()
{
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    m_rangeBox = new QComboBox(bar);
    m_rangeBox->setObjectName(QStringLiteral("ComboBoxRange"));
    m_rangeBox->addItems({QStringLiteral("本营业日"), QStringLiteral("本周"), QStringLiteral("本月"),
                          QStringLiteral("自选日期")});
    m_from = dateEdit("DateEditFrom", bar);
    m_to = dateEdit("DateEditTo", bar);
    m_query = button("BitBtnQuery", QStringLiteral("查询"), bar);
    m_rangeLabel = new QLabel(bar);
    m_rangeLabel->setObjectName(QStringLiteral("LabelRange"));
    row->addWidget(new QLabel(QStringLiteral("营业日范围:"), bar));
    row->addWidget(m_rangeBox);
    row->addWidget(m_from);
    row->addWidget(new QLabel(QStringLiteral("至"), bar));
    row->addWidget(m_to);
    row->addWidget(m_query);
    row->addWidget(m_rangeLabel, 1);

    connect(m_rangeBox, &QComboBox::activated, this, guarded(&TFormReports::ComboBoxRangeChange));
    connect(m_from, &QDateEdit::dateChanged, this, guarded(&TFormReports::DateEditChange));
    connect(m_to, &QDateEdit::dateChanged, this, guarded(&TFormReports::DateEditChange));
    connect(m_query, &QPushButton::clicked, this, guarded(&TFormReports::BitBtnQueryClick));
    return bar;
}

QWidget *TFormReports::buildButtons()
{
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    m_exportCsv = button("BitBtnExportCsv", QStringLiteral("导出CSV"), bar);
    m_print = button("BitBtnPrint", QStringLiteral("打印"), bar);
    m_printPdf = button("BitBtnPrintPdf", QStringLiteral("打印到PDF"), bar);
    auto *close = button("BitBtnClose", QStringLiteral("关闭"), bar);
    row->addStretch(1);
    for (QPushButton *b : {m_exportCsv, m_print, m_printPdf, close})
        row->addWidget(b);

    connect(m_exportCsv, &QPushButton::clicked, this, guarded(&TFormReports::BitBtnExportCsvClick));
    connect(m_print, &QPushButton::clicked, this, guarded(&TFormReports::BitBtnPrintClick));
    connect(m_printPdf, &QPushButton::clicked, this, guarded(&TFormReports::BitBtnPrintPdfClick));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    return bar;
}

std::function<void()> TFormReports::guarded(void (TFormReports::*handler)())
{
    return [this, handler] { runGuarded(m_platform.dialogs, [this, handler] { (this->*handler)(); }); };
}

QTableWidget *TFormReports::grid(ReportKind kind) const { return m_grids.at(kKinds.indexOf(kind)); }

ReportKind TFormReports::shownKind() const { return kKinds.at(std::max(0, m_pages->currentIndex())); }

void TFormReports::FormCreate()
{
    m_rangeBox->setCurrentIndex(Month);
    ComboBoxRangeChange();
}

void TFormReports::ComboBoxRangeChange()
{
    const QDateTime now = m_platform.clock.now();
    switch (m_rangeBox->currentIndex()) {
    case Today:
        return showReports(thisBusinessDay(now));
    case Week:
        return showReports(thisWeek(now));
    case Month:
        return showReports(thisMonth(now));
    default:
        return; // chosen dates wait for the query button
    }
}

void TFormReports::DateEditChange() { m_rangeBox->setCurrentIndex(Chosen); }

void TFormReports::BitBtnQueryClick()
{
    const DateRange range{m_from->date(), m_to->date()};
    const QString problem = rangeProblem(range);
    if (!problem.isEmpty()) {
        m_platform.dialogs.showMessage(problem);
        return;
    }
    m_rangeBox->setCurrentIndex(Chosen);
    showReports(range);
}

void TFormReports::showReports(const DateRange &range)
{
    {
        const WaitCursor wait;
        m_shown = readReports(m_db, range);
    }
    {
        // Showing the range is no choice of dates by the owner.
        const QSignalBlocker fromBlocker(m_from);
        const QSignalBlocker toBlocker(m_to);
        m_from->setDate(range.from);
        m_to->setDate(range.to);
    }
    m_rangeLabel->setText(QStringLiteral("营业日 %1 至 %2，每个营业日从 06:00 到次日 06:00")
                              .arg(range.from.toString(Qt::ISODate), range.to.toString(Qt::ISODate)));
    for (ReportKind kind : kKinds)
        fillGrid(kind);
    replaceChart(m_takingsChart, takingsChart(m_shown.takings));
    replaceChart(m_splitChart, splitChart(m_shown.takings.total));
    replaceChart(m_drinksChart, topDrinksChart(m_shown.drinks));
}

void TFormReports::fillGrid(ReportKind kind)
{
    const ReportTable table = reportTable(m_shown, kind);
    QTableWidget *g = grid(kind);
    g->clear();
    g->setColumnCount(int(table.columns.size()));
    g->setRowCount(int(table.rows.size()));
    g->setHorizontalHeaderLabels(table.captions());
    for (int r = 0; r < table.rows.size(); ++r) {
        for (int c = 0; c < table.rows[r].size(); ++c) {
            auto *item = new QTableWidgetItem(table.rows[r][c]);
            if (table.columns[c].numeric)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            g->setItem(r, c, item);
        }
    }
    g->resizeColumnsToContents();
    // The whole table in view: the charts beside it take what room is left.
    g->setMinimumWidth(g->horizontalHeader()->length() + g->verticalScrollBar()->sizeHint().width() +
                       2 * g->frameWidth());
}

QString TFormReports::title() const
{
    return QStringLiteral("营业报表 · %1  营业日 %2 至 %3")
        .arg(kindCaption(shownKind()), m_shown.range.from.toString(Qt::ISODate),
             m_shown.range.to.toString(Qt::ISODate));
}

QString TFormReports::suggestedFileName(const QString &extension) const
{
    return QDir::home().filePath(QStringLiteral("%1-%2-%3.%4")
                                     .arg(kindName(shownKind()), m_shown.range.from.toString(Qt::ISODate),
                                          m_shown.range.to.toString(Qt::ISODate), extension));
}

void TFormReports::BitBtnExportCsvClick()
{
    const QString file = m_platform.dialogs.askSaveFileName(QStringLiteral("导出报表"), suggestedFileName(QStringLiteral("csv")),
                                                           QStringLiteral("CSV 文件 (*.csv)"));
    if (file.isEmpty())
        return;
    saveCsv(file, reportTable(m_shown, shownKind()));
    m_platform.dialogs.showMessage(QStringLiteral("报表已导出到 %1").arg(QDir::toNativeSeparators(file)));
}

void TFormReports::BitBtnPrintClick()
{
    printReport(m_platform.printer, QString(), title(), reportTable(m_shown, shownKind()));
    m_platform.dialogs.showMessage(QStringLiteral("报表已送往打印机。"));
}

void TFormReports::BitBtnPrintPdfClick()
{
    const QString file = m_platform.dialogs.askSaveFileName(
        QStringLiteral("打印到PDF"), suggestedFileName(QStringLiteral("pdf")), QStringLiteral("PDF 文件 (*.pdf)"));
    if (file.isEmpty())
        return;
    printReport(m_platform.printer, file, title(), reportTable(m_shown, shownKind()));
    m_platform.dialogs.showMessage(QStringLiteral("报表已保存为 %1").arg(QDir::toNativeSeparators(file)));
}

} // namespace ktv
