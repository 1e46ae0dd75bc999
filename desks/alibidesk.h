#pragma once

#include <QString>
#include <optional>

#include "base/money.h"
#include "records/registoalibi.h"

class BaseDados;

// The desk's part in the alibi log: every reading of the indicator is logged as it is
// taken; a confirmed weight is either the reading just taken or a typed weight (logged
// as manual, and refused where the installation forbids typed weights); once the
// weighing has its record number, the weight's link row says which reading it became.
class AlibiDesk {
  public:
    AlibiDesk(BaseDados& db, QString balcao);

    // A reading came back from the indicator (stable or not). False with `erro` when it
    // could not be logged: such a weight must not be used.
    bool leitura(const QByteArray& resposta, const Money& peso, bool estavel, QString& erro);
    // The weight field changed by hand, or a new weighing panel: the last reading no
    // longer stands behind it.
    void esquecerLeitura() { m_leitura.reset(); }
    // The operator confirms `peso` as weight 1 or 2. False with `erro` (shown to the
    // operator) when a typed weight is forbidden or cannot be logged.
    bool confirmar(const Money& peso, int numeroPeso, QString& erro);
    // A stored tare confirmed as weight 1 or 2: it stands on the reading it was weighed
    // with (`alibiId`), which must still be that stable weight in the log, or, typed,
    // on a manual row written now (refused where typed weights are forbidden).
    bool confirmarRegistada(const Money& tara, qint64 alibiId, int numeroPeso, QString& erro);
    // The weighing has its record: link the confirmed weight. Throws DbError.
    void ligar(qint32 histId, int numeroPeso);

    static QString mensagemProibido() {
        return QStringLiteral(
            "Nesta instalação não é permitido introduzir pesos manualmente (opção PesoManual = "
            "proibido).\r\nLeia o peso da balança.");
    }

  private:
    BaseDados& m_db;
    QString m_balcao;
    RegistoAlibi m_registo;
    struct Lida {
        qint64 id;
        Money peso;
        bool estavel;
    };
    std::optional<Lida> m_leitura;
    qint64 m_confirmada[3] = {0, 0, 0};
};
