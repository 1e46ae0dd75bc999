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
    void enviarEmail(qint32 id, bool, const QString& para) override { emails << qMakePair(id, para); }
};

// A demo database with its parameters, the local ERP connected on it, and desks.
class DeskFixture {
  public:
    DeskFixture() : t(TempDatabase::Demo) {
        gravarParametros(2);
        erp = std::make_unique<SessaoSageLocal>(t.settings(), QStringLiteral("erp_desk"));
        erp->ligar(QStringLiteral("local"), {}, QStringLiteral("DEMO"), QStringLiteral("admin"),
                   QStringLiteral("demo"));
    }

    // The application's parameters (document types, series, prefix), with `vias` ticket copies.
    bool gravarParametros(int vias) {
        RecordingMessages m;
        ParametrosAplic::gravar(t.db(), m,
                                QStringLiteral("1 A1 GEM 1 GES 2 GR 1 PES A2").split(u' ') << QString::number(vias));
        return parametros.ler(t.db(), m);
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

    // A new weighing with its party and article typed.
    static void nova(DeskCore& d, const QString& terceiro, const QString& artigo) {
        d.btEntrada();
        tab(d, Campo::Terceiro, terceiro);
        tab(d, Campo::Artigo, artigo);
    }

    // A new weighing up to its first weight; gives its record number.
    qint32 primeiraPesagem(DeskCore& d, const QString& terceiro, const QString& artigo, int kg,
                           const QString& matricula = QStringLiteral("12-AB-34")) {
        nova(d, terceiro, artigo);
        tab(d, Campo::Matricula, matricula);
        pesar(d, kg);
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
        pesar(d, kg);
        return d.tabActual() == Pagina::Carga;
    }

    // The review's "Confirmar", then the final save.
    static void concluir(DeskCore& d, Gravacao g = Gravacao::Confirmar) {
        d.btConf();
        d.btConfFinal(g);
    }

    // A weighing from its first weight to its final save; gives its record number, 0 when it did not finish.
    qint32 concluida(DeskCore& d, const QString& terceiro, const QString& artigo, int primeiro, int segundo,
                     const QString& matricula = QStringLiteral("12-AB-34")) {
        const qint32 id = primeiraPesagem(d, terceiro, artigo, primeiro, matricula);
        if (!segundaPesagem(d, id, segundo)) return 0;
        concluir(d);
        return PesagemLida::ler(t.db(), id).pendente ? 0 : id;
    }

    // The weighing panel opened, a weight typed (on a given day) and confirmed.
    static void pesar(DeskCore& d, int kg, const QDate& dia = {}) {
        d.btPeso();
        if (dia.isValid()) d.setDataPesagem(dia);
        d.escrever(Campo::Peso, QString::number(kg));
        d.btConfPeso(Gravacao::Confirmar);
    }

    // "Confirmar" on a weighing opened from the history, the correction accepted when asked.
    void corrigir(DeskCore& d) {
        msgs.answers = {true};
        d.btConf();
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
    // Rows of a table, with its WHERE when given.
    int contar(const QString& tabela, const QVariantList& p = {}) {
        return valor(QStringLiteral("SELECT COUNT(*) FROM ") + tabela, p).toInt();
    }

    TempDatabase t;
    ParametrosAplic parametros;
    RecordingMessages msgs;
    ApiRegistry registry;
    std::unique_ptr<SessaoSageLocal> erp;
    FakeLookup lookup;
    FakeWeight balanca;
    FakeTickets tickets;
};
