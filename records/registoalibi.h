#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

#include "base/money.h"
#include "base/sqlsettings.h"

class BaseDados;

// One row of the alibi log: an indicator reading (or a weight typed by hand), or a
// link saying which weight of which weighing a reading became. Rows are only ever
// appended; each carries a SHA-256 hash over the previous row's hash and its own
// fields, so a changed, removed or reordered row breaks the chain.
struct LinhaAlibi {
    enum class Tipo { Leitura, Ligacao };
    qint64 id = 0;
    QDateTime dataHora;  // whole seconds
    QString posto;       // workstation
    QString balcao;      // "saidas", "entradas", or empty for a reading outside a desk
    Tipo tipo = Tipo::Leitura;
    QString origem;    // reading: "scale" or "manual"; link: empty
    QString resposta;  // the indicator's reply (control bytes as \xHH); empty when typed
    Money peso;
    bool estavel = false;
    qint64 leitura = 0;  // link: the reading it attaches
    qint32 histId = 0;   // link: the weighing
    int numeroPeso = 0;  // link: 1 first weight, 2 second
    QString hash;

    // The exact text the hash is taken over: the same from either database.
    QString textoCanonico(const QString& hashAnterior) const;
    QString calcularHash(const QString& hashAnterior) const;
};

// A reading as the ticket and the list need it: the reading and the weight it became.
struct LeituraLigada {
    LinhaAlibi leitura;
    qint32 histId = 0;
    int numeroPeso = 0;
    qint64 ligacao = 0;  // the link row
};

class RegistoAlibi {
  public:
    static constexpr int kMaxResposta = 600;
    static QString hashInicial() { return QString(64, QLatin1Char('0')); }

    // `posto` names this workstation in every row it writes.
    RegistoAlibi(BaseDados& db, QString posto);

    // Appends a reading of the indicator (reply bytes as received) or a typed weight.
    // Throws DbError. Gives the new row.
    LinhaAlibi registarLeitura(const QString& balcao, const QByteArray& resposta, const Money& peso, bool estavel);
    LinhaAlibi registarManual(const QString& balcao, const Money& peso);
    // Appends the link of a reading to a weighing's first (1) or second (2) weight.
    LinhaAlibi ligar(const QString& balcao, qint64 leitura, qint32 histId, int numeroPeso);

    // Every reading linked to a weighing, in the order of their links.
    QList<LeituraLigada> leiturasDe(qint32 histId);
    // The reading each weight of a weighing stands on now (the last link of each).
    std::optional<LeituraLigada> leituraDoPeso(qint32 histId, int numeroPeso);
    std::optional<LinhaAlibi> linha(qint64 id);

    struct Verificacao {
        qint64 linhas = 0;
        bool ok = true;
        qint64 primeiraErrada = 0;
        QString motivo;
    };
    // Recomputes the chain, over the rows of a period when given (dates inclusive).
    Verificacao verificar(std::optional<QDate> de = {}, std::optional<QDate> ate = {});

    // The raw reply as stored: printable ASCII as is, other bytes as \xHH, cut to the column.
    static QString textoResposta(const QByteArray& resposta);
    // The statement that reads the last row and holds it (and the gap after it) until the
    // transaction ends, so two workstations can never take the same number.
    static QString ultimaLinhaSql(Backend backend);
    static QString insertSql();
    // PostgreSQL: locks the chain's last row before it is read again.
    static QString bloquearUltimaSql();

  private:
    LinhaAlibi acrescentar(LinhaAlibi l);
    void escrever(LinhaAlibi& l);
    static LinhaAlibi deRegisto(const class RecordSet& rs, int row);

    BaseDados& m_db;
    QString m_posto;
};
