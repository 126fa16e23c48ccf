#pragma once

#include "reportquery.h"
#include "reporttable.h"

#include "widgets/platform.h"

#include <QDialog>

#include <functional>

class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace ktv {

class Database;
class TDataModule1;

// The takings, room and drinks reports of a range of business days, as tables and charts; the report on
// show is exported to CSV or printed. Reads only.
class TFormReports : public QDialog
{
    Q_OBJECT
public:
    // The ranges offered, in the order of ComboBoxRange.
    enum Range { Today, Week, Month, Chosen };

    TFormReports(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    QComboBox *ComboBoxRange() const { return m_rangeBox; }
    QDateEdit *DateEditFrom() const { return m_from; }
    QDateEdit *DateEditTo() const { return m_to; }
    QPushButton *BitBtnQuery() const { return m_query; }
    QTabWidget *PageControlReports() const { return m_pages; }
    QTableWidget *grid(reports::ReportKind kind) const;
    QChartView *ChartTakings() const { return m_takingsChart; }
    QChartView *ChartSplit() const { return m_splitChart; }
    QChartView *ChartDrinks() const { return m_drinksChart; }
    QPushButton *BitBtnExportCsv() const { return m_exportCsv; }
    QPushButton *BitBtnPrint() const { return m_print; }
    QPushButton *BitBtnPrintPdf() const { return m_printPdf; }

    const reports::ReportSet &shown() const { return m_shown; }
    reports::ReportKind shownKind() const;

    void FormCreate();                 // this month's reports
    void ComboBoxRangeChange();        // a preset shows its reports at once
    void DateEditChange();             // typed dates wait for the query button
    void BitBtnQueryClick();
    void BitBtnExportCsvClick();
    void BitBtnPrintClick();
    void BitBtnPrintPdfClick();

private:
    void buildScreen();
    // A handler run inside the general error display.
    std::function<void()> guarded(void (TFormReports::*handler)());
    QWidget *buildRangeBar();
    QWidget *buildButtons();
    void showReports(const reports::DateRange &range);
    void fillGrid(reports::ReportKind kind);
    QString title() const;
    QString suggestedFileName(const QString &extension) const;

    Database &m_db;
    Platform m_platform;
    reports::ReportSet m_shown;

    QComboBox *m_rangeBox = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QPushButton *m_query = nullptr;
    QLabel *m_rangeLabel = nullptr;
    QTabWidget *m_pages = nullptr;
    QList<QTableWidget *> m_grids;
    QChartView *m_takingsChart = nullptr;
    QChartView *m_splitChart = nullptr;
    QChartView *m_drinksChart = nullptr;
    QPushButton *m_exportCsv = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_printPdf = nullptr;
};

} // namespace ktv
