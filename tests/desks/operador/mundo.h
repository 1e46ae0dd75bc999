#pragma once

#include <QSet>
#include <QStringList>
#include <memory>

#include "desks/deskcore.h"
#include "erp/apiregistry.h"
#include "erp/sessaosagelocal.h"
#include "records/parametrosaplic.h"
#include "tests/desks/operador/accao.h"
#include "tests/support/testsupport.h"

// The operator's messages during one action; questions get the action's answer.
class MensagensAccao : public OperatorMessages {
  public:
    bool mostrarAviso(int tipo, const QString& texto) override;
    void mostrarEstado(int estado, const QString& texto) override;
    void mensagem(const QString& texto) override;

    bool resposta = true;
    QStringList textos;
    // Something the operator must read as "this did not happen" (a question or an
    // information note is not).
    bool recusou = false;
    // A question was answered No: whatever it guarded did not happen, on purpose.
    bool negou = false;
    void limpar() {
        textos.clear();
        recusou = false;
        negou = false;
    }
};

// Everything the randomized operator works on: a demo database, two workstations
// (each with its own connection and ERP session), an outgoing and an incoming desk
// on each, a simulated scale, lookup lists and tickets, and a clock that moves on.
class Mundo {
  public:
    Mundo();

    static constexpr int kPostos = 4;
    DeskCore& desk(int posto) { return *m_desks[posto]; }
    BaseDados& db() { return m_t.db(); }
    ParametrosAplic& parametros() { return m_parametros; }
    MensagensAccao& mensagens() { return m_msgs; }
    static const DeskKind& kind(int posto) { return posto < 2 ? DeskKind::saidas() : DeskKind::entradas(); }
    // Trucks registered at the start: one with a valid typed tare, one whose tare expired.
    static QString matriculaComTara() { return QStringLiteral("12-AB-34"); }
    static QString matriculaExpirada() { return QStringLiteral("45-QO-12"); }
    static QDateTime taraExpiradaEm() { return QDateTime(QDate(2020, 1, 6), QTime(8, 0)); }

    // Plays one action on its desk.
    void executar(const Accao& a);

    // Weighings whose effective weight an operator typed (no longer net minus deductions).
    const QSet<qint32>& efectivosDigitados() const { return m_digitados; }
    // Pending weighings as the desk's own list shows them.
    QSet<qint32> listaPendentes(bool entrada);

  private:
    struct Balanca : WeightSource {
        qint64 kg = 0;
        bool pesar(Money& p, QString& m) override;
    };
    struct Listas : LookupProvider {
        QString resposta;
        QString escolher(const LookupSpec&) override { return resposta; }
    };
    struct Taloes : TicketActions {
        bool imprimir(qint32, bool, int, QString&) override { return true; }
        bool enviarEmail(qint32, bool, const QString&) override { return true; }
    };

    // Destroyed in reverse: the desks before the ERP sessions, those before the connections.
    TempDatabase m_t;
    std::unique_ptr<BaseDados> m_db2;
    ParametrosAplic m_parametros;
    MensagensAccao m_msgs;
    RecordingMessages m_silencio;
    ApiRegistry m_registry;
    std::unique_ptr<SessaoSageLocal> m_erp[2];
    Balanca m_balanca;
    Listas m_listas;
    Taloes m_taloes;
    std::unique_ptr<DeskCore> m_desks[kPostos];
    std::unique_ptr<DeskCore> m_verificadores[2];
    int m_minutos = 0;
    QSet<qint32> m_digitados;
};
