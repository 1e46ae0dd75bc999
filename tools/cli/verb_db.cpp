#include <QCoreApplication>
#include <QFileInfo>

#include "app/arranque.h"
#include "base/catalogo.h"
#include "base/configlocation.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "base/intentnotes.h"
#include "base/programinfo.h"
#include "base/tabelapropria.h"
#include "output/chaveinstalacao.h"
#include "output/rastreiotalao.h"
#include "records/registoalibi.h"
#include "records/tabelasrastreio.h"
#include "tools/cli/cli.h"
#include "tools/cli/copiainstalacao.h"

namespace {

int upgrade(Cli& cli) {
    CliMessages messages(cli.err);
    CliDialogs dialogs(cli.err);
    Arranque arranque(QCoreApplication::applicationDirPath(), cli.configName, messages, dialogs);
    cli.result(QStringLiteral("config"), arranque.configFile());
    if (!arranque.ligar()) return Cli::Failed;
    const Catalogo::Resultado& c = arranque.catalogo();
    cli.result(QStringLiteral("created"), arranque.catalogoCriado() ? QStringLiteral("1") : QStringLiteral("0"));
    cli.result(QStringLiteral("catalogue"), QString::number(c.versaoCatalogo));
    cli.result(QStringLiteral("program"), ProgramInfo::versionText(ProgramInfo::version()));
    cli.result(QStringLiteral("versaoEXE"), c.versaoExe);
    const bool parametros = arranque.lerParametros();
    cli.result(QStringLiteral("parameters"),
               parametros && arranque.parametros().carregado() ? QStringLiteral("1") : QStringLiteral("0"));
    arranque.sessao()->desligar();
    return c.ok && parametros ? Cli::Ok : Cli::Failed;
}

int script(Cli& cli) {
    const QString dialect = cli.take(QStringLiteral("--dialect"));
    Backend b;
    if (dialect == QStringLiteral("sqlite"))
        b = Backend::Sqlite;
    else if (dialect == QStringLiteral("mssql"))
        b = Backend::Mssql;
    else if (dialect == QStringLiteral("postgresql"))
        b = Backend::Postgresql;
    else
        return cli.usage(QStringLiteral("balantrix-cli db script --dialect sqlite|mssql|postgresql"));
    // The catalogue, then the program's own tables beside it, as a start creates them.
    QStringList todas = Catalogo::script(b);
    todas += IntentNotes::statements(b).create;
    for (const TabelaPropria& t : TabelaPropria::all()) todas << t.statement(b);
    todas += TabelasRastreio::instrucoes(b);
    for (const QString& st : todas) cli.out << st << '\n';
    cli.out.flush();
    return Cli::Ok;
}

const char* kUsoCopia = "balantrix-cli db copy --to-config OUTRA.kel";

// A ticket of the source, signed before the copy, must verify on the copy: the last
// finished weighing's line. Empty (nothing to check) without finished weighings, or
// without this workstation's key file and registered keys (signing must not make a key:
// the copy never writes to its source).
QString talaoDeProva(BaseDados& origem, qint32& histId) {
    if (!origem.tableExists(QStringLiteral("kel_PES_ChavesPublicas")) ||
        !QFileInfo::exists(ChaveInstalacao::ficheiroDoPosto()) || ChaveInstalacao::publicas(origem).isEmpty())
        return {};
    const QVariant id = origem.escalar(
        QStringLiteral("SELECT MAX(Hist_Id) FROM kel_PES_Historico WHERE DataHoraPL IS NOT NULL AND NoDoc > 0"));
    if (id.isNull()) return {};
    histId = id.toInt();
    RastreioTalao rastreio(origem);
    return rastreio.linhaAssinada(histId);
}

bool talaoConfere(BaseDados& db, const QString& linha, QString& motivo) {
    RastreioTalao rastreio(db);
    const RastreioTalao::Verificacao v = RastreioTalao::verificar(linha, ChaveInstalacao::publicas(db), &rastreio);
    motivo = v.motivo;
    return v.valida && v.confere;
}

int copy(Cli& cli) {
    bool tem = false, semValor = false;
    const QString para = cli.take(QStringLiteral("--to-config"), &tem, &semValor);
    if (!tem || semValor || para.trimmed().isEmpty() || !cli.args.isEmpty())
        return cli.usage(QString::fromUtf8(kUsoCopia));
    // A bare name is a configuration of the same folder, as --config names one.
    const QString ficheiro = para.contains(QLatin1Char('/'))
                                 ? para
                                 : ConfigLocation::configFile(QCoreApplication::applicationDirPath(), para);
    const FicheiroConfig destinoCfg(ficheiro);
    if (!destinoCfg.exists()) {
        cli.err << "O ficheiro de configuração de destino não existe: " << ficheiro << '\n';
        return Cli::Failed;
    }
    BaseDados origem(QStringLiteral("balantrix_copia_origem"));
    if (!abrirBaseDados(cli, origem)) return Cli::Failed;
    const SqlSettings destinoSql = ConfigSQL::ler(destinoCfg);
    const FicheiroConfig origemCfg(ConfigLocation::configFile(QCoreApplication::applicationDirPath(), cli.configName));
    const SqlSettings origemSql = ConfigSQL::ler(origemCfg);
    if (destinoSql.kind() == origemSql.kind() && destinoSql.servidor.trimmed() == origemSql.servidor.trimmed() &&
        destinoSql.baseDados.trimmed() == origemSql.baseDados.trimmed()) {
        cli.err << "A configuração de destino aponta para a mesma base de dados.\n";
        return Cli::Failed;
    }
    BaseDados destino(QStringLiteral("balantrix_copia_destino"));
    // An SQLite target may be a new file; a server's database must exist already.
    if (!destino.abrir(destinoSql, BaseDados::OpenMode::CreateIfMissing)) {
        cli.err << "Não foi possível abrir a base de dados de destino: " << destino.ultimoErro() << '\n';
        return Cli::Failed;
    }
    const auto progresso = [&cli](const QString& t) {
        cli.err << t << '\n';
        cli.err.flush();
    };
    try {
        CopiaInstalacao copia(origem, destino, progresso);
        QString motivo;
        if (!copia.destinoVazio(motivo)) {
            cli.err << motivo << '\n';
            return Cli::Failed;
        }
        qint32 histId = 0;
        const QString linha = talaoDeProva(origem, histId);
        if (!linha.isEmpty() && !talaoConfere(origem, linha, motivo)) {
            cli.err << "O talão do registo " << histId << " não confere na origem: " << motivo << '\n';
            return Cli::Failed;
        }
        RegistoAlibi::Verificacao antes = RegistoAlibi(origem, QString()).verificar();
        copia.copiar();
        progresso(QStringLiteral("A verificar a cópia..."));
        bool ok = true;
        const QStringList diferencas = copia.compararContagens();
        for (const QString& d : diferencas) cli.err << "Contagem diferente: " << d << '\n';
        ok = ok && diferencas.isEmpty();
        const RegistoAlibi::Verificacao depois = RegistoAlibi(destino, QString()).verificar();
        if (!depois.ok && antes.ok) {
            cli.err << "O registo alibi não confere na cópia (linha " << depois.primeiraErrada << "): " << depois.motivo
                    << '\n';
            ok = false;
        }
        if (!linha.isEmpty() && !talaoConfere(destino, linha, motivo)) {
            cli.err << "O talão do registo " << histId << " não confere na cópia: " << motivo << '\n';
            ok = false;
        }
        cli.result(QStringLiteral("tables"), QString::number(copia.tabelas().size()));
        cli.result(QStringLiteral("rows"), QString::number(copia.linhasCopiadas()));
        cli.result(QStringLiteral("alibi_rows"), QString::number(depois.linhas));
        cli.result(QStringLiteral("alibi_ok"), depois.ok ? QStringLiteral("1") : QStringLiteral("0"));
        cli.result(QStringLiteral("ticket_checked"), linha.isEmpty() ? QStringLiteral("0") : QString::number(histId));
        cli.result(QStringLiteral("verified"), ok ? QStringLiteral("1") : QStringLiteral("0"));
        return ok ? Cli::Ok : Cli::Failed;
    } catch (const ErroOperacao& e) {
        cli.err << "A cópia não foi feita: " << e.texto() << '\n';
        return Cli::Failed;
    }
}

}  // namespace

int verbDb(Cli& cli) {
    const QString sub = cli.args.isEmpty() ? QString() : cli.args.takeFirst();
    if (sub == QStringLiteral("upgrade") && cli.args.isEmpty()) return upgrade(cli);
    if (sub == QStringLiteral("script")) return script(cli);
    if (sub == QStringLiteral("copy")) return copy(cli);
    return cli.usage(
        QStringLiteral("balantrix-cli db upgrade | db script --dialect sqlite|mssql|postgresql | db copy "
                       "--to-config OUTRA.kel"));
}
