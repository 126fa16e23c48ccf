#pragma once

// Runs the program itself (KTV_PROGRAM), as a script or a person at a terminal does.

#include <QProcess>
#include <QString>
#include <QStringList>

struct ProgramRun
{
    int code = -1;
    QString out;
    QString err;
};

inline ProgramRun ktvWith(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(QStringLiteral(KTV_PROGRAM), arguments);
    process.write(input);
    process.closeWriteChannel();
    ProgramRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
