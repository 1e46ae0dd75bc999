#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVector>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "desks/deskkind.h"

class RecordSet;
#include "base/intentnotes.h"
#include "base/money.h"
#include "desks/deskservices.h"
#include "desks/ecradesk.h"
#include "desks/intentpayload.h"
#include "desks/portaopesagem.h"
#include "desks/resultado.h"
#include "erp/documentocomercial.h"
#include "records/viaturas.h"

class AlibiDesk;
class ApiRegistry;
class BaseDados;
class DbError;
class ErroOperacao;
class DocumentoDesk;
class OperatorMessages;
class ParametrosAplic;
class SessaoSage;
struct DadosDocumentoDesk;

// One input field of the desk.
struct DeskField {
    QString texto;
    bool soLeitura = false;
    int maximo = 15;  // longest text the field takes
    bool operator==(const DeskField&) const = default;
};

// The list grid: pending weighings or history.
struct DeskGridColumn {
    QString chave;
    QString titulo;
    int largura = 0;  // twips
    bool oculta = false;
    bool operator==(const DeskGridColumn&) const = default;
};
struct DeskGrid {
    QVector<DeskGridColumn> colunas;
    QVector<QStringList> linhas;
    QString valor(int linha, const QString& chave) const;
};

// The weighing desk without widgets: its fields by name, flags, panels, buttons,
// labels and lists, and the operator's actions as methods. The widget layer mirrors
// it and forwards the operator's actions; tests and the command-line tool drive it
// directly. The outgoing and the incoming desk are this class with another kind.
class DeskCore : public QObject {
    Q_OBJECT

  public:
    // Labels written by the desk.
    enum Rotulo {
        Titulo,          // title above the tabs
        NomeTerceiro,    // beside the party code
        DescMorada,      // beside the address code
        DescArtigo,      // beside the article code
        DescCodPostal,   // beside the postal code
        DescTipoMorada,  // beside the address type
        Unidade,         // unit captions beside the weights
        LegendaPeso,     // weight caption of the weighing panel
        Resumo1,
        Resumo2,
        Resumo3,
        Resumo4,  // final save panel summary lines
        NumRotulos
    };
    using Botao = EcraDesk::Botao;
    using enum EcraDesk::Botao;

    DeskCore(const DeskKind& kind, BaseDados& db, ParametrosAplic& parametros, OperatorMessages& messages,
             SessaoSage& sessao, ApiRegistry& registry, QObject* parent = nullptr);
    ~DeskCore() override;

    void setLookupProvider(LookupProvider* p) { m_lookup = p; }
    void setWeightSource(WeightSource* w) { m_balanca = w; }
    void setTicketActions(TicketActions* t) { m_talao = t; }
    // The time of day a weighing is stamped with (the workstation's clock unless set).
    void setRelogio(std::function<QTime()> relogio) { m_relogio = std::move(relogio); }

    const DeskKind& kind() const { return m_kind; }

    // --- what the widgets show ---
    QString campo(Campo c) const { return valid(c) ? m_campos[size_t(c)].texto : QString(); }
    bool campoSoLeitura(Campo c) const { return valid(c) && m_campos[size_t(c)].soLeitura; }
    int campoMaximo(Campo c) const { return valid(c) ? m_campos[size_t(c)].maximo : 0; }
    bool listaActiva(Campo c) const { return !m_listasDesactivadas.contains(c); }
    QString rotulo(Rotulo r) const { return m_rotulos[r]; }
    bool botaoActivo(Botao b) const { return m_ecra.botaoActivo(b); }
    bool botaoVisivel(Botao b) const {
        // "Guardar tara" stands beside the reprint of a finished outgoing load.
        return m_ecra.botaoVisivel(b) && (b != BtGuardarTara || !m_kind.entrada);
    }
    bool tabsActivas() const { return m_ecra.tabsActivas(); }
    bool tabActiva(Pagina t) const { return m_ecra.tabActiva(t); }
    Pagina tabActual() const { return m_ecra.pagina; }
    bool painelPesagem() const { return m_ecra.painelPesagem(); }
    bool painelFinal() const { return m_ecra.painelFinal(); }
    bool grelhaVisivel() const { return m_ecra.grelhaVisivel(); }
    bool pesquisaVisivel() const { return m_ecra.pesquisa; }  // history date range and btler
    // The screen state the above are derived from.
    const EcraDesk& ecra() const { return m_ecra; }
    const DeskGrid& grelha() const { return m_grelha; }
    std::optional<Campo> foco() const { return m_foco; }  // field to focus, none for btEntrada
    QDate dataPesagem() const { return m_dataPesagem; }
    QDateTime dataCarga() const { return m_carga; }
    QDateTime dataDescarga() const { return m_descarga; }
    QDate historicoDe() const { return m_histDe; }
    QDate historicoAte() const { return m_histAte; }
    int caracteristica() const { return m_caracteristica; }  // incoming: 0 "Tipo A", 1 "Tipo B"
    bool materiasSubsidiarias() const { return m_materiasSubsidiarias; }
    // The box may be changed only on a new weighing before its first weight is saved.
    bool caixaSubsidiariasActiva() const { return m_kind.entrada && !m_subsidiariasBloqueadas; }
    static QStringList caracteristicas() { return {QStringLiteral("Tipo A"), QStringLiteral("Tipo B")}; }

