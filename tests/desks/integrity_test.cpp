// Nothing is saved or completed with a wrong weight, party, campaign or ERP quantity:
// the operator's sequences that used to let wrong data through, played on the desk core
// with a real SQLite file and the local ERP.
#include <QtTest>

#include "records/registohistorico.h"
#include "tests/desks/regrasdesk.h"

namespace {

// Up to the review of a pending truck, with its second weight taken.
qint32 cargaPesada(DeskFixture& f, DeskCore& d, int tara, int bruto, bool entrada = false) {
    const qint32 id =
        f.primeiraPesagem(d, entrada ? QStringLiteral("F001") : QStringLiteral("C001"), QStringLiteral("MILHO"), tara);
    return f.segundaPesagem(d, id, bruto) ? id : 0;
}

}  // namespace

class IntegrityTest : public QObject {
    Q_OBJECT

  private slots:
    // Weights emptied after the second weighing (the panel opened again, a digit typed,
    // cancelled): the truck is not finished with zeros.
    void emptiedWeightsAreNeverCompleted() {
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        const qint32 id = cargaPesada(f, *d, 12000, 22000);
        QVERIFY(id > 0);
        d->btPeso();
        d->escrever(Campo::Peso, QStringLiteral("7"));
        d->btCancPeso();
        f.msgs.clear();
        DeskFixture::concluir(*d);
        QVERIFY2(f.msgs.all.join(u'|').contains(QStringLiteral("Peso Bruto")), qPrintable(f.msgs.all.join(u'|')));
        QVERIFY(PesagemLida::ler(f.t.db(), id).pendente);
        QCOMPARE(f.contar(QStringLiteral("DocGCCab WHERE NumVias <> -1")), 0);
        // Weighed again, it finishes with the real weights.
        d->btCancGeral();
        QVERIFY(f.segundaPesagem(*d, id, 22000));
        DeskFixture::concluir(*d);
        QCOMPARE(PesagemLida::ler(f.t.db(), id).efectivo, 10000.0);
        QCOMPARE(regrasQuebradas(f), QString());
    }

    // A party, address or article text that validation refused (or never saw) is never written.
    void onlyTheValidatedPartyIsSaved_data() {
        QTest::addColumn<QStringList>("passos");  // field=text as typed and left; "!" when it is refused
        QTest::addColumn<QString>("recusa");
        QTest::newRow("party refused") << QStringList{"T=C001", "T=X99!", "A=MILHO"} << QStringLiteral("Cliente");
        // An address of the previous customer does not go with the next one.
        QTest::newRow("address of another party")
            << QStringList{"T=C001", "M=002", "T=C003", "A=MILHO"} << QStringLiteral("Morada");
        QTest::newRow("article refused") << QStringList{"T=C001", "A=MILHO", "A=RAC-COE!"} << QStringLiteral("Artigo");
    }
    void onlyTheValidatedPartyIsSaved() {
        QFETCH(QStringList, passos);
        QFETCH(QString, recusa);
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        d->btEntrada();
        for (const QString& p : passos) {
            const Campo c = p[0] == u'T' ? Campo::Terceiro : p[0] == u'M' ? Campo::Morada : Campo::Artigo;
            const bool recusado = p.endsWith(u'!');
            QCOMPARE(DeskFixture::tab(*d, c, p.mid(2).chopped(recusado ? 1 : 0)), !recusado);
            if (recusado) QVERIFY(d->sair(c));  // the second Tab lets the operator go on
        }
        f.msgs.clear();
        DeskFixture::pesar(*d, 12000);
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico")), 0);
        QVERIFY2(f.msgs.last().contains(recusa), qPrintable(f.msgs.last()));
        if (recusa == QStringLiteral("Cliente")) QCOMPARE(d->foco(), Campo::Terceiro);
        // Validated again, the truck is saved and listed as pending.
        d->btCancGeral();
        QVERIFY(f.primeiraPesagem(*d, QStringLiteral("C003"), QStringLiteral("MILHO"), 12000) > 0);
        d->btPendentes();
        QCOMPARE(d->grelha().linhas.size(), 1);
    }

