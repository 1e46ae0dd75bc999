#pragma once

#include <array>

#include "desks/camposdesk.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "base/money.h"
#include "tests/desks/operador/accao.h"

class BaseDados;
class Mundo;
class ParametrosAplic;

// A broken rule: which one, and what was seen.
struct Falha {
    QString regra;
    QString texto;
    static QString descrever(const std::optional<Falha>& f) {
        return f ? f->regra + QStringLiteral(": ") + f->texto : QString();
    }
};

// The desk as it stood before an action, for the rules about what the action claims.
struct Antes {
    bool primeiroPeso = false;
    bool segundoPeso = false;
    bool verHistorico = false;
    bool painelPesagem = false;
    bool painelFinal = false;
    bool dadosAlterados = false;
    bool obsAlteradas = false;
    qint32 idHistorico = 0;
    bool registoPendente = false;                // the weighing on the desk was pending in the database
    std::array<QString, kNumNomesCampo> campos;  // by field name
    std::array<bool, kNumNomesCampo> soLeitura = {};
    QString campo(Campo c) const { return campos[size_t(c)]; }
    int registos = 0;                    // weighings in the database
    bool matriculaPendente = false;      // the plate on the desk is already pending on this desk's side
    QString resumoEfectivo;              // the final save panel's "Peso Efectivo = " line
    std::optional<Money> taraRegistada;  // the stored tare accepted for the weighing on the desk

    static Antes de(Mundo& m, int posto);
};

// The rules every stored state keeps, whichever program or workstation wrote it: one live
// ERP document per finished weighing and its quantity the effective weight, weights that add
// up, no ticket number twice, no transaction left open.
class RegrasBase {
  public:
    RegrasBase(BaseDados& db, const ParametrosAplic& p);

    struct Contexto {
        QSet<qint32> efectivosDigitados;                      // typed by hand: not net less deductions
        std::function<QSet<qint32>(bool entrada)> pendentes;  // a desk's pending list, when there is one
        bool semNotas = false;                                // no ERP note left open (after a reconcile)
    };
    std::optional<Falha> verificar(const Contexto& c) const;

  private:
    BaseDados& m_db;
    QString m_tpSaida, m_tpMP, m_tpMS;
    QSet<QString> m_clientes, m_fornecedores, m_artigos;
};

// The rules every state of the database keeps, whatever the operator did, and the
// rule that a desk never keeps quiet about a save that did not happen.
class Invariantes {
  public:
    explicit Invariantes(Mundo& m);

    std::optional<Falha> depoisDe(const Accao& a, const Antes& antes);
    std::optional<Falha> baseDados();

  private:
    Mundo& m_mundo;
    RegrasBase m_regras;
};
