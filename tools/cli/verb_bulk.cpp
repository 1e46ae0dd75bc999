#include <QCoreApplication>

#include "base/basedados.h"
#include "base/configlocation.h"
#include "base/configsql.h"
#include "base/datasbase.h"
#include "base/ficheiroconfig.h"
#include "output/enviotaloes.h"
#include "tools/cli/cli.h"

namespace {

const char* kUsage =
    "balantrix-cli bulk --mode customers|suppliers --from DD-MM-YYYY --to DD-MM-YYYY [--first CODIGO] [--last CODIGO] "
    "(--pdf | --email)";

QString estado(ResultadoTerceiro::Estado e) {
    switch (e) {
        case ResultadoTerceiro::Enviado:
            return QStringLiteral("sent");
        case ResultadoTerceiro::Gravado:
            return QStringLiteral("saved");
        case ResultadoTerceiro::SemEmail:
            return QStringLiteral("skipped");
        case ResultadoTerceiro::Falhou:
            return QStringLiteral("failed");
        case ResultadoTerceiro::NaoProcessado:
            break;
    }
    return QStringLiteral("notprocessed");
}

}  // namespace

// The bulk mailing without windows, for a scheduled monthly run: one line per party
// and a summary line; exit 1 when the run stopped or a party failed.
int verbBulk(Cli& cli) {
    bool m1 = false, m2 = false, m3 = false, m4 = false, m5 = false, hasFirst = false, hasLast = false;
    const QString mode = cli.take(QStringLiteral("--mode"), nullptr, &m1);
    const QString from = cli.take(QStringLiteral("--from"), nullptr, &m2);
    const QString to = cli.take(QStringLiteral("--to"), nullptr, &m3);
    const QString first = cli.take(QStringLiteral("--first"), &hasFirst, &m4);
    const QString last = cli.take(QStringLiteral("--last"), &hasLast, &m5);
    const bool pdf = cli.takeFlag(QStringLiteral("--pdf"));
    const bool email = cli.takeFlag(QStringLiteral("--email"));
    if (m1 || m2 || m3 || m4 || m5 || !cli.args.isEmpty() || pdf == email) return cli.usage(QString::fromUtf8(kUsage));
    PedidoEnvio pedido;
    if (mode == QStringLiteral("customers"))
        pedido.modo = 2;
    else if (mode == QStringLiteral("suppliers"))
        pedido.modo = 1;
    else
        return cli.usage(QString::fromUtf8(kUsage));
    QString motivo;
    const auto inicio = DatasBase::ler(from, &motivo);
    const auto fim = inicio ? DatasBase::ler(to, &motivo) : std::nullopt;
    if (!inicio || !fim) {
        cli.err << motivo << '\n';
        return cli.usage(QString::fromUtf8(kUsage));
    }
    if (const QString e = DatasBase::erroPeriodo(*inicio, *fim); !e.isEmpty()) {
        cli.err << e << '\n';
        return Cli::Usage;
    }
    pedido.inicio = *inicio;
    pedido.fim = *fim;
    if (hasFirst) pedido.primeiro = first;
    if (hasLast) pedido.ultimo = last;
    pedido.pdf = pdf;

    const QString programFolder = QCoreApplication::applicationDirPath();
    const FicheiroConfig file(ConfigLocation::configFile(programFolder, cli.configName));
    if (!file.exists()) {
        cli.err << "O ficheiro de configuração não existe: " << file.path() << '\n';
        return Cli::Failed;
    }
    BaseDados db;
    if (!db.abrir(ConfigSQL::ler(file))) {
        cli.err << "Não foi possível abrir a base de dados: " << db.ultimoErro() << '\n';
        return Cli::Failed;
    }
    EnvioTaloes envio(db, programFolder, file.path());
    const ResumoEnvio resumo = envio.executar(pedido, {}, [&](const ResultadoTerceiro& r) {
        cli.out << "party=" << r.codigo << " status=" << estado(r.estado) << " file=" << r.ficheiro << '\n';
        cli.out.flush();
        if (!r.erro.isEmpty()) cli.err << r.codigo << ": " << r.erro << '\n';
    });
    for (const ResultadoTerceiro& r : resumo.resultados)
        if (r.estado == ResultadoTerceiro::NaoProcessado)
            cli.out << "party=" << r.codigo << " status=" << estado(r.estado) << " file=\n";
    if (!resumo.erro.isEmpty()) cli.err << EnvioTaloes::textoSituacaoAnomala(resumo.erro) << '\n';
    cli.out << "parties=" << resumo.resultados.size() << " sent=" << resumo.contar(ResultadoTerceiro::Enviado)
            << " saved=" << resumo.contar(ResultadoTerceiro::Gravado)
            << " skipped=" << resumo.contar(ResultadoTerceiro::SemEmail)
            << " failed=" << resumo.contar(ResultadoTerceiro::Falhou)
            << " notprocessed=" << resumo.contar(ResultadoTerceiro::NaoProcessado) << '\n';
    cli.out.flush();
    cli.err.flush();
    return resumo.erro.isEmpty() && resumo.contar(ResultadoTerceiro::Falhou) == 0 ? Cli::Ok : Cli::Failed;
}
