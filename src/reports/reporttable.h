#pragma once

#include "reportquery.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The reports as text tables: what the command line prints, the window lists, CSV export writes and the
// printer prints. Amounts carry two decimals, rounded from the unrounded sums.
namespace ktv::reports {

enum class ReportKind { Takings, Rooms, Drinks, Staff };

// "takings", "rooms", "drinks", "staff"
QString kindName(ReportKind kind);
std::optional<ReportKind> kindNamed(const QString &name);
QString kindCaption(ReportKind kind); // the report's title for the owner

struct ReportColumn
{
    QString key;     // the CSV header
    QString caption; // the column title in the window and on paper
    bool numeric = true;
};

struct ReportTable
{
    QList<ReportColumn> columns;
    QList<QStringList> rows;

    QStringList keys() const;
    QStringList captions() const;
};

ReportTable reportTable(const ReportSet &reports, ReportKind kind);

// Comma-separated, a header of the column keys, one line per row, fields quoted only where they must be.
QString toCsv(const ReportTable &table);

// Writes the CSV text into a file, whole or not at all, with a byte-order mark so that spreadsheet programs
// read its Chinese names as UTF-8. Throws StoreError naming the file when it cannot be written.
void saveCsv(const QString &path, const ReportTable &table);

// Columns padded to line up in a terminal (a Chinese character is two columns wide): numbers to the right,
// text to the left; with captions instead of keys when asked.
QStringList alignedLines(const ReportTable &table, bool captions = false);

} // namespace ktv::reports
