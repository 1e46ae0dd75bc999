#include "tests/support/clirun.h"

#include <QProcess>

QString CliRun::value(const QString& key) const {
    for (const QString& l : out.split(QLatin1Char('\n')))
        if (l.startsWith(key + QLatin1Char('='))) return l.mid(key.size() + 1);
    return {};
}

QStringList CliRun::lines() const {
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString CliRun::line(qint32 id) const {
    for (const QString& l : lines())
        if (l.startsWith(QStringLiteral("hist_id=%1 ").arg(id))) return l;
    return {};
}

CliRun runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(60000);
    CliRun r;
    r.crashed = p.exitStatus() == QProcess::CrashExit;
    r.code = r.crashed ? -1 : p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

CliRun runCli(const QStringList& args, const QProcessEnvironment& env) {
    return runProgram(qEnvironmentVariable("BALANTRIX_BIN") + QStringLiteral("/balantrix-cli"), args, env);
}