    // --- state ---
    bool campoAlterado() const { return m_ecra.campoAlterado; }
    bool primeiroPeso() const { return m_ecra.primeiroPeso(); }
    bool segundoPeso() const { return m_ecra.segundoPeso(); }
    bool verHistorico() const { return m_ecra.verHistorico(); }
    bool dadosAlterados() const { return m_ecra.dadosAlterados; }
    bool obsAlteradas() const { return m_ecra.obsAlteradas; }
    qint32 idHistorico() const { return m_idHistorico; }
    qint32 noTalao() const { return m_noTalao; }
    int anoTalao() const { return m_anoTalao; }
    QString sigla() const { return m_sigla; }
    ChaveDocumento documento() const { return m_doc; }
    // The document of the last completion this desk made itself (empty when it made none).
    ChaveDocumento documentoConcluido() const { return m_concluido; }
    QString ultimoErro() const { return m_ultimoErro; }
    QString talaoTexto() const;  // "prefix/number" outgoing ("number" without a prefix), "number" incoming
    // What the desk last did, for the line in the desk itself (a ticket saved, finished, cancelled).
    QString estado() const { return m_estado; }
    // The weighing on the desk holds what the operator read or typed and nothing saved yet.
    bool trabalhoPorGravar() const { return m_porGravar; }
    // Before an action that would drop unsaved work: asks the operator (default No).
    // True when there is nothing to lose or the operator agrees to lose it.
    bool podeAbandonar();
    // The pending weighing of this desk with the same plate, if any (its record and ticket).
    struct PendenteMatricula {
        qint32 id = 0;
        QString talao;
    };
    std::optional<PendenteMatricula> pendenteComMatricula(const QString& matricula) const;
    // The weights card beside the tabs: plate, entry, first and second weight, net and
    // effective weight of the truck at the desk (empty texts where there is nothing).
    QStringList cartaoPesos() const;
    // The stored tare the operator accepted for this weighing: it is weighed once, loaded.
    const std::optional<Viatura>& taraRegistada() const { return m_taraRegistada; }

    // --- the operator's actions ---
    // Typing: the field's new text (cut to its length; the weight takes digits only).
    void escrever(Campo c, const QString& texto);
    // Esc in a field: the focus goes one field back; in the party code the desk closes.
    void escape(Campo c);
    // Leaving a field: validation. False keeps the focus in the field.
    bool sair(Campo c);
    // The lookup list of a field (its list button or the lookup key).
    void pedirLista(Campo c);
    void setDataPesagem(const QDate& d) {
        m_dataPesagem = d;
        notificar();
    }
    void setDataCarga(const QDateTime& dt);
    void setDataDescarga(const QDateTime& dt);
    void setPeriodoHistorico(const QDate& de, const QDate& ate);
    void setCaracteristica(int indice);
    void setMateriasSubsidiarias(bool v);

    void btEntrada();
    void btPeso();
    void btPesar();
    Resultado btConfPeso(Gravacao g);
    void btCancPeso();
    Resultado btConf();
    Resultado btConfFinal(Gravacao g);
    void btCancFinal();
    void btCancGeral();
    // The operator's "Cancelar": clears the desk, asking first when work would be lost.
    void cancelar();
    void btPendentes();
    void btHistorico();
    void btLer();
    Resultado btAnularHist();
    Resultado btImpHist();
    // Prints again the ticket of the weighing this desk's kind finished last (at any
    // workstation), without opening it.
    void reimprimirUltimo();
    Resultado btMailHist();
    // A finished outgoing load: its tare becomes the truck's stored tare.
    Resultado btGuardarTara();
    // The finished weighing's ticket in the system's PDF viewer; the desk stays as it is.
    void btPrevisualizar();
    void btSair();
    // Activation of a grid row (double-click or Enter).
    void activarLinha(int linha);

