// weigh first | second | cancel, pending, history: the weighing desk without its
// window. Each verb drives the same desk core the operator's window drives, action
// by action (a field typed and left, a button pressed), so the command line gets
// exactly the desk's validations, refusals and messages.
#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>
#include <memory>

#include "app/arranque.h"
#include "base/configlocation.h"
#include "base/datasbase.h"
#include "desks/accoestalao.h"
#include "desks/balancadesk.h"
#include "desks/deskcore.h"
#include "erp/apiregistry.h"
#include "output/operacoestalao.h"
#include "records/registohistorico.h"
#include "records/viaturas.h"
#include "tools/cli/cli.h"
#include "tools/cli/impressoracups.h"

namespace {

const char* kUsoWeigh =
    "balantrix-cli weigh first --desk saidas|entradas --third CODIGO --article CODIGO [--address CODIGO] "
    "[--address-type CODIGO] [--plate MATRICULA] [--ref-cliente TEXTO] [--ref-entrega TEXTO] [--obs TEXTO] "
    "[--subsidiary] [--allow-duplicate-plate] [--date DD-MM-AAAA] (--weight KG | --scale [--scale-file "
    "BALANCA.TXT])\n"
    "  balantrix-cli weigh first --desk saidas|entradas --plate MATRICULA --stored-tare [--third CODIGO] "
    "[--article CODIGO] ... (--weight KG | --scale [--scale-file BALANCA.TXT]): uma só pesagem, com a tara "
    "registada\n"
    "  balantrix-cli weigh second --desk saidas|entradas --id HIST_ID [--date DD-MM-AAAA] (--weight KG | "
    "--scale "
    "[--scale-file BALANCA.TXT]) [--container KG] [--quality KG] [--category \"Tipo A\"|\"Tipo B\"] "
    "[--subsidiary] "
    "[--load-place TEXTO] [--unload-place TEXTO] [--then print|email]\n"
    "  balantrix-cli weigh cancel --desk saidas|entradas --id HIST_ID\n"
    "  balantrix-cli weigh correct --desk saidas|entradas --id HIST_ID [--effective KG] [--container KG] "
    "[--quality KG] [--category \"Tipo A\"|\"Tipo B\"] [--plate MATRICULA] [--obs TEXTO]";
const char* kUsoPending = "balantrix-cli pending --desk saidas|entradas";
const char* kUsoHistory = "balantrix-cli history --desk saidas|entradas [--from DD-MM-AAAA] [--to DD-MM-AAAA]";

// The desk's messages on standard error. Questions get OK only when the verb means
// it (a cancellation). The saving actions return their outcome, which decides the exit
// code; for the steps before them (a field left, a panel opened) a message shown is a
// refusal or a failure of the step in hand.
class MensagensPosto : public OperatorMessages {
  public:
    explicit MensagensPosto(QTextStream& err) : m_err(err) {}
    bool mostrarAviso(int tipo, const QString& texto) override {
        escrever(texto);
        if (tipo == OkCancelar || tipo == SimNao || tipo == SimNaoPredefinidoNao) return m_aceitar;
        m_falhou = true;
        return true;
    }
    void mostrarEstado(int estado, const QString& texto) override {
        escrever(texto);
        if (estado != Info) m_falhou = true;
    }
    void mensagem(const QString& texto) override {
        escrever(texto);
        m_falhou = true;
    }
    void progresso(const QString& texto, int, int) override { escrever(texto); }
    bool falhou() const { return m_falhou; }
    void limpar() { m_falhou = false; }
    void setAceitar(bool v) { m_aceitar = v; }

