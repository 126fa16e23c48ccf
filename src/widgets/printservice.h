#pragma once

#include <QPageSize>
#include <QString>

namespace ktv {

// What the print service tells of the system's default printer, asked afresh for every receipt.
struct PrinterDescription
{
    QString name;            // empty: the system has no default printer
    QPageSize pageSize;      // the printer's own default paper; invalid when it names none
    bool acceptsJobs = true; // false: the print service refuses new jobs for this printer
    bool stopped = false;    // the service reports the printer stopped or in error: a job would only wait
};

class PrintService
{
public:
    virtual ~PrintService() = default;
    virtual PrinterDescription defaultPrinter() const = 0;
};

// The system's print service as Qt's printing sees it; where Qt does not say whether a printer takes jobs,
// the platform's print queue is asked.
class SystemPrintService : public PrintService
{
public:
    PrinterDescription defaultPrinter() const override;
};

} // namespace ktv