    // Pending and history lists straight from the database (also used by the command-line tool).
    bool carregarPendentes();
    bool carregarHistorico();
    // The history read a page at a time (0: every row at once, the default).
    void setHistoricoPorPaginas(int linhas) { m_paginaHistorico = linhas; }
    int historicoPorPaginas() const { return m_paginaHistorico; }
    // Rows of the history not read yet; reading more (or all) appends them to grelha().
    int linhasPorLer() const { return int(m_historicoIds.size()) - m_historicoLidos; }
    void lerMaisLinhas(int quantas);
    void lerTodasLinhas();

    // Weights as the desk shows them, with every decimal held: a correction reads them back.
    static QString formatarPeso(const Money& m) { return m.formatExact(); }
    // A weight as the operator reads it beside a label: "12.340,00 kg" (empty stays empty).
    static QString pesoComUnidade(const QString& campo);
    // A ticket as shown: "prefix/number", or the number alone when there is no prefix.
    static QString textoTalao(const QString& sigla, qint32 numero);
    // An ERP document as the operator names it: "GR 1/19".
    static QString textoDocumento(const ChaveDocumento& k);

    // Tells the widgets what changed since the last notice (each action ends with it).
    void notificar();

  signals:
    // What changed, so the widgets update only that.
    void campoMudou(Campo campo);  // text, read-only state or list of one field
    void rotuloMudou(DeskCore::Rotulo rotulo);
    void ecraMudou();               // the screen state: buttons, tabs, panels, list and search shown (ecra())
    void grelhaMudou();             // the list's columns or rows
    void valoresMudaram();          // dates, the history's range, the characteristic, the subsidiary box
    void estadoMudou();             // the line saying what the desk last did (estado())
    void fecharPedido();            // the desk asks to be closed
    void avancarFoco(Campo campo);  // a value picked from a list was accepted: move on (the Tab after a pick)

  private:
    // What the widgets were last told; a notice names what differs from it.
    struct Vista {
        std::array<DeskField, kNumNomesCampo> campos;
        QSet<Campo> listasDesactivadas;
        std::array<QString, NumRotulos> rotulos;
        EcraDesk ecra;
        QVector<DeskGridColumn> colunas;
        QVector<QStringList> linhas;
        QDate dataPesagem, histDe, histAte;
        QDateTime carga, descarga;
        int caracteristica = 0;
        bool materiasSubsidiarias = false;
        bool caixaSubsidiarias = false;
        QString estado;
    };
    Vista vista() const;
    // Appends history rows to the list: those of `ordem` (row numbers of `rs`), or all.
    void acrescentarHistorico(const RecordSet& rs, QVector<int> ordem = {});
    bool valid(Campo c) const { return m_kind.tabela().tem(c); }
    void set(Campo c, const QString& t);
    void setRotulo(Rotulo r, const QString& t) { m_rotulos[r] = t; }
    void aviso(const QString& texto);
    bool falhaCampo(Campo c, const QString& texto);
    // The fields and what validation accepted, as the gate reads them.
    FormularioDesk formulario() const;
    void recusar(const Recusa& r);

    void limparForm();
    void desactiva();
    void activa();
    void desbloquearIdentificacao();
    // Read-only fields (their lists too) of a truck recalled from the pending list or a
    // finished weighing opened from the history.
    void bloquearRegisto();
    void marcarTrabalho() { m_porGravar = true; }
    bool perguntarMatriculaPendente(const QString& matricula);

    bool validar(Campo c);
    bool verificarPeso(Campo c);
    bool validarTerceiro();
    bool validarMorada();
    bool validarArtigo();
    // Leaving the plate of a new weighing: offers the truck's stored tare (always true).
    bool oferecerTaraRegistada();
    void esquecerTaraRegistada();
    // The one-pass weighing: the reading and the stored tare, saved and finished at once.
    Resultado pesagemUnica(Gravacao g);
    void recalcularEfectivo();
    void avisarTerceiroInactivo();
    void descricaoCodPostal();

