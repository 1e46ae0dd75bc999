// Registered trucks at the desk: the offer of a stored tare, the one-pass weighing on
// both desks, an expired or forbidden tare never used.
#include <QtTest>

#include "records/opcoesinstalacao.h"
#include "records/registoalibi.h"
#include "records/registohistorico.h"
#include "tests/desks/regrasdesk.h"

namespace {

const QString kMatricula = QStringLiteral("12-AB-34");

Viatura viatura(const QDate& validaAte, qint64 alibiId = 0) {
    Viatura v;
    v.matricula = kMatricula;
    v.terceiro = QStringLiteral("C001");
    v.artigo = QStringLiteral("MILHO");
    v.tara = Money::fromInteger(9000);
    v.pesadaEm = QDateTime(QDate::currentDate().addDays(-3), QTime(7, 15));
    v.validaAte = validaAte;
    v.manual = alibiId == 0;
    v.alibiId = alibiId;
    return v;
}

}  // namespace

class ViaturasTest : public QObject {
    Q_OBJECT

  private slots:
    // Typed in lower case with spaces, the plate finds the truck; its usual data fill the
    // desk where this desk knows them; the reading and the stored tare finish the weighing.
    void oneWeighingWithTheStoredTare_data() {
        QTest::addColumn<bool>("entrada");
        QTest::addColumn<bool>("imprimir");
        QTest::newRow("saidas") << false << true;
        QTest::newRow("entradas") << true << false;
    }
    void oneWeighingWithTheStoredTare() {
        QFETCH(bool, entrada);
        QFETCH(bool, imprimir);
        DeskFixture f;
        RegistoViaturas(f.t.db()).gravar(viatura(QDate::currentDate()));
        auto d = f.desk(entrada ? DeskKind::entradas() : DeskKind::saidas());
        d->btEntrada();
        if (entrada) DeskFixture::tab(*d, Campo::Terceiro, QStringLiteral("F001"));
        QVERIFY(DeskFixture::tab(*d, Campo::Matricula, QStringLiteral(" 12-ab-34")));
        QVERIFY(d->taraRegistada());
        QCOMPARE(d->campo(Campo::Terceiro), entrada ? QStringLiteral("F001") : QStringLiteral("C001"));
        QCOMPARE(d->campo(Campo::Artigo), QStringLiteral("MILHO"));
        d->btPeso();
        QVERIFY(d->rotulo(DeskCore::LegendaPeso).contains(QStringLiteral("tara registada")));
        f.balanca.peso = Money::fromInteger(25000);
        d->btPesar();
        f.msgs.clear();
        d->btConfPeso(imprimir ? Gravacao::Imprimir : Gravacao::Confirmar);
        QVERIFY2(f.msgs.all.isEmpty(), qPrintable(f.msgs.all.join(QLatin1Char('|'))));
        const qint32 id = d->idHistorico();
        const PesagemLida p = PesagemLida::ler(f.t.db(), id);
        QVERIFY(!p.pendente);
        QCOMPARE(p.bruto, 25000.0);
        QCOMPARE(p.tara, 9000.0);
        // Finished with its document: the effective weight follows, the tare is the stored one.
        QCOMPARE(regrasQuebradas(f), QString());
        QCOMPARE(f.tickets.impressos.size(), imprimir ? 1 : 0);
        QCOMPARE(RegistoViaturas(f.t.db()).taraUsada(id)->pesadaEm.date(), QDate::currentDate().addDays(-3));
        // The reading stands behind the gross weight, a typed row behind the stored tare.
        RegistoAlibi alibi(f.t.db(), QString());
        QCOMPARE(alibi.leituraDoPeso(id, entrada ? 1 : 2)->leitura.origem, QStringLiteral("scale"));
        QCOMPARE(alibi.leituraDoPeso(id, entrada ? 2 : 1)->leitura.origem, QStringLiteral("manual"));
        QVERIFY(!d->taraRegistada());
    }

    // The one-pass weighing saves the first weight, then completes: when the completion is
    // refused (a deduction larger than the load), the truck waits on the desk as a recalled
    // one, its identity that of the saved record and closed to typing.
    void refusedCompletionKeepsTheSavedIdentity() {
        DeskFixture f;
        RegistoViaturas(f.t.db()).gravar(viatura(QDate::currentDate()));
        auto d = f.desk(DeskKind::entradas());
        d->btEntrada();
        DeskFixture::tab(*d, Campo::Terceiro, QStringLiteral("F001"));
        DeskFixture::tab(*d, Campo::Qualidade, QStringLiteral("12345678901234"));
        QVERIFY(DeskFixture::tab(*d, Campo::Matricula, kMatricula));
        QVERIFY(d->taraRegistada());
        d->btPeso();
        f.balanca.peso = Money::fromInteger(25000);
        d->btPesar();
        d->btConfPeso(Gravacao::Confirmar);
        const qint32 id = d->idHistorico();
        QVERIFY(id > 0);
        QVERIFY(LerHistorico(f.t.db(), id).isNull(QStringLiteral("DataHoraPL")));
        for (Campo c : {Campo::Terceiro, Campo::Artigo, Campo::Matricula}) QVERIFY(d->campoSoLeitura(c));
        d->escrever(Campo::Matricula, QStringLiteral("45-QO-12"));
        d->escrever(Campo::Artigo, QStringLiteral("PORTES"));
        QCOMPARE(d->campo(Campo::Matricula), kMatricula);
        QCOMPARE(d->campo(Campo::Artigo), QStringLiteral("MILHO"));
        // The deduction to mend is on the page the desk turns to, and that page's tab is open.
        QCOMPARE(d->tabActual(), Pagina::Carga);
        QVERIFY(d->tabActiva(Pagina::Carga) && d->botaoVisivel(DeskCore::BtConf));
        QVERIFY(!d->botaoActivo(DeskCore::BtEntrada) && d->botaoActivo(DeskCore::BtPendentes));
    }

