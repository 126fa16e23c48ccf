#include "printqueue.h"

#if KTV_HAVE_CUPS
#include <QByteArray>

#include <cups/cups.h>
#endif

namespace ktv {

std::optional<bool> printQueueAcceptsJobs(const QString &printerName)
{
#if KTV_HAVE_CUPS
    // Qt names an instance of a CUPS queue "queue/instance".
    const QByteArray queue = printerName.section(u'/', 0, 0).toLocal8Bit();
    const QByteArray instance = printerName.section(u'/', 1).toLocal8Bit();
    cups_dest_t *dest =
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.constData(), instance.isEmpty() ? nullptr : instance.constData());
    if (!dest)
        return std::nullopt;
    std::optional<bool> accepts;
    if (const char *value = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options))
        accepts = qstricmp(value, "false") != 0;
    cupsFreeDests(1, dest);
    return accepts;
#else
    (void)printerName; // the print system keeps no such setting, or Qt's printing reports it
    return std::nullopt;
#endif
}

} // namespace ktv
