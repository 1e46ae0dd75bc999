#pragma once

#include <QStringList>
#include <memory>

#include "desks/deskcore.h"
#include "erp/apiregistry.h"
#include "erp/sessaosagelocal.h"
#include "records/parametrosaplic.h"
#include "tests/desks/pesagemlida.h"
#include "tests/support/testsupport.h"

// A field's control in a desk window (campo_N), named through the desk's table.
inline QString objecto(Campo c, const DeskKind& k = DeskKind::saidas()) {
    return k.tabela().objecto(c);
}
inline QString objectoLista(Campo c) {
    return DeskKind::saidas().tabela().objectoLista(c);
}

// Answers the desk's lookups, weights and ticket requests as a test wants.
struct FakeLookup : LookupProvider {
    QString resposta;
    QList<LookupSpec> pedidos;
    QString escolher(const LookupSpec& s) override {
        pedidos << s;
        return resposta;
    }
};

struct FakeWeight : WeightSource {
    bool ok = true;
    Money peso = Money::fromInteger(0);
    QString mensagem = QStringLiteral("Pesagem Instável");
    bool pesar(Money& p, QString& m) override {
        p = peso;
        if (!ok) m = mensagem;
        return ok;
    }
};

struct FakeTickets : TicketActions {
    QList<QPair<qint32, int>> impressos;
    QList<QPair<qint32, QString>> emails;
    QList<qint32> senhas;
    bool senhaOk = true;
    bool imprimirSenha(qint32 id, QString& erro) override {
        senhas << id;
        if (!senhaOk) erro = QStringLiteral("Impressora sem papel.");
        return senhaOk;
    }
    bool falhar = false;  // the printer refuses
    bool imprimir(qint32 id, bool, int copias, QString& erro) override {
        if (falhar) {
            erro = QStringLiteral("Impressora desligada.");
            return false;
        }
        impressos << qMakePair(id, copias);
        return true;
    }
    bool enviarEmail(qint32 id, bool, const QString& para) override {
        emails << qMakePair(id, para);
        return true;
    }
};

// A demo database with its parameters, the local ERP connected on it, and desks.
class DeskFixture {
  public:
    DeskFixture() : t(TempDatabase::Demo) {
        RecordingMessages m;
        ParametrosAplic::gravar(t.db(), m,
                                {QStringLiteral("1"), QStringLiteral("A1"), QStringLiteral("GEM"), QStringLiteral("1"),
                                 QStringLiteral("GES"), QStringLiteral("2"), QStringLiteral("GR"), QStringLiteral("1"),
                                 QStringLiteral("PES"), QStringLiteral("A2"), QStringLiteral("2")});
        parametros.ler(t.db(), m);
        erp = std::make_unique<SessaoSageLocal>(t.settings(), QStringLiteral("erp_desk"));
        erp->ligar(QStringLiteral("local"), {}, QStringLiteral("DEMO"), QStringLiteral("admin"),
                   QStringLiteral("demo"));
    }

    std::unique_ptr<DeskCore> desk(const DeskKind& kind) {
        auto d = std::make_unique<DeskCore>(kind, t.db(), parametros, msgs, *erp, registry);
        d->setLookupProvider(&lookup);
        d->setWeightSource(&balanca);
        d->setTicketActions(&tickets);
        return d;
    }

    // Types a field and leaves it, as an operator with the Tab key; gives the validation's answer.
    static bool tab(DeskCore& d, Campo campo, const QString& texto) {
        d.escrever(campo, texto);
        return d.sair(campo);
    }

    // A new weighing up to its first weight; gives its record number.
    qint32 primeiraPesagem(DeskCore& d, const QString& terceiro, const QString& artigo, int kg,
                           const QString& matricula = QStringLiteral("12-AB-34")) {
        d.btEntrada();
        tab(d, Campo::Terceiro, terceiro);
        tab(d, Campo::Artigo, artigo);
        tab(d, Campo::Matricula, matricula);
        d.btPeso();
        d.escrever(Campo::Peso, QString::number(kg));
        d.btConfPeso(Gravacao::Confirmar);
        return PesagemLida::ultimo(t.db());
    }

    // Opens a pending weighing from the desk's list.
    static bool abrirPendente(DeskCore& d, qint32 id) {
        d.btPendentes();
        for (int r = 0; r < d.grelha().linhas.size(); ++r) {
            if (d.grelha().valor(r, QStringLiteral("Id")).toInt() == id) {
                d.activarLinha(r);
                return d.idHistorico() == id;
            }
        }
        return false;
    }

    // Opens the pending weighing from the list and takes its second weight.
    bool segundaPesagem(DeskCore& d, qint32 id, int kg) {
        if (!abrirPendente(d, id)) return false;
        d.btPeso();
        d.escrever(Campo::Peso, QString::number(kg));
        d.btConfPeso(Gravacao::Confirmar);
        return d.tabActual() == Pagina::Carga;
    }

    // Opens a finished weighing from today's history.
    bool abrirHistorico(DeskCore& d, qint32 id) {
        d.btHistorico();
        d.btLer();
        for (int r = 0; r < d.grelha().linhas.size(); ++r) {
            if (d.grelha().valor(r, QStringLiteral("Id")).toInt() == id) {
                d.activarLinha(r);
                return true;
            }
        }
        return false;
    }

    QVariant valor(const QString& sql, const QVariantList& p = {}) { return t.db().escalar(sql, p); }

    TempDatabase t;
    ParametrosAplic parametros;
    RecordingMessages msgs;
    ApiRegistry registry;
    std::unique_ptr<SessaoSageLocal> erp;
    FakeLookup lookup;
    FakeWeight balanca;
    FakeTickets tickets;
};