    // Never a weighing on an expired tare: said at the plate, and again when the weighing
    // is dated after the tare's last day; declined, the truck is weighed twice.
    void expiredOrDeclinedTaresWeighTwice_data() {
        QTest::addColumn<int>("validade");  // days from today
        QTest::addColumn<int>("dataPesagem");
        QTest::addColumn<bool>("aceita");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("expired yesterday") << -1 << 0 << true << QStringLiteral("expirou em");
        QTest::newRow("expires before the weighing day") << 0 << 1 << true << QStringLiteral("expirou em");
        QTest::newRow("declined") << 30 << 0 << false << QString();
    }
    void expiredOrDeclinedTaresWeighTwice() {
        QFETCH(int, validade);
        QFETCH(int, dataPesagem);
        QFETCH(bool, aceita);
        QFETCH(QString, mensagem);
        DeskFixture f;
        RegistoViaturas(f.t.db()).gravar(viatura(QDate::currentDate().addDays(validade)));
        auto d = f.desk(DeskKind::saidas());
        d->btEntrada();
        f.msgs.answers = {aceita};
        DeskFixture::tab(*d, Campo::Matricula, kMatricula);
        DeskFixture::tab(*d, Campo::Terceiro, QStringLiteral("C001"));
        DeskFixture::tab(*d, Campo::Artigo, QStringLiteral("MILHO"));
        const int antes = f.contar(QStringLiteral("kel_PES_Historico"));
        DeskFixture::pesar(*d, 25000, QDate::currentDate().addDays(dataPesagem));
        if (!mensagem.isEmpty()) QVERIFY2(f.msgs.all.join(u'|').contains(mensagem), qPrintable(f.msgs.all.join(u'|')));
        QVERIFY(!d->taraRegistada());
        if (dataPesagem > 0) {
            // Refused in the panel: the operator confirms the weight again as a first weight.
            QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico")), antes);
            QVERIFY(d->painelPesagem());
            return;
        }
        const RecordSet r = LerHistorico(f.t.db(), d->idHistorico());
        QVERIFY(r.isNull(QStringLiteral("DataHoraPL")));
        QCOMPARE(Money::fromVariant(r.value(QStringLiteral("PesoTara"))), Money::fromInteger(25000));
        QVERIFY(!RegistoViaturas(f.t.db()).taraUsada(d->idHistorico()));
    }

    // A typed tare where typed weights are now forbidden, or a tare whose reading no
    // longer matches the log: refused before anything is written.
    void tareWithoutStandingIsRefused_data() {
        QTest::addColumn<bool>("leituraFalsa");
        QTest::newRow("typed, PesoManual forbidden") << false;
        QTest::newRow("reading that is not the tare") << true;
    }
    void tareWithoutStandingIsRefused() {
        QFETCH(bool, leituraFalsa);
        DeskFixture f;
        qint64 alibi = 0;
        if (leituraFalsa)
            alibi = RegistoAlibi(f.t.db(), QStringLiteral("p"))
                        .registarLeitura(QStringLiteral("saidas"), "GS 8000 KG\r", Money::fromInteger(8000), true)
                        .id;
        else {
            QString erro;
            QVERIFY(
                OpcoesInstalacao(f.t.db()).definir(OpcoesInstalacao::pesoManual(), OpcoesInstalacao::proibido(), erro));
        }
        RegistoViaturas(f.t.db()).gravar(viatura(QDate::currentDate().addDays(5), alibi));
        auto d = f.desk(DeskKind::saidas());
        d->btEntrada();
        DeskFixture::tab(*d, Campo::Matricula, kMatricula);
        d->btPeso();
        f.balanca.peso = Money::fromInteger(25000);
        d->btPesar();
        const int antes = f.contar(QStringLiteral("kel_PES_Historico"));
        f.msgs.clear();
        d->btConfPeso(Gravacao::Confirmar);
        const QString recusa =
            leituraFalsa ? QStringLiteral("não é a da tara registada") : QStringLiteral("PesoManual = proibido");
        QVERIFY2(f.msgs.all.join(u'|').contains(recusa), qPrintable(f.msgs.all.join(u'|')));
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico")), antes);
        QVERIFY(!d->taraRegistada());
    }
};

QTEST_GUILESS_MAIN(ViaturasTest)
#include "viaturas_test.moc"
