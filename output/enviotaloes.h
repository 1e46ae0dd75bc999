#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <QVariantHash>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "output/modelotalao.h"

class BaseDados;
class RenderizadorTalao;

// What a bulk run is asked to do (the EnvioMail form, or balantrix-cli bulk).
struct PedidoEnvio {
    int modo = 2;  // 1 suppliers, 2 customers: the weighing record's TipoTerc
    QString primeiro = QStringLiteral("0");
    QString ultimo = QStringLiteral("zzzzzzz");
    QDate inicio;
    QDate fim;
    bool pdf = false;  // false: e-mail, true: PDF files in the PDF folder
};

// A party selected for the run.
struct TerceiroEnvio {
    QString codigo;
    QString email;
    QString nome;
};

struct ResultadoTerceiro {
    enum Estado { Enviado, Gravado, SemEmail, Falhou, NaoProcessado };
    QString codigo;
    Estado estado = NaoProcessado;
    QString ficheiro;
    QString erro;
    QString nome;  // the party's name, for the operator's summary
};

// How a run ended: one result per selected party, in order.
struct ResumoEnvio {
    QList<ResultadoTerceiro> resultados;
    bool cancelado = false;
    QString erro;   // what stopped the run; empty when it ran to the end
    QString pasta;  // where the PDF files went (PDF runs)

    int contar(ResultadoTerceiro::Estado e) const;
    QStringList codigos(ResultadoTerceiro::Estado e) const;
    // For the operator, in Portuguese: how many were sent or saved, skipped without an
    // address, failed and left undone, naming the codes of the last three; then each party
    // by code and name with its outcome, and the folder of the saved files.
    QString texto(bool pdf) const;
};

// The bulk mailing without windows: for each supplier or customer of a code range
// with finished weighings in a period, one PDF statement of those weighings from the
// template kel_PES_Talao_Fornecedores.rpt / kel_PES_Talao_Clientes.rpt; kept in the
// PDF folder, or mailed to the party's document address.
//
// A failure of one party (its file cannot be written, its mail is refused) is
// recorded and the run goes on with the next. A failure of the run itself (settings,
// template, the database) stops it: what was already sent or saved stays so, and the
// remaining parties are reported as not processed.
class EnvioTaloes {
  public:
    EnvioTaloes(BaseDados& db, QString programFolder, QString configFile);
    ~EnvioTaloes();

    // Called before each party (n counts from 1); returning false cancels the run there.
    using Progresso = std::function<bool(int n, int total, const QString& codigo)>;
    // Called after each party with its outcome.
    using AoTerminar = std::function<void(const ResultadoTerceiro&)>;

    ResumoEnvio executar(const PedidoEnvio& pedido, const Progresso& progresso = {}, const AoTerminar& aoTerminar = {});

    // The parties with finished weighings (gross weight time within the whole days of
    // the period) whose codes lie between the two ends, both included, compared as
    // text. Throws DbError.
    QList<TerceiroEnvio> selecionar(const PedidoEnvio& pedido);

    // ExportarTaloesTerceiro: the statement of one party into `path`. Gives the path,
    // or empty text with ultimoErro() when no file was written. Throws DbError when
    // the template's query fails.
    QString exportarTaloesTerceiro(int modo, const QString& codigo, const QDate& inicio, const QDate& fim,
                                   const QString& path);
    // The same statement in memory, for the party's own attachment. Empty with
    // ultimoErro() when the template is refused; throws DbError when its query fails.
    QByteArray extractoPdf(int modo, const QString& codigo, const QDate& inicio, const QDate& fim);

    QString ultimoErro() const { return m_erro; }

    // "Talao_Cli_C1_2024_01_31_2024-02-29.pdf" (start with underscores, end with
    // hyphens, as the files have always been named). Characters a file name cannot
    // hold (and leading or trailing spaces, a leading '.') are replaced by '_', and the
    // name then gets '~' and the first 8 hex digits of the code's SHA-256, so two codes
    // never share a name: "X/1" gives "Talao_Cli_X_1~1a2b3c4d_…", "X_1" stays "Talao_Cli_X_1_…".
    static QString nomeFicheiro(int modo, const QString& codigo, const QDate& inicio, const QDate& fim);
    // The names of a run's parties: as nomeFicheiro, except that codes whose names
    // differ only by case ("c1", "C1") both get their hash, since on a disk where case
    // does not count they would be one file.
    static QStringList nomesFicheiros(int modo, const QStringList& codigos, const QDate& inicio, const QDate& fim);
    static QString nomeModelo(int modo);
    QString caminhoModelo(int modo) const;
    static QString textoSituacaoAnomala(const QString& descricao);

    // How many statements a run draws at once: the processor's cores by default, at most
    // four (reading a party takes about a sixth of drawing it, so more threads would wait
    // for the reading); 1 draws each on the calling thread, one after the other.
    void setDesenhosEmParalelo(int n) { m_desenhos = std::max(1, n); }
    int desenhosEmParalelo() const { return m_desenhos; }

  private:
    // A party's statement read from the database and filled in, still to be drawn.
    struct Extracto {
        QString html;
        QPageLayout paginacao;
        QString titulo;
    };
    // Loads and checks the statement template, runs its queries for the party and fills
    // it in. nullopt with ultimoErro() when the template is refused; throws DbError or
    // ErroModelo when a query fails.
    std::optional<Extracto> preparar(int modo, const QString& codigo, const QDate& inicio, const QDate& fim);

    BaseDados& m_db;
    QString m_programFolder;
    QString m_configFile;
    QString m_erro;
    std::unique_ptr<RenderizadorTalao> m_renderizador;
    QHash<QString, ModeloTalao> m_modelos;  // by file: read each time, checked when changed
    int m_desenhos;
};
