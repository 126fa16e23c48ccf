#pragma once

#include "reportsums.h"

class QChart;
class QChartView;

// The report window's charts, drawn with Qt Charts from the unrounded sums.
namespace ktv::reports {

// Takings per business day as stacked bars: room charges below, drinks on top.
QChart *takingsChart(const Takings &takings);
// The split of the range's takings between room charges and drinks.
QChart *splitChart(const TakingsRow &total);
// The best-selling drinks by quantity, at most count of them, the best at the top.
QChart *topDrinksChart(const QList<DrinkRow> &drinks, int count = 10);

// Shows chart in view, which owns it from then on, and deletes the chart it showed before.
void replaceChart(QChartView *view, QChart *chart);

} // namespace ktv::reports
