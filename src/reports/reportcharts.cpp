#include "reportcharts.h"

#include "widgets/numberforms.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHorizontalBarSeries>
#include <QLegend>
#include <QLegendMarker>
#include <QPieSeries>
#include <QPieSlice>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>

namespace ktv::reports {

namespace {

QChart *newChart(const QString &title)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

// top: the largest value shown. With nothing to show the scale still runs from 0 to 10: Qt finds no nice
// numbers for a range from 0 to 0.
void attachAxes(QChart *chart, QAbstractSeries *series, const QStringList &categories, double top,
                Qt::Alignment categorySide, Qt::Alignment valueSide)
{
    auto *categoryAxis = new QBarCategoryAxis;
    categoryAxis->append(categories);
    auto *valueAxis = new QValueAxis;
    valueAxis->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(categoryAxis, categorySide);
    chart->addAxis(valueAxis, valueSide);
    series->attachAxis(categoryAxis);
    series->attachAxis(valueAxis);
    valueAxis->setRange(0, top > 0 ? top : 10);
    valueAxis->applyNiceNumbers();
}

} // namespace

QChart *takingsChart(const Takings &takings)
{
    QChart *chart = newChart(QStringLiteral("每日营业额（房费 + 酒水）"));
    auto *room = new QBarSet(QStringLiteral("房费"));
    auto *drinks = new QBarSet(QStringLiteral("酒水"));
    QStringList days;
    double top = 0;
    for (const TakingsRow &row : takings.days) {
        top = std::max(top, row.room + row.drinks);
        room->append(row.room);
        drinks->append(row.drinks);
        days.append(row.day.toString(QStringLiteral("MM-dd")));
    }
    auto *series = new QStackedBarSeries;
    series->setObjectName(QStringLiteral("SeriesTakings"));
    series->append(room);
    series->append(drinks);
    chart->addSeries(series);
    attachAxes(chart, series, days, top, Qt::AlignBottom, Qt::AlignLeft);
    return chart;
}

QChart *splitChart(const TakingsRow &total)
{
    QChart *chart = newChart(QStringLiteral("房费与酒水"));
    auto *series = new QPieSeries;
    series->setObjectName(QStringLiteral("SeriesSplit"));
    const double sum = total.room + total.drinks;
    // The room charges' slice centred on the left, the drinks' on the right, whatever their shares: a label
    // stands beside its slice then. A thin slice at the top would push its label above the chart, and Qt
    // hides a label that leaves the chart.
    if (sum > 0) {
        const double start = 270.0 - total.room / sum * 180.0; // clockwise from the top, in degrees
        series->setPieStartAngle(start);
        series->setPieEndAngle(start + 360.0);
    }
    series->setPieSize(0.6);
    // Beside a slice its share only, short enough to fit a small chart; the legend gives the amounts.
    QStringList amounts;
    for (const auto &[name, value] : {std::pair{QStringLiteral("房费"), total.room},
                                      std::pair{QStringLiteral("酒水"), total.drinks}}) {
        QPieSlice *slice = series->append(name, value);
        slice->setLabel(sum > 0 ? QStringLiteral("%1 %2%").arg(name, QString::number(value / sum * 100.0, 'f', 1))
                                : name);
        slice->setLabelVisible(sum > 0);
        amounts.append(QStringLiteral("%1 %2").arg(name, numberform::twoDecimals(value)));
    }
    chart->addSeries(series);
    const QList<QLegendMarker *> markers = chart->legend()->markers(series);
    for (qsizetype i = 0; i < markers.size() && i < amounts.size(); ++i)
        markers[i]->setLabel(amounts[i]);
    return chart;
}

QChart *topDrinksChart(const QList<DrinkRow> &drinks, int count)
{
    QChart *chart = newChart(QStringLiteral("畅销酒水前十（数量）"));
    chart->legend()->hide();
    auto *quantity = new QBarSet(QStringLiteral("数量"));
    QStringList names;
    double top = 0;
    // Horizontal bars run from the bottom up: the best seller goes in last, to stand at the top.
    const qsizetype shown = std::min<qsizetype>(count, drinks.size());
    for (qsizetype i = shown - 1; i >= 0; --i) {
        const DrinkRow &row = drinks[i];
        quantity->append(double(row.quantity));
        top = std::max(top, double(row.quantity));
        // The code keeps two drinks of one name apart: categories must differ.
        names.append(row.name.isEmpty() ? row.code : row.code + u' ' + row.name);
    }
    auto *series = new QHorizontalBarSeries;
    series->setObjectName(QStringLiteral("SeriesTopDrinks"));
    series->append(quantity);
    chart->addSeries(series);
    attachAxes(chart, series, names, top, Qt::AlignLeft, Qt::AlignBottom);
    return chart;
}

void replaceChart(QChartView *view, QChart *chart)
{
    QChart *old = view->chart();
    view->setChart(chart);
    delete old;
}

} // namespace ktv::reports