    // A correction is checked before the ERP is called: the document never changes unless
    // the record does. Deductions and the effective weight use the program's weight format:
    // "1.250" is one thousand two hundred and fifty, "20,5" twenty and a half.
    void correctionsAreCheckedBeforeTheErp_data() {
        QTest::addColumn<Campo>("campo");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<double>("efectivo");  // 0: refused, with the field named
        QTest::newRow("effective, wrong mark") << Campo::Efectivo << QStringLiteral("9500.5") << 0.0;
        QTest::newRow("container, wrong mark") << Campo::Vasilhame << QStringLiteral("20.5") << 0.0;
        QTest::newRow("container thousands") << Campo::Vasilhame << QStringLiteral("1.250") << 8750.0;
        QTest::newRow("container decimal") << Campo::Vasilhame << QStringLiteral("20,5") << 9979.5;
        QTest::newRow("effective typed") << Campo::Efectivo << QStringLiteral("9.500,5") << 9500.5;
    }
    void correctionsAreCheckedBeforeTheErp() {
        QFETCH(Campo, campo);
        QFETCH(QString, texto);
        QFETCH(double, efectivo);
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        const qint32 id = f.concluida(*d, QStringLiteral("C001"), QStringLiteral("MILHO"), 14000, 24000);
        QVERIFY(id > 0);
        QVERIFY(f.abrirHistorico(*d, id));
        f.msgs.clear();
        QCOMPARE(DeskFixture::tab(*d, campo, texto), efectivo > 0);
        if (!efectivo) {
            const QString nome =
                campo == Campo::Efectivo ? QStringLiteral("Peso Efectivo") : QStringLiteral("Vasilhame");
            QVERIFY2(f.msgs.last().contains(nome), qPrintable(f.msgs.last()));
        }
        f.corrigir(*d);  // refused again at the confirmation
        QCOMPARE(PesagemLida::ler(f.t.db(), id).efectivo, efectivo ? efectivo : 10000.0);
        // The document holds what the record holds.
        QCOMPARE(regrasQuebradas(f, {id}), QString());
    }

    // A deduction typed to the gram is shown, kept and sent as typed: opening the weighing
    // from the history and correcting something else changes neither the record nor the ERP.
    void correctionsKeepEveryDecimal() {
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        const qint32 id = cargaPesada(f, *d, 14000, 24000);
        QVERIFY(DeskFixture::tab(*d, Campo::Vasilhame, QStringLiteral("0,125")));
        QCOMPARE(d->campo(Campo::Efectivo), QStringLiteral("9.999,875"));
        DeskFixture::concluir(*d);
        // The effective weight kept to the gram; the stored rules then hold the deduction and the
        // document's quantity to it.
        const auto efectivo = [&] { return PesagemLida::ler(f.t.db(), id).efectivo; };
        QCOMPARE(efectivo(), 9999.875);
        QCOMPARE(regrasQuebradas(f), QString());

        // Only the observations corrected.
        QVERIFY(f.abrirHistorico(*d, id));
        QCOMPARE(d->campo(Campo::Vasilhame), QStringLiteral("0,125"));
        QCOMPARE(d->campo(Campo::Efectivo), QStringLiteral("9.999,875"));
        QVERIFY(DeskFixture::tab(*d, Campo::Observacoes, QStringLiteral("Descarga conferida")));
        f.corrigir(*d);
        QCOMPARE(efectivo(), 9999.875);
        QCOMPARE(regrasQuebradas(f), QString());

        // The place of loading corrected: the document is written again, with the same quantity.
        QVERIFY(f.abrirHistorico(*d, id));
        QVERIFY(DeskFixture::tab(*d, Campo::LocalCarga, QStringLiteral("Armazém 2")));
        f.corrigir(*d);
        QCOMPARE(
            f.valor(QStringLiteral("SELECT LocalCG FROM DocGCCab WHERE NumVias <> -1 AND Tpdoc = 'GR'")).toString(),
            QStringLiteral("Armazém 2"));
        QCOMPARE(efectivo(), 9999.875);
        QCOMPARE(regrasQuebradas(f), QString());
    }

    // Campaign, ticket year, ticket number and ERP reference stay as taken at the first weighing.
    void campaignStaysWithTheFirstWeighing_data() {
        QTest::addColumn<bool>("entrada");
        QTest::addColumn<QDate>("primeiro");
        QTest::addColumn<QDate>("segundo");
        const int ano = QDate::currentDate().year() - 1;
        QTest::newRow("campaign") << false << QDate(ano, 9, 30) << QDate(ano, 10, 1);
        QTest::newRow("year") << false << QDate(ano, 12, 31) << QDate(ano + 1, 1, 1);
        QTest::newRow("incoming campaign") << true << QDate(ano, 9, 30) << QDate(ano, 10, 1);
    }
    void campaignStaysWithTheFirstWeighing() {
        QFETCH(bool, entrada);
        QFETCH(QDate, primeiro);
        QFETCH(QDate, segundo);
        DeskFixture f;
        auto d = f.desk(entrada ? DeskKind::entradas() : DeskKind::saidas());
        DeskFixture::nova(*d, entrada ? QStringLiteral("F001") : QStringLiteral("C002"), QStringLiteral("MILHO"));
        DeskFixture::pesar(*d, entrada ? 30000 : 11000, primeiro);
        const qint32 id = PesagemLida::ultimo(f.t.db());
        QVERIFY(DeskFixture::abrirPendente(*d, id));
        DeskFixture::pesar(*d, entrada ? 10000 : 21000, segundo);
        DeskFixture::concluir(*d);
        const RecordSet r = LerHistorico(f.t.db(), id);
        QVERIFY(!r.isNull(QStringLiteral("DataHoraPL")));
        QCOMPARE(RecordSet::toDateTime(r.value(QStringLiteral("DataHoraPB"))).date(), primeiro);
        // The campaign, ticket year and ERP reference stored are those of that day.
        QCOMPARE(regrasQuebradas(f), QString());
    }

