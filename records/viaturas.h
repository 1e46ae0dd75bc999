#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>
#include <variant>

#include "base/money.h"

class BaseDados;

// A registered truck: its usual party and article and the empty weight it was weighed
// with (a reading of the indicator, or typed where typed weights are allowed), which a
// desk may use instead of weighing the truck empty while it has not expired.
struct Viatura {
    QString matricula;  // as the desks compare plates: trimmed, upper case
    QString terceiro;   // usual party, may be empty
    QString artigo;     // usual article, may be empty
    QString motorista;
    Money tara;
    QDateTime pesadaEm;   // when the tare was weighed (or typed)
    QDate validaAte;      // last day it may be used
    QString posto;        // workstation that stored it
    QString utilizador;   // login that stored it
    bool manual = false;  // typed, not read from the indicator
    qint64 alibiId = 0;   // the reading it came from (0 when typed)
    qint32 histId = 0;    // the weighing it came from (0 when typed)

    bool valida(const QDate& dia) const { return dia <= validaAte; }
    QString origem() const { return manual ? QStringLiteral("manual") : QStringLiteral("scale"); }
};

// The stored tare a finished weighing used for one of its weights.
struct TaraUsada {
    qint32 histId = 0;
    QString matricula;
    Money tara;
    QDateTime pesadaEm;
    bool manual = false;
    qint64 alibiId = 0;
};

// The register of trucks (kel_PES_Viaturas) and the marks of the weighings that used a
// stored tare (kel_PES_Historico_TaraRegistada). Statements throw DbError.
class RegistoViaturas {
  public:
    // A stored tare counts this many days from its weighing unless told otherwise.
    static constexpr int kValidadeDias = 180;

    explicit RegistoViaturas(BaseDados& db) : m_db(db) {}

    static QString normalizar(const QString& matricula) { return matricula.trimmed().toUpper(); }
    // The mark a ticket prints beside a stored tare.
    static QString marca(const QDate& pesadaEm);
    static QString mensagemExpirada(const QString& matricula, const QDate& validaAte);

    // The tare of finished outgoing load `histId` as the truck's stored tare, valid until
    // `validaAte` (by default kValidadeDias after it was weighed), or why it cannot be:
    // a weighing that is not a finished outgoing load with a plate, whose document was
    // cancelled, whose tare was itself a stored one, or typed where typed weights are
    // forbidden; a validity before `hoje`.
    std::variant<Viatura, QString> daPesagem(qint32 histId, std::optional<QDate> validaAte, const QDate& hoje);
    // Why `validaAte` cannot be a stored tare's last day (empty when it can).
    static QString erroValidade(const QDate& validaAte, const QDate& hoje);

    std::optional<Viatura> ler(const QString& matricula);
    QList<Viatura> todas();
    // Inserts or replaces the truck's row.
    void gravar(const Viatura& v);
    bool apagar(const QString& matricula);

    // The weighing `histId` used the stored tare `v`: replaces its mark.
    void marcar(qint32 histId, const Viatura& v);
    void desmarcar(qint32 histId);
    std::optional<TaraUsada> taraUsada(qint32 histId);

  private:
    BaseDados& m_db;
};
