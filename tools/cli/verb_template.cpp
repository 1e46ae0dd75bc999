#include <QCoreApplication>

#include "base/basedados.h"
#include "base/configlocation.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "output/consultaleitura.h"
#include "output/modelotalao.h"
#include "tools/cli/cli.h"

namespace {

const char* kUso = "balantrix-cli template check FICHEIRO [--dialect sqlite|mssql|postgresql]";

int recusado(Cli& cli, const QString& motivo) {
    QString v = motivo;
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    cli.out << "ok=0 reason=" << Cli::quoted(v) << '\n';
    cli.out.flush();
    return Cli::Failed;
}

}  // namespace

// The judgement a template gets before it runs, for an administrator about to install
// one: the text by the dialect's rules and, when this workstation's database is SQLite
// and can be opened, its queries prepared on the templates' protected connection.
int verbTemplate(Cli& cli) {
    const QString sub = cli.args.isEmpty() ? QString() : cli.args.takeFirst();
    bool semValor = false;
    bool dado = false;
    const QString dialecto = cli.take(QStringLiteral("--dialect"), &dado, &semValor).toLower();
    if (sub != QStringLiteral("check") || semValor || cli.args.size() != 1 ||
        (dado && dialecto != QStringLiteral("sqlite") && dialecto != QStringLiteral("mssql") &&
         dialecto != QStringLiteral("postgresql")))
        return cli.usage(QString::fromUtf8(kUso));

    const FicheiroConfig file(ConfigLocation::configFile(QCoreApplication::applicationDirPath(), cli.configName));
    const SqlSettings settings = file.exists() ? ConfigSQL::ler(file) : SqlSettings{};
    const Backend d = !dado                                      ? (file.exists() ? settings.kind() : Backend::Sqlite)
                      : dialecto == QStringLiteral("mssql")      ? Backend::Mssql
                      : dialecto == QStringLiteral("postgresql") ? Backend::Postgresql
                                                                 : Backend::Sqlite;

    ModeloTalao m;
    bool ok = m.carregar(cli.args[0], ModeloTalao::valoresTalao(), d);
    if (!ok && m.modo() == ModeloTalao::Modo::Extracto) ok = m.carregar(cli.args[0], ModeloTalao::valoresExtracto(), d);
    if (!ok) return recusado(cli, m.erro());

    bool comBase = false;
    if (d == Backend::Sqlite && file.exists() && settings.kind() == Backend::Sqlite) {
        ConsultaLeitura leitura(settings);
        try {
            leitura.preparar(m.consulta());
            if (!m.totais().isEmpty()) leitura.preparar(m.totais());
            comBase = true;
        } catch (const ErroOperacao& e) {
            if (e.descricao().startsWith(QStringLiteral("A ligação dos modelos de talão não abriu")))
                cli.err << e.descricao() << '\n';  // no database here: the text alone is judged
            else
                return recusado(
                    cli, QStringLiteral("O modelo de talão %1 não pode ser usado: %2").arg(m.caminho(), e.descricao()));
        }
    }
    cli.result(QStringLiteral("ok"), QStringLiteral("1"));
    cli.result(QStringLiteral("mode"),
               m.modo() == ModeloTalao::Modo::Extracto ? QStringLiteral("statement") : QStringLiteral("ticket"));
    cli.result(QStringLiteral("checked"), comBase ? QStringLiteral("text,database") : QStringLiteral("text"));
    return Cli::Ok;
}
