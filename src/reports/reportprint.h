#pragma once

#include "reporttable.h"

namespace ktv {
class ReceiptPrinter;
}

namespace ktv::reports {

// Prints a report on the printer service, or into a PDF file when one is named: the title, the column
// titles and the rows, in columns, the column titles again at the top of every further page. The font is
// made smaller when the table would not fit the page's width. A failing step drops the begun document.
void printReport(ReceiptPrinter &printer, const QString &pdfFile, const QString &title, const ReportTable &table);

} // namespace ktv::reports
