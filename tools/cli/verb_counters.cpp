// counters show | set | delete: the ticket counters form without its window. The verb
// types the key into the same core the form uses, field by field as the operator
// would, so it gets the form's validations, reads and messages, and confirms or
// removes as the form's buttons do.
#include <QCoreApplication>

#include "base/basedados.h"
#include "base/configlocation.h"
#include "base/configsql.h"
#include "base/ficheiroconfig.h"
#include "records/parametrosaplic.h"
#include "records/taloescore.h"
#include "tools/cli/cli.h"

namespace {

const char* kUso =
    "balantrix-cli counters show|set|delete --kind 1|2 --campaign AAAA/AAAA --doc-type TIPO [--customer "
    "CODIGO] "
    "[--address-type CODIGO] [--address CODIGO] [--counter N] [--prefix SIGLA] [--force]";

// The form's messages on standard error. Its questions are answered yes only when the
// command says so: the removal it was asked for, or --force for a counter below the
// last ticket issued.
class MensagensContadores : public OperatorMessages {
  public:
    MensagensContadores(QTextStream& err, bool aceitar) : m_err(err), m_aceitar(aceitar) {}
    bool mostrarAviso(int tipo, const QString& texto) override {
        escrever(texto);
        if (tipo != OkCancelar && tipo != SimNao && tipo != SimNaoPredefinidoNao) return true;
        if (!m_aceitar) escrever(QStringLiteral("Não foi gravado: repita com --force para o confirmar."));
        return m_aceitar;
    }
    void mostrarEstado(int, const QString& texto) override { escrever(texto); }
    void mensagem(const QString& texto) override { escrever(texto); }

  private:
    void escrever(QString texto) {
        // The form's texts carry the line breaks of its message boxes.
        texto.replace(QLatin1String("\n\r"), QLatin1String("\n"));
        texto.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        texto.remove(QLatin1Char('\r'));
        m_err << texto << '\n';
        m_err.flush();
    }
    QTextStream& m_err;
    bool m_aceitar;
};

struct Chave {
    int tipo = 0;
    QString campanha, tipoDoc, cliente, tipoMorada, morada;
};

// Types the key into the form in its tab order; each field is left as the operator
// leaves it, which reads the counter of the key. False when a field was refused.
bool escreverChave(TaloesCore& core, const Chave& k) {
    QList<QPair<int, QString>> campos{{TaloesCore::Campanha, k.campanha}, {TaloesCore::TipoDoc, k.tipoDoc}};
    if (k.tipo == 2)
        campos << qMakePair(int(TaloesCore::Cliente), k.cliente) << qMakePair(int(TaloesCore::TipoMorada), k.tipoMorada)
               << qMakePair(int(TaloesCore::MoradaAlt), k.morada);
    for (const auto& [campo, texto] : campos) {
        core.setCampo(campo, texto);
        core.teclaPremida();
        if (!core.validarSaida(campo)) return false;
    }
    return true;
}

void mostrar(Cli& cli, const TaloesCore& core) {
    cli.result(QStringLiteral("counter"), core.campo(TaloesCore::Contador));
    cli.result(QStringLiteral("prefix"), core.campo(TaloesCore::Sigla));
}

}  // namespace

int verbCounters(Cli& cli) {
    const QString uso = QString::fromUtf8(kUso);
    if (cli.args.isEmpty()) return cli.usage(uso);
    const QString sub = cli.args.takeFirst();
    if (sub != QStringLiteral("show") && sub != QStringLiteral("set") && sub != QStringLiteral("delete"))
        return cli.usage(uso);
    bool falta = false, semValor = false;
    auto opcao = [&](const char* nome, bool* presente = nullptr) {
        bool m = false;
        const QString v = cli.take(QString::fromLatin1(nome), presente, &m);
        semValor = semValor || m;
        return v;
    };
    Chave k;
    const QString tipo = opcao("--kind");
    k.campanha = opcao("--campaign");
    k.tipoDoc = opcao("--doc-type");
    bool temCliente = false, temTipoMorada = false, temMorada = false, temContador = false, temSigla = false;
    k.cliente = opcao("--customer", &temCliente);
    k.tipoMorada = opcao("--address-type", &temTipoMorada);
    k.morada = opcao("--address", &temMorada);
    const QString contador = opcao("--counter", &temContador);
    const QString sigla = opcao("--prefix", &temSigla);
    const bool force = cli.takeFlag(QStringLiteral("--force"));
    if (tipo == QStringLiteral("1"))
        k.tipo = 1;
    else if (tipo == QStringLiteral("2"))
        k.tipo = 2;
    falta = k.tipo == 0 || !cli.args.isEmpty() || semValor;
    // Kind 1 counters have no customer, address or prefix; only set writes.
    if (k.tipo == 1 && (temCliente || temTipoMorada || temMorada || temSigla)) falta = true;
    if (sub != QStringLiteral("set") && (temContador || temSigla || force)) falta = true;
    if (falta) return cli.usage(uso);

    const QString programFolder = QCoreApplication::applicationDirPath();
    const FicheiroConfig file(ConfigLocation::configFile(programFolder, cli.configName));
    if (!file.exists()) {
        cli.err << "O ficheiro de configuração não existe: " << file.path() << '\n';
        return Cli::Failed;
    }
    BaseDados db;
    if (!db.abrir(ConfigSQL::ler(file), BaseDados::OpenMode::MustExist)) {
        cli.err << "Não foi possível abrir a base de dados: " << db.ultimoErro() << '\n';
        return Cli::Failed;
    }
    MensagensContadores msgs(cli.err, sub == QStringLiteral("delete") || force);
    ParametrosAplic parametros;
    if (!parametros.ler(db, msgs, QStringLiteral("1"))) return Cli::Failed;
    if (!parametros.carregado()) {
        cli.err << "Não existem parâmetros da aplicação: configure-os no programa.\n";
        return Cli::Failed;
    }

    TaloesCore core(db, parametros, msgs, k.tipo);
    if (!escreverChave(core, k)) return Cli::Failed;
    if (sub == QStringLiteral("show")) {
        if (!core.contadorExiste()) cli.err << "Não existe contador para esta chave.\n";
        mostrar(cli, core);
        return Cli::Ok;
    }
    if (sub == QStringLiteral("delete")) {
        if (!core.contadorExiste()) {
            cli.err << "Não existe contador para esta chave.\n";
            return Cli::Failed;
        }
        return core.anular() ? Cli::Ok : Cli::Failed;
    }
    // set: what was not given keeps what the form read.
    if (temSigla) core.setCampo(TaloesCore::Sigla, sigla);
    if (temContador) core.setCampo(TaloesCore::Contador, contador);
    if (core.confirmar() != -1) return Cli::Failed;
    // What is stored now, read back as the form would show it.
    TaloesCore lido(db, parametros, msgs, k.tipo);
    if (!escreverChave(lido, k)) return Cli::Failed;
    mostrar(cli, lido);
    return Cli::Ok;
}
