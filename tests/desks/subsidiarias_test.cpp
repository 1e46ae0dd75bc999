// The subsidiary-materials choice of an incoming weighing: taken with the first weight,
// kept while the truck is away, restored on every workstation, locked from then on, and
// never able to change the lines of the document a correction rewrites.
#include <QtTest>

#include "erp/documentodesk.h"
#include "records/registohistorico.h"
#include "tests/desks/regrasdesk.h"

namespace {

// A new incoming weighing up to its first (gross) weight, with the box as given.
qint32 primeira(DeskFixture& f, DeskCore& d, const QString& fornecedor, const QString& artigo, bool subsidiarias,
                int kg = 24000) {
    DeskFixture::nova(d, fornecedor, artigo);
    d.setMateriasSubsidiarias(subsidiarias);
    DeskFixture::pesar(d, kg);
    return PesagemLida::ultimo(f.t.db());
}

void concluir(DeskCore& d, int tara) {
    DeskFixture::pesar(d, tara);
    DeskFixture::concluir(d);
}

}  // namespace

class SubsidiariasTest : public QObject {
    Q_OBJECT

  private slots:
    void theChoiceStaysWithThePendingTruck() {
        DeskFixture f;
        auto d = f.desk(DeskKind::entradas());
        const qint32 id = primeira(f, *d, QStringLiteral("F002"), QStringLiteral("ADUBO-NPK"), true);
        QCOMPARE(d->noTalao(), 1);
        QVERIFY(!d->materiasSubsidiarias());  // the cleared desk

        // Another workstation opens the pending truck: the box comes back ticked and locked.
        auto outraDb = f.t.second(QStringLiteral("posto2"));
        DeskCore outra(DeskKind::entradas(), *outraDb, f.parametros, f.msgs, *f.erp, f.registry);
        QVERIFY(DeskFixture::abrirPendente(outra, id));
        QVERIFY(outra.materiasSubsidiarias());
        outra.setMateriasSubsidiarias(false);
        QVERIFY(outra.materiasSubsidiarias());
        concluir(outra, 12000);
        const RecordSet r = LerHistorico(f.t.db(), id);
        QVERIFY(!r.isNull(QStringLiteral("DataHoraPL")));
        QCOMPARE(r.text(QStringLiteral("TpDoc")), QStringLiteral("GES"));
        // From the history the box is ticked again; a correction keeps the article alone on the receipt.
        QVERIFY(f.abrirHistorico(*d, id));
        QVERIFY(d->materiasSubsidiarias());
        DeskFixture::tab(*d, Campo::Vasilhame, QStringLiteral("10"));
        f.corrigir(*d);
        const RecordSet l = f.t.db().consultar(QStringLiteral("SELECT * FROM DocGCLin"));
        QCOMPARE(l.count(), 1);
        QCOMPARE(l.text(0, QStringLiteral("Artigo")), QStringLiteral("ADUBO-NPK"));
        QCOMPARE(PesagemLida::ler(f.t.db(), id).efectivo, 11990.0);
        QCOMPARE(regrasQuebradas(f), QString());
    }

    void theBoxIsFreeOnlyUntilTheFirstWeightIsSaved() {
        DeskFixture f;
        auto d = f.desk(DeskKind::entradas());
        d->btEntrada();
        DeskFixture::tab(*d, Campo::Terceiro, QStringLiteral("F002"));
        d->setMateriasSubsidiarias(true);
        QVERIFY(d->materiasSubsidiarias());
        d->setMateriasSubsidiarias(false);
        QVERIFY(!d->materiasSubsidiarias());
        // A pending truck cancelled from the desk takes its choice with it.
        const qint32 id = primeira(f, *d, QStringLiteral("F002"), QStringLiteral("ADUBO-NPK"), true);
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico_Opcoes WHERE Hist_Id = ?"), {id}), 1);
        QVERIFY(DeskFixture::abrirPendente(*d, id));
        f.msgs.answers = {true};
        d->btAnularHist();
        QVERIFY(LerHistorico(f.t.db(), id).isEmpty());
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico_Opcoes")), 0);
    }

    void aPendingTruckOfAnOlderWorkstationKeepsTheBoxFree() {
        DeskFixture f;
        auto d = f.desk(DeskKind::entradas());
        const qint32 id = primeira(f, *d, QStringLiteral("F002"), QStringLiteral("ADUBO-NPK"), true);
        // Saved by a workstation that does not know the table: no choice stored.
        f.t.db().executar(QStringLiteral("DELETE FROM kel_PES_Historico_Opcoes"));
        QVERIFY(DeskFixture::abrirPendente(*d, id));
        QVERIFY(!d->materiasSubsidiarias());
        d->setMateriasSubsidiarias(true);
        QVERIFY(d->materiasSubsidiarias());
        concluir(*d, 12000);
        QCOMPARE(LerHistorico(f.t.db(), id).text(QStringLiteral("TpDoc")), QStringLiteral("GES"));
    }

