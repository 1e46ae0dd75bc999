#include "tools/cli/cli.h"

QString Cli::take(const QString& name, bool* present, bool* missingValue) {
    if (present) *present = false;
    if (missingValue) *missingValue = false;
    const int i = int(args.indexOf(name));
    if (i < 0) return {};
    if (present) *present = true;
    if (i + 1 >= args.size()) {
        if (missingValue) *missingValue = true;
        args.removeAt(i);
        return {};
    }
    const QString v = args.at(i + 1);
    args.remove(i, 2);
    return v;
}

QString Cli::quoted(const QString& v) {
    bool especial = v.isEmpty();
    for (QChar c : v)
        if (c.isSpace() || c == QLatin1Char('"') || c == QLatin1Char('=') || c == QLatin1Char('\\')) especial = true;
    if (!especial) return v;
    QString q = v;
    q.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    q.replace(QLatin1String("\""), QLatin1String("\\\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

bool Cli::takeFlag(const QString& name) {
    return args.removeAll(name) > 0;
}

int Cli::usage(const QString& text) {
    err << "Utilização: " << text << '\n';
    err.flush();
    return Usage;
}

bool CliMessages::mostrarAviso(int tipo, const QString& texto) {
    m_err << texto << '\n';
    m_err.flush();
    // Without an operator to ask, questions are answered with the safe choice.
    return tipo == Informacao || tipo == CampoObrigatorio;
}

void CliMessages::mostrarEstado(int, const QString& texto) {
    m_err << texto << '\n';
    m_err.flush();
}

void CliMessages::mensagem(const QString& texto) {
    m_err << texto << '\n';
    m_err.flush();
}

void CliMessages::progresso(const QString& texto, int, int) {
    // One line per step, as it starts: a long first start is never silent.
    m_err << texto << '\n';
    m_err.flush();
}

bool CliDialogs::configurarErp(const QString& configFile, const QStringList& missing) {
    m_err << "Configuração do ERP incompleta em " << configFile << ": falta(m) " << missing.join(QStringLiteral(", "))
          << '\n';
    m_err.flush();
    return false;
}

bool CliDialogs::configurarSql(const QString& configFile, const QString&, bool, const QStringList& missing) {
    m_err << "Configuração da base de dados incompleta em " << configFile << ": falta(m) "
          << missing.join(QStringLiteral(", ")) << '\n';
    m_err.flush();
    return false;
}