    // Saving.
    Resultado gravarPrimeiroPeso(const Pesagem& p);
    // The first save of both panels: the weight and entry shown, the record written (undone on failure).
    Resultado gravarPrimeiroPeso(const Pesagem& p, const Money& pesado, const QString& quando);
    // The gate and the plate question before a first save; the refusal when refused (the desk already said why).
    std::variant<Pesagem, Resultado> primeiraPesagem(const FormularioDesk& f);
    QString momentoPesagem() const;   // the weighing's day and the clock's time, as the fields show it
    void concluir(const Pesagem& p);  // completion, inside the transaction of btConfFinal
    RegistoPesagem registo(const Pesagem& p) const;
    CamposComplemento complemento(const Pesagem& p) const;
    DadosDocumentoDesk dadosDocumento(const Pesagem& p) const;
    QString tipoDocumento() const;
    int serieDocumento() const;
    void registarErro(const ErroOperacao& e);
    void desfazerConclusao(qint64 nota);
    // Intent notes of the ERP writes (settled by ErpReconciler after an interruption).
    CabecalhoCarga cabecalhoCarga() const;
    IntentNote notaConclusao(const Pesagem& p, const ProcessIdentity& eu) const;
    IntentNote notaAnulacao(const ChaveDocumento& k, const RecordSet& r, const ProcessIdentity& eu) const;
    IntentNote notaCorreccao(const DocumentoComercial& antes, const ProcessIdentity& eu) const;
    Resultado gravarCorreccao(qint64 nota, const Pesagem& p);
    bool acertarNotas(qint32 id);
    Resultado anular();
    Resultado enviarEmail();
    // Shows the refusal or failure and gives it as the action's outcome.
    Resultado recusa(std::optional<Campo> c, const QString& texto) {
        aviso(texto);
        return Resultado::recusado(c, texto);
    }
    Resultado falha(const QString& texto) {
        aviso(texto);
        return Resultado::falhou(texto);
    }

    // Lists.
    bool lerCarga(qint32 id);
    bool eSubsidiarias(const QString& tpDoc) const;  // a subsidiary-materials document type
    void restaurarMateriasSubsidiarias(qint32 id);
    void grelhaPendentes();
    void grelhaHistorico();

    const DeskKind& m_kind;
    BaseDados& m_db;
    ParametrosAplic& m_parametros;
    OperatorMessages& m_messages;
    SessaoSage& m_sessao;
    ApiRegistry& m_registry;
    LookupProvider* m_lookup = nullptr;
    WeightSource* m_balanca = nullptr;
    TicketActions* m_talao = nullptr;
    std::function<QTime()> m_relogio;
    std::unique_ptr<DocumentoDesk> m_documento;
    std::unique_ptr<AlibiDesk> m_alibi;
    PortaoPesagem m_portao;

    std::array<DeskField, kNumNomesCampo> m_campos;  // by name; those of the kind's table are used
    std::array<QString, NumRotulos> m_rotulos;
    EcraDesk m_ecra;
    QSet<Campo> m_listasDesactivadas;
    DeskGrid m_grelha;
    int m_paginaHistorico = 0;
    QVector<qint32> m_historicoIds;  // the history's whole range, in its order
    int m_historicoLidos = 0;        // how many of them were read into m_grelha
    std::optional<Campo> m_foco;

    QDate m_dataPesagem;
    QDateTime m_carga;
    QDateTime m_descarga;
    QDate m_histDe;
    QDate m_histAte;
    int m_caracteristica = 0;
    bool m_materiasSubsidiarias = false;
    bool m_subsidiariasBloqueadas = false;

    qint32 m_idHistorico = 0;
    qint32 m_noTalao = 0;
    int m_anoTalao = 0;
    QString m_sigla;
    QString m_campanha;  // of the first weighing
    ChaveDocumento m_doc;
    ChaveDocumento m_concluido;
    // The code texts validation last accepted (null: none since the field changed).
    QString m_terceiroAceite;
    QString m_moradaAceite;
    QString m_moradaDoTerceiro;
    QString m_artigoAceite;
    QString m_tipoMoradaAceite;
    bool m_efectivoCalculado = true;  // the effective weight is net - deductions, not typed or loaded
    bool m_aEscrever = false;         // a field is being typed into: its checks wait for it to be left
    QString m_armazem;
    QString m_unBase;
    QString m_ultimoErro;
    QString m_estado;
    bool m_porGravar = false;
    std::optional<Viatura> m_taraRegistada;
    Vista m_anunciado;
    QList<ChaveDocumento> m_criados;
    QList<short> m_flagsCriados;
};