    // A raw-material truck cannot become subsidiary, nor can its correction double the receipt.
    void aCorrectionNeverDoublesTheReceipt() {
        DeskFixture f;
        auto d = f.desk(DeskKind::entradas());
        const qint32 id = primeira(f, *d, QStringLiteral("F001"), QStringLiteral("MILHO"), false, 31000);
        QVERIFY(DeskFixture::abrirPendente(*d, id));
        QVERIFY(!d->materiasSubsidiarias());
        d->setMateriasSubsidiarias(true);
        QVERIFY(!d->materiasSubsidiarias());
        concluir(*d, 11000);
        QCOMPARE(LerHistorico(f.t.db(), id).text(QStringLiteral("TpDoc")), QStringLiteral("GEM"));
        // Its ticket number came from, and stays with, the raw-material counter.
        QCOMPARE(LerHistorico(f.t.db(), id).value(QStringLiteral("NoTalao")).toInt(), 1);

        // From the history the box decides nothing: it is locked as the document was made.
        QVERIFY(f.abrirHistorico(*d, id));
        QVERIFY(!d->materiasSubsidiarias());
        d->setMateriasSubsidiarias(true);
        QVERIFY(!d->materiasSubsidiarias());
        DeskFixture::tab(*d, Campo::Vasilhame, QStringLiteral("100"));
        f.corrigir(*d);
        // Still the quality line and the article's: the receipt holds the corrected weight once.
        const RecordSet l = f.t.db().consultar(QStringLiteral("SELECT * FROM DocGCLin ORDER BY NLinha"));
        QCOMPARE(l.count(), 2);
        QCOMPARE(l.text(1, QStringLiteral("Artigo")), QStringLiteral("MILHO"));
        QCOMPARE(PesagemLida::ler(f.t.db(), id).efectivo, 19900.0);
        QCOMPARE(regrasQuebradas(f), QString());
    }

    void theLinesOfACorrectionComeFromTheDocument() {
        // Whatever the desk says about the box, the quality line is the one without an
        // article and keeps quantity 0; only article lines get the effective weight.
        DeskFixture f;
        auto d = f.desk(DeskKind::entradas());
        const qint32 id = primeira(f, *d, QStringLiteral("F001"), QStringLiteral("MILHO"), false, 31000);
        QVERIFY(DeskFixture::abrirPendente(*d, id));
        concluir(*d, 11000);
        const RecordSet r = LerHistorico(f.t.db(), id);
        DocumentoDesk doc(*f.erp, f.registry, f.msgs);
        DadosDocumentoDesk dados;
        dados.entrada = true;
        dados.ano = short(r.value(QStringLiteral("Ano")).toInt());
        dados.serie = short(r.value(QStringLiteral("Serie")).toInt());
        dados.numero = r.value(QStringLiteral("NoDoc")).toInt();
        dados.tipo = r.text(QStringLiteral("TpDoc"));
        dados.dataPesagem = QDate::currentDate();
        dados.terceiro = QStringLiteral("F001");
        dados.artigo = QStringLiteral("MILHO");
        dados.nomeArtigo = QStringLiteral("Milho em grão nacional");
        dados.pesoEfectivo = QStringLiteral("19500");
        dados.materiasSubsidiarias = true;
        dados.caracteristica = QStringLiteral("Tipo B");
        f.msgs.answers = {true};
        QVERIFY(doc.actualizarDocumentoFinalizado(dados) == DocumentoDesk::Actualizacao::Gravado);
        const RecordSet l = f.t.db().consultar(QStringLiteral("SELECT * FROM DocGCLin ORDER BY NLinha"));
        QCOMPARE(l.count(), 2);
        QCOMPARE(l.text(0, QStringLiteral("Artigo")), QString());
        QCOMPARE(l.text(0, QStringLiteral("Descricao")), QStringLiteral("Qualidade do Produto Tipo B"));
        QCOMPARE(l.value(0, QStringLiteral("Quantidade")).toDouble(), 0.0);
        QCOMPARE(l.value(1, QStringLiteral("Quantidade")).toDouble(), 19500.0);
    }
};

QTEST_GUILESS_MAIN(SubsidiariasTest)
#include "subsidiarias_test.moc"
