#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One run of a command-line program, as the tests look at it.
struct CliRun {
    int code = -1;         // -1 when the program did not end by itself
    bool crashed = false;  // killed or crashed
    QString out, err;

    // The value of a `key=value` line of standard output; empty when there is none.
    QString value(const QString& key) const;
    QStringList lines() const;
    // The line of a list that starts with hist_id=ID.
    QString line(qint32 id) const;
};

CliRun runProgram(const QString& program, const QStringList& args,
                  const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());
// balantrix-cli of this build.
CliRun runCli(const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());
