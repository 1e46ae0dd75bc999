#pragma once

#include <QString>
#include <QStringList>

// What start-up does when required settings are empty: the GUI opens the settings
// dialog once; the command-line tool names what is missing and stops.
class StartupDialogs {
  public:
    virtual ~StartupDialogs() = default;
    // Gives false to stop the start (the settings cannot be asked for).
    virtual bool configurarErp(const QString& configFile, const QStringList& missing) = 0;
    virtual bool configurarSql(const QString& configFile, const QString& catalogScript, bool option,
                               const QStringList& missing) = 0;
};