    // Weights that cannot be held and a weight of 0 are refused with a message naming the field.
    void impossibleWeightsAreRefused() {
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        const auto painel = [&] {
            d->btCancGeral();
            DeskFixture::nova(*d, QStringLiteral("C001"), QStringLiteral("MILHO"));
            d->btPeso();
        };
        for (const char* kg : {"99999999999999", "999999999999999", "0", "000"}) {
            painel();
            d->escrever(Campo::Peso, QString::fromLatin1(kg));
            f.msgs.clear();
            d->btConfPeso(Gravacao::Confirmar);
            QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico")), 0);
            QVERIFY2(!f.msgs.all.isEmpty() && f.msgs.last().contains(QStringLiteral("Tara")), kg);
            QVERIFY(d->painelPesagem());
        }
        // The second weight too.
        const qint32 id = f.primeiraPesagem(*d, QStringLiteral("C001"), QStringLiteral("MILHO"), 12000);
        QVERIFY(id > 0);
        f.msgs.clear();
        QVERIFY(DeskFixture::abrirPendente(*d, id));
        d->btPeso();
        d->escrever(Campo::Peso, QStringLiteral("99999999999999"));
        d->btConfPeso(Gravacao::Confirmar);
        QVERIFY2(f.msgs.last().contains(QStringLiteral("Peso Bruto")), qPrintable(f.msgs.last()));
        QVERIFY(d->campo(Campo::Bruto).isEmpty());
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico WHERE DataHoraPL IS NULL")), 1);
    }

    // Deductions never make the effective weight zero or negative, nor above the net weight.
    void effectiveWeightStaysWithinTheNetWeight() {
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        const qint32 id = cargaPesada(f, *d, 12000, 22000);
        f.msgs.clear();
        QVERIFY(!DeskFixture::tab(*d, Campo::Vasilhame, QStringLiteral("20000")));
        QVERIFY(!f.msgs.all.isEmpty());
        DeskFixture::concluir(*d);
        QVERIFY(PesagemLida::ler(f.t.db(), id).pendente);
        QCOMPARE(f.contar(QStringLiteral("DocGCCab WHERE NumVias <> -1")), 0);
        f.msgs.clear();
        QVERIFY(!DeskFixture::tab(*d, Campo::Vasilhame, QStringLiteral("-5")));
        QVERIFY2(f.msgs.last().contains(QStringLiteral("Vasilhame")), qPrintable(f.msgs.last()));
        QVERIFY(!DeskFixture::tab(*d, Campo::Efectivo, QStringLiteral("10.001")));
        QVERIFY(!DeskFixture::tab(*d, Campo::Efectivo, QStringLiteral("0")));
        QVERIFY(DeskFixture::tab(*d, Campo::Vasilhame, QStringLiteral("10")));
        QCOMPARE(d->campo(Campo::Efectivo), QStringLiteral("9.990,00"));
        DeskFixture::concluir(*d);
        QCOMPARE(PesagemLida::ler(f.t.db(), id).efectivo, 9990.0);

        // Incoming: both deductions together may not reach the net weight.
        auto e = f.desk(DeskKind::entradas());
        const qint32 id2 = cargaPesada(f, *e, 30000, 10000, true);
        QVERIFY(DeskFixture::tab(*e, Campo::Vasilhame, QStringLiteral("10000")));
        QVERIFY(!DeskFixture::tab(*e, Campo::Qualidade, QStringLiteral("10000")));
        // Checked when the field is left, not at every key.
        f.msgs.clear();
        e->escrever(Campo::Qualidade, QStringLiteral("-"));
        e->escrever(Campo::Qualidade, QStringLiteral("-1"));
        QVERIFY(f.msgs.all.isEmpty());
        QVERIFY(!e->sair(Campo::Qualidade));
        QCOMPARE(f.msgs.all.size(), 1);
        QVERIFY2(f.msgs.last().contains(QStringLiteral("Qualidade")), qPrintable(f.msgs.last()));
        DeskFixture::concluir(*e);
        QVERIFY(PesagemLida::ler(f.t.db(), id2).pendente);
        QVERIFY(DeskFixture::tab(*e, Campo::Qualidade, QStringLiteral("500")));
        DeskFixture::concluir(*e);
        QCOMPARE(PesagemLida::ler(f.t.db(), id2).efectivo, 9500.0);
    }

    // The weights card shows only the truck now at the desk.
    void weightsCardShowsOnlyTheTruckAtTheDesk() {
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        f.primeiraPesagem(*d, QStringLiteral("C001"), QStringLiteral("MILHO"), 12000);
        d->btEntrada();
        const QStringList cartao = d->cartaoPesos();
        QCOMPARE(cartao.size(), 6);
        for (const QString& c : cartao) QVERIFY2(c.isEmpty(), qPrintable(cartao.join(u'|')));
    }
};

QTEST_GUILESS_MAIN(IntegrityTest)
#include "integrity_test.moc"
