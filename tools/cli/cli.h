#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include "app/startupdialogs.h"
#include "base/operatormessages.h"

// What every verb of balantrix-cli receives: its arguments, the configuration name
// chosen with --config, and the two output streams. Results go to standard output as
// key=value lines; the program's own messages go to standard error.
struct Cli {
    QStringList args;    // after the verb
    QString configName;  // --config NAME, empty for Balantrix.kel
    QTextStream& out;
    QTextStream& err;

    // Exit codes.
    static constexpr int Ok = 0, Failed = 1, Usage = 2;

    // Takes "--name value" out of args; empty when absent. Sets `missingValue` when the
    // option is there without a value.
    QString take(const QString& name, bool* present = nullptr, bool* missingValue = nullptr);
    bool takeFlag(const QString& name);
    int usage(const QString& text);
    // A value of a key=value line: quoted when it holds a space, a quote, '=' or a backslash.
    static QString quoted(const QString& v);
    void result(const QString& key, const QString& value) {
        out << key << '=' << value << '\n';
        out.flush();
    }
};

// Operator messages of the tool: the text on standard error.
class CliMessages : public OperatorMessages {
  public:
    explicit CliMessages(QTextStream& err) : m_err(err) {}
    bool mostrarAviso(int tipo, const QString& texto) override;
    void mostrarEstado(int estado, const QString& texto) override;
    void mensagem(const QString& texto) override;
    void progresso(const QString& texto, int feito, int total) override;

  private:
    QTextStream& m_err;
};

// The tool never opens a settings dialog: it names the missing settings and stops.
class CliDialogs : public StartupDialogs {
  public:
    explicit CliDialogs(QTextStream& err) : m_err(err) {}
    bool configurarErp(const QString& configFile, const QStringList& missing) override;
    bool configurarSql(const QString& configFile, const QString& script, bool option,
                       const QStringList& missing) override;

  private:
    QTextStream& m_err;
};

// Verbs.
int verbDemo(Cli& cli);
int verbDb(Cli& cli);
int verbErp(Cli& cli);
int verbScale(Cli& cli);
int verbTicket(Cli& cli);
int verbBulk(Cli& cli);
int verbWeigh(Cli& cli);
int verbPending(Cli& cli);
int verbHistory(Cli& cli);
int verbReport(Cli& cli);
int verbAlibi(Cli& cli);
int verbOption(Cli& cli);
int ticketVerify(Cli& cli);
int ticketPublicKey(Cli& cli);

// Opens the database named by the configuration file and makes sure the program's
// alibi, options and key tables exist. False with the reason on standard error.
bool abrirBaseDados(Cli& cli, class BaseDados& db, bool avisar = true);
int verbCounters(Cli& cli);
int verbTemplate(Cli& cli);
int verbTruck(Cli& cli);
