#pragma once

#include <QString>

class QTextStream;

namespace ktv::reports {

// --report KIND --from YYYY-MM-DD --to YYYY-MM-DD [--csv] on the venue database in folder: a data folder, or
// the server's address the start's venue location gave (store/venuelocation.h).
struct ReportRequest
{
    QString folder;
    QString kind;
    QString from;
    QString to;
    bool csv = false;
};

// Prints the report to out, or what is wrong to err. Returns the exit code: 0 printed, 1 the database could
// not be read, 2 the request itself is wrong (unknown report, bad date or range).
int runReportCommand(const ReportRequest &request, QTextStream &out, QTextStream &err);

} // namespace ktv::reports
