#include "printservice.h"

#include "printqueue.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace ktv {

PrinterDescription SystemPrintService::defaultPrinter() const
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    PrinterDescription printer;
    if (info.isNull())
        return printer;
    printer.name = info.printerName();
    printer.pageSize = info.defaultPageSize();
    printer.acceptsJobs = printQueueAcceptsJobs(printer.name).value_or(true);
    printer.stopped = info.state() == QPrinter::Error;
    return printer;
}

} // namespace ktv