  private:
    void escrever(QString texto) {
        // The desk's texts carry the line breaks of its message boxes.
        texto.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        texto.replace(QLatin1String("\n\r"), QLatin1String("\n"));
        texto.remove(QLatin1Char('\r'));
        m_err << texto << '\n';
        m_err.flush();
    }
    QTextStream& m_err;
    bool m_falhou = false;
    bool m_aceitar = false;
};

// A value of a list line: quoted when it holds a space, a quote, '=' or a backslash.
QString valorLinha(const QString& v) {
    static const QRegularExpression especial(QStringLiteral("[\\s\"=\\\\]"));
    if (!v.contains(especial)) return v;
    QString q = v;
    q.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    q.replace(QLatin1String("\""), QLatin1String("\\\""));
    q.replace(QLatin1String("\n"), QLatin1String("\\n"));
    q.replace(QLatin1String("\r"), QLatin1String("\\r"));
    q.replace(QLatin1String("\t"), QLatin1String("\\t"));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString dataHoraIso(const QVariant& v) {
    const QDateTime dt = RecordSet::toDateTime(v);
    return dt.isValid() ? dt.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) : QString();
}

QString pesoPlano(const QVariant& v) {
    return Money::fromVariant(v).plain();
}

QString talaoDoRegisto(const RecordSet& r, bool entrada) {
    return DeskCore::textoTalao(entrada ? QString() : r.text(QStringLiteral("Sigla")),
                                r.value(QStringLiteral("NoTalao")).toInt());
}

std::optional<QDate> lerData(const QString& texto, QString* motivo = nullptr) {
    return DatasBase::ler(texto, motivo);
}

// A weight in kilograms as the command line gives it ("20", "12.5"); never negative.
std::optional<Money> lerKg(const QString& texto) {
    const auto m = Money::fromPlain(texto.trimmed());
    if (!m || *m < Money()) return std::nullopt;
    return m;
}

// One workstation's desk of the given kind, started as the program starts.
class Posto {
  public:
    Posto(Cli& cli, const DeskKind& kind) : m_cli(cli), m_kind(kind), m_msgs(cli.err), m_dialogs(cli.err) {}
    ~Posto() {
        m_desk.reset();
        if (m_arranque && m_arranque->sessao()) m_arranque->sessao()->desligar();
    }

    bool abrir() {
        const QString pasta = QCoreApplication::applicationDirPath();
        m_arranque = std::make_unique<Arranque>(pasta, m_cli.configName, m_msgs, m_dialogs);
        if (!m_arranque->ligar() || !m_arranque->lerParametros()) return false;
        if (!m_arranque->parametros().carregado()) {
            m_cli.err << "Não existem parâmetros da aplicação: configure-os no programa.\n";
            return false;
        }
        m_ops = std::make_unique<OperacoesTalao>(*m_arranque->baseDados(), m_msgs, pasta, m_arranque->configFile());
        m_talao = std::make_unique<AccoesTalao>(*m_ops, &m_impressora);
        m_balanca = std::make_unique<BalancaDesk>(pasta, ConfigLocation::configFolder(pasta));
        m_desk = std::make_unique<DeskCore>(m_kind, *m_arranque->baseDados(), m_arranque->parametros(), m_msgs,
                                            *m_arranque->sessao(), m_registry);
        m_desk->setTicketActions(m_talao.get());
        m_desk->setWeightSource(m_balanca.get());
        m_msgs.limpar();
        return true;
    }

    DeskCore& desk() { return *m_desk; }
    BaseDados& db() { return *m_arranque->baseDados(); }
    MensagensPosto& msgs() { return m_msgs; }
    BalancaDesk& balanca() { return *m_balanca; }
    const DeskKind& kind() const { return m_kind; }

    // Types a field and leaves it, as the operator does with Tab. False when the desk
    // refuses it (its message already shown) or the text cannot go in as given.
    bool preencher(Campo campo, const QString& texto, const QString& opcao) {
        if (texto.size() > m_desk->campoMaximo(campo)) {
            m_cli.err << "O valor de " << opcao << " tem mais de " << m_desk->campoMaximo(campo) << " caracteres.\n";
            return false;
        }
        m_msgs.limpar();
        m_desk->escrever(campo, texto);
        if (m_desk->campo(campo) != texto) {
            m_cli.err << "O campo de " << opcao << " não pode ser alterado nesta pesagem.\n";
            return false;
        }
        return m_desk->sair(campo) && !m_msgs.falhou();
    }

    // The weight of the open weighing panel: typed, or read from the indicator.
    bool pesar(const QString& kg, bool balanca) {
        m_msgs.limpar();
        if (balanca) {
            m_desk->btPesar();
            return !m_msgs.falhou();
        }
        m_desk->escrever(Campo::Peso, kg);
        return m_desk->campo(Campo::Peso) == kg;
    }

    // The record as the verb expects it: of this desk and (when asked) pending or finished.
    std::optional<RecordSet> registo(qint32 id) {
        const RecordSet r = LerHistorico(db(), id);
        if (r.isEmpty()) {
            m_cli.err << "A pesagem " << id << " não existe.\n";
            return std::nullopt;
        }
        if (r.text(QStringLiteral("Tipo")).compare(m_kind.tipo, Qt::CaseInsensitive) != 0) {
            m_cli.err << "A pesagem " << id << " não é do posto de " << m_kind.caption << ".\n";
            return std::nullopt;
        }
        return r;
    }

    // Opens the weighing from the list where the operator finds it: a row's activation.
    bool abrirDaLista(qint32 id, bool pendente, const QDate& dia) {
        m_msgs.limpar();
        if (pendente) {
            m_desk->btPendentes();
        } else {
            m_desk->btHistorico();
            m_desk->setPeriodoHistorico(dia, dia);
            m_desk->btLer();
        }
        for (int r = 0; r < m_desk->grelha().linhas.size(); ++r) {
            if (m_desk->grelha().valor(r, QStringLiteral("Id")).toInt() == id) {
                m_desk->activarLinha(r);
                return !m_msgs.falhou() && m_desk->idHistorico() == id && !m_desk->campo(Campo::Terceiro).isEmpty();
            }
        }
        if (!m_msgs.falhou()) m_cli.err << "A pesagem " << id << " não está na lista do posto.\n";
        return false;
    }

  private:
    Cli& m_cli;
    const DeskKind& m_kind;
    MensagensPosto m_msgs;
    CliDialogs m_dialogs;
    ApiRegistry m_registry;
    std::unique_ptr<Arranque> m_arranque;
    std::unique_ptr<OperacoesTalao> m_ops;
    ImpressoraCups m_impressora;
    std::unique_ptr<AccoesTalao> m_talao;
    std::unique_ptr<BalancaDesk> m_balanca;
    std::unique_ptr<DeskCore> m_desk;
};

// --desk, required by every verb here.
const DeskKind* deskDe(Cli& cli) {
    bool sem = false;
    const QString nome = cli.take(QStringLiteral("--desk"), nullptr, &sem);
    return sem ? nullptr : DeskKind::porNome(nome);
}

// The weight options of a weighing: exactly one of --weight KG (whole kilograms, as
// the desk's weight field takes them) and --scale.
struct OpcoesPeso {
    QString kg;
    bool balanca = false;
    QString ficheiro;
    std::optional<QDate> data;
};

bool lerOpcoesPeso(Cli& cli, OpcoesPeso& o) {
    bool temPeso = false, temData = false, temFicheiro = false, s1 = false, s2 = false, s3 = false;
    o.kg = cli.take(QStringLiteral("--weight"), &temPeso, &s1);
    o.balanca = cli.takeFlag(QStringLiteral("--scale"));
    o.ficheiro = cli.take(QStringLiteral("--scale-file"), &temFicheiro, &s2);
    const QString data = cli.take(QStringLiteral("--date"), &temData, &s3);
    if (s1 || s2 || s3 || temPeso == o.balanca || (temFicheiro && !o.balanca)) return false;
    static const QRegularExpression inteiro(QStringLiteral("^[0-9]{1,9}$"));
    if (temPeso && !inteiro.match(o.kg).hasMatch()) {
        cli.err << "O peso é um número inteiro de quilogramas: " << o.kg << '\n';
        return false;
    }
    if (temData) {
        QString motivo;
        o.data = lerData(data, &motivo);
        if (!o.data) {
            cli.err << motivo << '\n';
            return false;
        }
    }
    return true;
}

qint32 lerId(Cli& cli) {
    bool sem = false;
    bool ok = false;
    const qint32 id = cli.take(QStringLiteral("--id"), nullptr, &sem).toInt(&ok);
    return ok && !sem && id > 0 ? id : 0;
}

int primeira(Cli& cli) {
    const int uso = Cli::Usage;
    const DeskKind* kind = deskDe(cli);
    if (!kind) return cli.usage(QString::fromUtf8(kUsoWeigh));
    // Option and the field it fills (where the desk of this kind has it).
    struct Opcao {
        const char* opcao;
        Campo campo;
        bool obrigatorio;
    };
    static const Opcao kCampos[] = {
        {"--third", Campo::Terceiro, true},          {"--address", Campo::Morada, false},
        {"--article", Campo::Artigo, true},          {"--address-type", Campo::TipoMorada, false},
        {"--plate", Campo::Matricula, false},        {"--ref-cliente", Campo::RefCliente, false},
        {"--ref-entrega", Campo::RefEntrega, false}, {"--obs", Campo::Observacoes, false},
    };
    QList<QPair<const Opcao*, QString>> valores;
    // With a stored tare the truck's usual party and article may stand for the options.
    const bool taraRegistada = cli.takeFlag(QStringLiteral("--stored-tare"));
    QString matricula;
    for (const Opcao& c : kCampos) {
        bool tem = false, sem = false;
        const QString v = cli.take(QString::fromLatin1(c.opcao), &tem, &sem);
        if (sem || (c.obrigatorio && !tem && !taraRegistada)) return cli.usage(QString::fromUtf8(kUsoWeigh));
        if (c.campo == Campo::Matricula) matricula = v;
        if (!tem) continue;
        if (!kind->tabela().tem(c.campo)) {
            cli.err << c.opcao << " não existe no posto de " << kind->caption << ".\n";
            return uso;
        }
        valores << qMakePair(&c, v);
    }
    const bool subsidiarias = cli.takeFlag(QStringLiteral("--subsidiary"));
    const bool repetida = cli.takeFlag(QStringLiteral("--allow-duplicate-plate"));
    OpcoesPeso peso;
    if (!lerOpcoesPeso(cli, peso) || !cli.args.isEmpty() || (subsidiarias && !kind->entrada) ||
        (taraRegistada && matricula.trimmed().isEmpty()))
        return cli.usage(QString::fromUtf8(kUsoWeigh));
    if (taraRegistada) {
        // The plate goes first: the desk offers the stored tare and fills the usual data.
        std::stable_partition(valores.begin(), valores.end(),
                              [](const auto& v) { return v.first->campo == Campo::Matricula; });
    }

    Posto posto(cli, *kind);
    if (!posto.abrir()) return Cli::Failed;
    if (!peso.ficheiro.isEmpty()) posto.balanca().setFicheiro(peso.ficheiro);
    DeskCore& d = posto.desk();
    try {
        d.btEntrada();
        for (const auto& [c, v] : valores) {
            // The offer of the stored tare is the question the option answers with Yes.
            posto.msgs().setAceitar(taraRegistada && c->campo == Campo::Matricula);
            const bool ok = posto.preencher(c->campo, v, QString::fromLatin1(c->opcao));
            posto.msgs().setAceitar(false);
            if (!ok) return Cli::Failed;
            if (taraRegistada && c->campo == Campo::Matricula && !d.taraRegistada()) {
                const auto viatura = RegistoViaturas(posto.db()).ler(v);
                if (!viatura)
                    cli.err << "A viatura " << RegistoViaturas::normalizar(v) << " não tem tara registada.\n";
                else if (!viatura->valida(QDate::currentDate()))
                    cli.err << RegistoViaturas::mensagemExpirada(viatura->matricula, viatura->validaAte) << '\n';
                else
                    cli.err << "A tara registada da viatura " << viatura->matricula << " não pôde ser usada.\n";
                return Cli::Failed;
            }
        }
        if (subsidiarias) d.setMateriasSubsidiarias(true);
        posto.msgs().limpar();
        d.btPeso();
        if (!d.painelPesagem() || posto.msgs().falhou()) return Cli::Failed;
        if (peso.data) d.setDataPesagem(*peso.data);
        if (!posto.pesar(peso.kg, peso.balanca)) return Cli::Failed;
        posto.msgs().limpar();
        // A plate already pending on the desk is asked about: only the option answers Yes.
        posto.msgs().setAceitar(repetida);
        const Resultado gravado = d.btConfPeso(Gravacao::Confirmar);
        posto.msgs().setAceitar(false);
        if (taraRegistada) {
            // Saved and finished at once: the record and its document, or a refusal.
            const ChaveDocumento k = d.documentoConcluido();
            if (!gravado || k.tipo.isEmpty() || d.idHistorico() <= 0) {
                if (d.idHistorico() > 0)
                    cli.err << "A pesagem " << d.idHistorico()
                            << " ficou pendente, com o primeiro peso: conclua-a com weigh second.\n";
                return Cli::Failed;
            }
            const RecordSet f = LerHistorico(posto.db(), d.idHistorico());
            cli.result(QStringLiteral("hist_id"), QString::number(d.idHistorico()));
            cli.result(QStringLiteral("ticket"), d.talaoTexto());
            cli.result(QStringLiteral("document"), k.texto());
            cli.result(QStringLiteral("net"), pesoPlano(f.value(QStringLiteral("PesoLiquido"))));
            cli.result(QStringLiteral("effective"), pesoPlano(f.value(QStringLiteral("PesoEfectivo"))));
            return gravado.semFalhas() ? Cli::Ok : Cli::Failed;
        }
        if (!gravado && gravado.campo() == Campo::Matricula && !repetida &&
            d.pendenteComMatricula(d.campo(Campo::Matricula))) {
            cli.err << "Não foi gravada: repita com --allow-duplicate-plate para registar outra pesagem desta "
                       "viatura.\n";
            return Cli::Failed;
        }
        if (!gravado || d.painelPesagem() || d.idHistorico() <= 0) return Cli::Failed;
        const RecordSet r = LerHistorico(posto.db(), d.idHistorico());
        cli.result(QStringLiteral("hist_id"), QString::number(d.idHistorico()));
        cli.result(QStringLiteral("ticket"), d.talaoTexto());
        cli.result(QStringLiteral("campaign"), r.text(QStringLiteral("Campanha")));
        return Cli::Ok;
    } catch (const ErroOperacao& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}

int segunda(Cli& cli) {
    const DeskKind* kind = deskDe(cli);
    const qint32 id = lerId(cli);
    if (!kind || id <= 0) return cli.usage(QString::fromUtf8(kUsoWeigh));
    OpcoesPeso peso;
    if (!lerOpcoesPeso(cli, peso)) return cli.usage(QString::fromUtf8(kUsoWeigh));
    bool temV = false, temQ = false, temC = false, temCg = false, temDs = false, temT = false;
    bool s1 = false, s2 = false, s3 = false, s4 = false, s5 = false, s6 = false;
    const QString vasilhame = cli.take(QStringLiteral("--container"), &temV, &s1);
    const QString qualidade = cli.take(QStringLiteral("--quality"), &temQ, &s2);
    const QString categoria = cli.take(QStringLiteral("--category"), &temC, &s3);
    const QString carga = cli.take(QStringLiteral("--load-place"), &temCg, &s4);
    const QString descarga = cli.take(QStringLiteral("--unload-place"), &temDs, &s5);
    const QString depois = cli.take(QStringLiteral("--then"), &temT, &s6);
    const bool subsidiarias = cli.takeFlag(QStringLiteral("--subsidiary"));
    if (s1 || s2 || s3 || s4 || s5 || s6 || !cli.args.isEmpty()) return cli.usage(QString::fromUtf8(kUsoWeigh));
    if (kind->entrada ? (temCg || temDs) : (temQ || temC || subsidiarias)) {
        cli.err << "Opção que não existe no posto de " << kind->caption << ".\n";
        return cli.usage(QString::fromUtf8(kUsoWeigh));
    }
    const auto kgVasilhame = temV ? lerKg(vasilhame) : std::optional<Money>(Money());
    const auto kgQualidade = temQ ? lerKg(qualidade) : std::optional<Money>(Money());
    if (!kgVasilhame || !kgQualidade) {
        cli.err << "Os descontos são quilogramas, não negativos, com '.' decimal.\n";
        return cli.usage(QString::fromUtf8(kUsoWeigh));
    }
    const int indiceCategoria = temC ? int(DeskCore::caracteristicas().indexOf(categoria)) : 0;
    std::optional<Gravacao> accao = Gravacao::Confirmar;
    if (temT)
        accao = depois == QStringLiteral("print")   ? std::optional(Gravacao::Imprimir)
                : depois == QStringLiteral("email") ? std::optional(Gravacao::Email)
                                                    : std::nullopt;
    if (indiceCategoria < 0 || !accao) return cli.usage(QString::fromUtf8(kUsoWeigh));

    Posto posto(cli, *kind);
    if (!posto.abrir()) return Cli::Failed;
    if (!peso.ficheiro.isEmpty()) posto.balanca().setFicheiro(peso.ficheiro);
    DeskCore& d = posto.desk();
    try {
        const auto r = posto.registo(id);
        if (!r) return Cli::Failed;
        if (!r->isNull(QStringLiteral("DataHoraPL"))) {
            cli.err << "A pesagem " << id << " já está concluída.\n";
            return Cli::Failed;
        }
        if (!posto.abrirDaLista(id, true, {})) return Cli::Failed;
        // The choice was made with the first weight: left out it stays, and it cannot
        // turn a raw-materials truck into a subsidiary one.
        if (subsidiarias && !d.materiasSubsidiarias()) {
            if (!d.caixaSubsidiariasActiva()) {
                cli.err << "A pesagem " << id
                        << " é de matérias-primas: a escolha de matérias subsidiárias foi feita na primeira "
                           "pesagem.\n";
                return Cli::Failed;
            }
            d.setMateriasSubsidiarias(true);
        }
        posto.msgs().limpar();
        d.btPeso();
        if (!d.painelPesagem() || posto.msgs().falhou()) return Cli::Failed;
        if (peso.data) {
            d.setDataPesagem(*peso.data);
            // The loading and unloading pickers follow the weighing day the operator chose.
            if (!kind->entrada) {
                d.setDataCarga(QDateTime(*peso.data, d.dataCarga().time()));
                d.setDataDescarga(QDateTime(*peso.data, d.dataDescarga().time()));
            }
        }
        if (!posto.pesar(peso.kg, peso.balanca)) return Cli::Failed;
        if (!d.btConfPeso(Gravacao::Confirmar) || d.painelPesagem() || d.campo(Campo::DataSaida).isEmpty())
            return Cli::Failed;
        if (temV && !posto.preencher(Campo::Vasilhame, kgVasilhame->formatExact(), QStringLiteral("--container")))
            return Cli::Failed;
        if (temQ && !posto.preencher(Campo::Qualidade, kgQualidade->formatExact(), QStringLiteral("--quality")))
            return Cli::Failed;
        if (temCg && !posto.preencher(Campo::LocalCarga, carga, QStringLiteral("--load-place"))) return Cli::Failed;
        if (temDs && !posto.preencher(Campo::LocalDescarga, descarga, QStringLiteral("--unload-place")))
            return Cli::Failed;
        if (temC) d.setCaracteristica(indiceCategoria);
        if (!d.btConf() || !d.painelFinal()) return Cli::Failed;
        const Resultado concluida = d.btConfFinal(*accao);
        // Only what this run did: a workstation that finished the truck first keeps its own document.
        const ChaveDocumento k = d.documentoConcluido();
        if (!concluida || k.tipo.isEmpty()) return Cli::Failed;
        const RecordSet f = LerHistorico(posto.db(), id);
        if (f.isEmpty() || f.isNull(QStringLiteral("DataHoraPL")) ||
            f.value(QStringLiteral("NoDoc")).toInt() != k.numero || f.text(QStringLiteral("TpDoc")) != k.tipo)
            return Cli::Failed;
        cli.result(QStringLiteral("hist_id"), QString::number(id));
        cli.result(QStringLiteral("document"), k.texto());
        cli.result(QStringLiteral("net"), pesoPlano(f.value(QStringLiteral("PesoLiquido"))));
        cli.result(QStringLiteral("effective"), pesoPlano(f.value(QStringLiteral("PesoEfectivo"))));
        // The weighing is finished; a ticket that could not be printed or mailed still fails the run.
        return concluida.semFalhas() ? Cli::Ok : Cli::Failed;
    } catch (const ErroOperacao& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}

int anular(Cli& cli) {
    const DeskKind* kind = deskDe(cli);
    const qint32 id = lerId(cli);
    if (!kind || id <= 0 || !cli.args.isEmpty()) return cli.usage(QString::fromUtf8(kUsoWeigh));
    Posto posto(cli, *kind);
    if (!posto.abrir()) return Cli::Failed;
    DeskCore& d = posto.desk();
    try {
        const auto r = posto.registo(id);
        if (!r) return Cli::Failed;
        const bool pendente = r->isNull(QStringLiteral("DataHoraPL"));
        const QDate dia = RecordSet::toDateTime(r->value(QStringLiteral("DataHoraPB"))).date();
        if (!posto.abrirDaLista(id, pendente, dia)) return Cli::Failed;
        // The verb is the operator's confirmation: its question is answered with OK.
        posto.msgs().setAceitar(true);
        const Resultado anulada = d.btAnularHist();
        posto.msgs().setAceitar(false);
        const RecordSet depois = LerHistorico(posto.db(), id);
        const bool feito =
            pendente ? depois.isEmpty() : (!depois.isEmpty() && depois.isNull(QStringLiteral("DataHoraPL")));
        if (!anulada || !feito) return Cli::Failed;
        cli.result(QStringLiteral("hist_id"), QString::number(id));
        cli.result(QStringLiteral("state"), pendente ? QStringLiteral("deleted") : QStringLiteral("pending"));
        return Cli::Ok;
    } catch (const ErroOperacao& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}

// The correction of a finished weighing, as the desk's history makes it: the weighing
// opened from the history, the fields typed and left, "Confirmar" and OK to its question.
int corrigir(Cli& cli) {
    const QString uso = QString::fromUtf8(kUsoWeigh);
    const DeskKind* kind = deskDe(cli);
    const qint32 id = lerId(cli);
    if (!kind || id <= 0) return cli.usage(uso);
    bool temE = false, temV = false, temQ = false, temC = false, temP = false, temO = false;
    bool s1 = false, s2 = false, s3 = false, s4 = false, s5 = false, s6 = false;
    const QString efectivo = cli.take(QStringLiteral("--effective"), &temE, &s1);
    const QString vasilhame = cli.take(QStringLiteral("--container"), &temV, &s2);
    const QString qualidade = cli.take(QStringLiteral("--quality"), &temQ, &s3);
    const QString categoria = cli.take(QStringLiteral("--category"), &temC, &s4);
    const QString matricula = cli.take(QStringLiteral("--plate"), &temP, &s5);
    const QString obs = cli.take(QStringLiteral("--obs"), &temO, &s6);
    if (s1 || s2 || s3 || s4 || s5 || s6 || !cli.args.isEmpty()) return cli.usage(uso);
    if (!kind->entrada && (temQ || temC)) {
        cli.err << "Opção que não existe no posto de " << kind->caption << ".\n";
        return cli.usage(uso);
    }
    const auto kgEfectivo = temE ? lerKg(efectivo) : std::optional<Money>(Money());
    const auto kgVasilhame = temV ? lerKg(vasilhame) : std::optional<Money>(Money());
    const auto kgQualidade = temQ ? lerKg(qualidade) : std::optional<Money>(Money());
    if (!kgEfectivo || !kgVasilhame || !kgQualidade) {
        cli.err << "Os pesos e descontos são quilogramas, não negativos, com '.' decimal.\n";
        return cli.usage(uso);
    }
    const int indiceCategoria = temC ? int(DeskCore::caracteristicas().indexOf(categoria)) : 0;
    if (indiceCategoria < 0) return cli.usage(uso);

    Posto posto(cli, *kind);
    if (!posto.abrir()) return Cli::Failed;
    DeskCore& d = posto.desk();
    try {
        const auto r = posto.registo(id);
        if (!r) return Cli::Failed;
        if (r->isNull(QStringLiteral("DataHoraPL"))) {
            cli.err << "A pesagem " << id << " não está concluída: só se corrige uma pesagem concluída.\n";
            return Cli::Failed;
        }
        const QDate dia = RecordSet::toDateTime(r->value(QStringLiteral("DataHoraPB"))).date();
        if (!posto.abrirDaLista(id, false, dia)) return Cli::Failed;
        // The deductions first: leaving them recomputes the effective weight a typed one then replaces.
        if (temV && !posto.preencher(Campo::Vasilhame, kgVasilhame->format(), QStringLiteral("--container")))
            return Cli::Failed;
        if (temQ && !posto.preencher(Campo::Qualidade, kgQualidade->format(), QStringLiteral("--quality")))
            return Cli::Failed;
        if (temE && !posto.preencher(Campo::Efectivo, kgEfectivo->format(), QStringLiteral("--effective")))
            return Cli::Failed;
        if (temC) d.setCaracteristica(indiceCategoria);
        if (temP && !posto.preencher(Campo::Matricula, matricula, QStringLiteral("--plate"))) return Cli::Failed;
        if (temO && !posto.preencher(Campo::Observacoes, obs, QStringLiteral("--obs"))) return Cli::Failed;
        const auto esperado = Money::parse(d.campo(Campo::Efectivo));
        posto.msgs().setAceitar(true);
        const Resultado corrigida = d.btConf();
        posto.msgs().setAceitar(false);
        // A correction the desk refused keeps the weighing on the desk.
        if (!corrigida || d.verHistorico()) return Cli::Failed;
        // Options that change nothing write nothing, and the desk says so.
        if (d.estado().endsWith(QStringLiteral("nada foi gravado."))) cli.err << d.estado() << '\n';
        const RecordSet f = LerHistorico(posto.db(), id);
        if (f.isEmpty() || f.isNull(QStringLiteral("DataHoraPL")) || !esperado ||
            Money::fromVariant(f.value(QStringLiteral("PesoEfectivo"))) != *esperado) {
            cli.err << "A correcção da pesagem " << id << " não foi gravada.\n";
            return Cli::Failed;
        }
        const ChaveDocumento k{short(f.value(QStringLiteral("Ano")).toInt()), f.text(QStringLiteral("TpDoc")),
                               short(f.value(QStringLiteral("Serie")).toInt()),
                               f.value(QStringLiteral("NoDoc")).toInt()};
        cli.result(QStringLiteral("hist_id"), QString::number(id));
        cli.result(QStringLiteral("document"), k.texto());
        cli.result(QStringLiteral("effective"), pesoPlano(f.value(QStringLiteral("PesoEfectivo"))));
        return Cli::Ok;
    } catch (const ErroOperacao& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}

// One line per weighing of the desk's list, in the list's order.
int listar(Cli& cli, bool historico) {
    const QString uso = QString::fromUtf8(historico ? kUsoHistory : kUsoPending);
    const DeskKind* kind = deskDe(cli);
    if (!kind) return cli.usage(uso);
    bool temDe = false, temAte = false, s1 = false, s2 = false;
    const QString de = historico ? cli.take(QStringLiteral("--from"), &temDe, &s1) : QString();
    const QString ate = historico ? cli.take(QStringLiteral("--to"), &temAte, &s2) : QString();
    if (s1 || s2 || !cli.args.isEmpty()) return cli.usage(uso);
    QString motivo;
    const auto dDe = temDe ? lerData(de, &motivo) : std::nullopt;
    const auto dAte = temAte ? lerData(ate, &motivo) : std::nullopt;
    if ((temDe && !dDe) || (temAte && !dAte)) {
        cli.err << motivo << '\n';
        return cli.usage(uso);
    }
    Posto posto(cli, *kind);
    if (!posto.abrir()) return Cli::Failed;
    DeskCore& d = posto.desk();
    try {
        if (historico) {
            const QDate de = dDe.value_or(d.historicoDe()), ate = dAte.value_or(d.historicoAte());
            if (const QString e = DatasBase::erroPeriodo(de, ate); !e.isEmpty()) {
                cli.err << e << '\n';
                return Cli::Usage;
            }
            d.setPeriodoHistorico(de, ate);
        }
        const bool algum = historico ? d.carregarHistorico() : d.carregarPendentes();
        if (!algum) {
            cli.err << (historico ? QStringLiteral("Não existem registos de Histórico!") : kind->pendentesVazio)
                    << '\n';
            return Cli::Ok;
        }
        for (int l = 0; l < d.grelha().linhas.size(); ++l) {
            const qint32 id = d.grelha().valor(l, QStringLiteral("Id")).toInt();
            const RecordSet r = LerHistorico(posto.db(), id);
            if (r.isEmpty()) continue;  // removed by another workstation meanwhile
            QStringList campos;
            const auto par = [&campos](const char* chave, const QString& v) {
                campos << QString::fromLatin1(chave) + QLatin1Char('=') + valorLinha(v);
            };
            par("hist_id", QString::number(id));
            par("ticket", talaoDoRegisto(r, kind->entrada));
            par("third", r.text(QStringLiteral("Terceiro")));
            par("article", r.text(QStringLiteral("Artigo")));
            par("plate", r.text(QStringLiteral("Carro")));
            par("entry", dataHoraIso(r.value(QStringLiteral("DataHoraPB"))));
            if (historico) {
                par("exit", dataHoraIso(r.value(QStringLiteral("DataHoraPL"))));
                const ChaveDocumento k{short(r.value(QStringLiteral("Ano")).toInt()), r.text(QStringLiteral("TpDoc")),
                                       short(r.value(QStringLiteral("Serie")).toInt()),
                                       r.value(QStringLiteral("NoDoc")).toInt()};
                par("document", k.texto());
                par("net", pesoPlano(r.value(QStringLiteral("PesoLiquido"))));
                par("effective", pesoPlano(r.value(QStringLiteral("PesoEfectivo"))));
            } else {
                const QString primeiro = kind->entrada ? QStringLiteral("PesoBruto") : QStringLiteral("PesoTara");
                par("first", pesoPlano(r.value(primeiro)));
            }
            cli.out << campos.join(QLatin1Char(' ')) << '\n';
        }
        cli.out.flush();
        return Cli::Ok;
    } catch (const ErroOperacao& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
}

}  // namespace

int verbWeigh(Cli& cli) {
    const QString sub = cli.args.isEmpty() ? QString() : cli.args.takeFirst();
    if (sub == QStringLiteral("first")) return primeira(cli);
    if (sub == QStringLiteral("second")) return segunda(cli);
    if (sub == QStringLiteral("cancel")) return anular(cli);
    if (sub == QStringLiteral("correct")) return corrigir(cli);
    return cli.usage(QString::fromUtf8(kUsoWeigh));
}

int verbPending(Cli& cli) {
    return listar(cli, false);
}
int verbHistory(Cli& cli) {
    return listar(cli, true);
}
