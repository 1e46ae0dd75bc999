// The weighing record store, ticket numbering and the parameters routines on a real
// SQLite file.
#include <QtTest>
#include <atomic>
#include <thread>
#include <vector>

#include "base/money.h"
#include "records/numeracao.h"
#include "records/parametrosaplic.h"
#include "records/registohistorico.h"
#include "tests/support/testsupport.h"

using namespace RegistoHistorico;

namespace {

// A pending outgoing weighing as a desk would hand it over.
RegistoPesagem pesagemPendente() {
    RegistoPesagem r;
    r.tipo = QStringLiteral("S");
    r.pesoTara = Money::fromInteger(12340);
    r.justificacao = QStringLiteral("Carga com humidade");
    r.dataHoraPB = QDateTime(QDate(2024, 3, 15), QTime(8, 30));
    r.terceiro = QStringLiteral("C001");
    r.artigo = QStringLiteral("MILHO");
    r.carro = QStringLiteral("AA-00-BB");
    r.tipoTerc = 2;
    r.anoTalao = 2024;
    r.noTalao = 7;
    r.campanha = QStringLiteral("2023/2024");
    return r;
}

// The pending weighing saved as a new record; its number.
qint32 gravada(BaseDados& db, const RegistoPesagem& v = pesagemPendente()) {
    qint32 id = 0;
    GravarRegistoHistorico(db, v, id);
    return id;
}

int contar(BaseDados& db, const QString& sql, const QVariantList& p = {}) {
    return db.escalar(sql, p).toInt();
}

}  // namespace

class TestStore : public QObject {
    Q_OBJECT
  private slots:
    void insertThenUpdateKeepsTheRow() {
        TempDatabase t;
        RegistoPesagem v = pesagemPendente();
        qint32 id = 0;
        QVERIFY(GravarRegistoHistorico(t.db(), v, id));
        QVERIFY(id > 0);
        qint32 id2 = 0;
        QVERIFY(GravarRegistoHistorico(t.db(), v, id2));
        QVERIFY(id2 > id);  // a second insert is a new, larger number
        // Pending: no exit time; empty weights are 0; empty texts are empty, not NULL.
        RecordSet rs = LerHistorico(t.db(), id);
        QVERIFY(rs.isNull(QStringLiteral("DataHoraPL")));
        QCOMPARE(rs.value(QStringLiteral("PesoBruto")).toDouble(), 0.0);
        QVERIFY(!rs.isNull(QStringLiteral("RefCliente")));
        QCOMPARE(rs.text(QStringLiteral("RefCliente")), QString());

        // The update rewrites every column: an emptied justification is cleared.
        v.histId = id;
        v.pesoBruto = Money::fromInteger(40000);
        v.pesoLiquido = Money::fromInteger(27660);
        v.dataHoraPL = QDateTime(QDate(2024, 3, 15), QTime(10, 5));
        v.justificacao.clear();
        qint32 same = -1;
        QVERIFY(GravarRegistoHistorico(t.db(), v, same));
        QCOMPARE(same, id);
        QCOMPARE(contar(t.db(), QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")), 2);
        rs = LerHistorico(t.db(), id);
        QCOMPARE(Money::fromVariant(rs.value(QStringLiteral("PesoBruto"))).format(), QStringLiteral("40.000,00"));
        QCOMPARE(Money::fromVariant(rs.value(QStringLiteral("PesoTara"))).format(), QStringLiteral("12.340,00"));
        QCOMPARE(rs.dateTime(QStringLiteral("DataHoraPL")), QDateTime(QDate(2024, 3, 15), QTime(10, 5)));
        QCOMPARE(rs.text(QStringLiteral("Campanha")), QStringLiteral("2023/2024"));
        QCOMPARE(rs.text(QStringLiteral("Justificacao")), QString());
        QVERIFY(!rs.isNull(QStringLiteral("Justificacao")));
    }

    void refusedValuesChangeNothing() {
        TempDatabase t;
        RegistoPesagem v = pesagemPendente();
        qint32 id = gravada(t.db());
        const qint32 before = id;
        v.histId = id;
        RegistoPesagem longa = v, serie = v, ref = v;
        longa.carro = QStringLiteral("MATRICULA-LONGA");
        serie.serie = 40000;
        ref.refCliente = QString(21, QLatin1Char('X'));
        for (const RegistoPesagem& bad : {longa, serie, ref}) {
            QVERIFY_THROWS_EXCEPTION(RegraRecusada, GravarRegistoHistorico(t.db(), bad, id));
            QCOMPARE(id, before);
        }
        QCOMPARE(LerHistorico(t.db(), id).text(QStringLiteral("Carro")), QStringLiteral("AA-00-BB"));
    }

    // A completion's intent note carries the record as its 26 texts.
    void noteTexts_data() {
        QTest::addColumn<int>("campo");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("aceite");
        QTest::newRow("decimals kept") << int(PesoLiquido) << QStringLiteral("1.250,5") << true;
        QTest::newRow("pending exit") << int(DataHoraPL) << QString() << true;
        QTest::newRow("ambiguous weight") << int(PesoBruto) << QStringLiteral("12.5") << false;
        QTest::newRow("missing weight") << int(PesoEfectivo) << QString() << false;
        QTest::newRow("impossible date") << int(DataHoraPB) << QStringLiteral("31-02-2024") << false;
        QTest::newRow("small integer") << int(Serie) << QStringLiteral("40000") << false;
        QTest::newRow("not a number") << int(NoTalao) << QStringLiteral("7a") << false;
        QTest::newRow("one text short") << -1 << QString() << false;
    }
    void noteTexts() {
        QFETCH(int, campo);
        QFETCH(QString, texto);
        QFETCH(bool, aceite);
        RegistoPesagem r = pesagemPendente();
        r.pesoEfectivo = Money::fromUnits(123456789);
        r.dataHoraPL = QDateTime(QDate(2024, 3, 15), QTime(10, 5, 7));
        QString erro;
        const auto lido = RegistoPesagem::deTextos(r.textos(), erro);
        QVERIFY(lido);
        QCOMPARE(lido->textos(), r.textos());
        QCOMPARE(lido->pesoEfectivo, r.pesoEfectivo);
        QStringList v = r.textos();
        if (campo < 0)
            v.removeLast();
        else
            v[campo] = texto;
        QCOMPARE(bool(RegistoPesagem::deTextos(v, erro)), aceite);
        if (!aceite) QVERIFY(campo < 0 ? erro.contains(QStringLiteral("26")) : erro.contains(texto));
    }

    void complementAddAndEdit() {
        TempDatabase t;
        CamposComplemento saida{Money::fromInteger(20), Money::fromInteger(99), 1, false};
        const qint32 c1 = GravarComplementoHistorico(t.db(), 5, 0, saida);
        const qint32 c2 = GravarComplementoHistorico(t.db(), 5, 0, saida);
        QVERIFY(c1 > 0 && c2 > c1);  // 0 always adds
        RecordSet rs = LerComplementosHistorico(t.db(), 5);
        QCOMPARE(rs.count(), 2);
        // Outgoing: quality and characteristic are always 0.
        QCOMPARE(rs.value(0, QStringLiteral("Qualidade")).toDouble(), 0.0);
        QCOMPARE(rs.value(0, QStringLiteral("Caracteristica")).toInt(), 0);
        QCOMPARE(rs.value(0, QStringLiteral("Vasilhame")).toDouble(), 20.0);

        // Editing an existing row may move it to another weighing.
        CamposComplemento entrada{Money(), Money::fromUnits(12505000), -1, true};
        QCOMPARE(GravarComplementoHistorico(t.db(), 6, c2, entrada), c2);
        rs = LerComplementosHistorico(t.db(), 6);
        QCOMPARE(rs.count(), 1);
        QCOMPARE(rs.value(0, QStringLiteral("Vasilhame")).toDouble(), 0.0);
        QCOMPARE(Money::fromVariant(rs.value(0, QStringLiteral("Qualidade"))).format(), QStringLiteral("1.250,50"));
        QCOMPARE(rs.value(0, QStringLiteral("Caracteristica")).toInt(), -1);
        QCOMPARE(LerComplementosHistorico(t.db(), 5).count(), 1);
    }

    void amendmentRewritesWeighingAndFirstComplement() {
        TempDatabase t;
        const qint32 semComp = gravada(t.db()), comComp = gravada(t.db());
        GravarComplementoHistorico(t.db(), comComp, 0, {Money::fromInteger(30), Money::fromInteger(5), 1, true});

        // Without complement rows only the weighing changes, and none is created.
        const CamposComplemento campos{Money(), Money(), 0, true};
        QVERIFY(ActualizaHistorico(t.db(), semComp, QStringLiteral("Corrigido"), Money::fromInteger(980), campos));
        QCOMPARE(LerComplementosHistorico(t.db(), semComp).count(), 0);
        RecordSet rs = LerHistorico(t.db(), semComp);
        QCOMPARE(rs.text(QStringLiteral("Justificacao")), QStringLiteral("Corrigido"));
        QCOMPARE(rs.value(QStringLiteral("PesoEfectivo")).toDouble(), 980.0);

        // With one, deductions taken away are stored as 0.
        QVERIFY(ActualizaHistorico(t.db(), comComp, QString(), Money::fromInteger(1000), campos));
        rs = LerComplementosHistorico(t.db(), comComp);
        QCOMPARE(rs.value(0, QStringLiteral("Vasilhame")).toDouble(), 0.0);
        QCOMPARE(rs.value(0, QStringLiteral("Qualidade")).toDouble(), 0.0);

        QVERIFY(!ActualizaHistorico(t.db(), 9999, QString(), Money(), campos));
    }

    void plateRegisteredOnceAndDelete() {
        TempDatabase t;
        RegistarCarro(t.db(), QStringLiteral("AA-00-BB"));
        t.db().executar(QStringLiteral("UPDATE kel_PES_Carros SET Nome='Camião azul'"));
        RegistarCarro(t.db(), QStringLiteral("aa-00-bb"));
        RegistarCarro(t.db(), QStringLiteral("AA-00-BB"));
        QCOMPARE(contar(t.db(), QStringLiteral("SELECT COUNT(*) FROM kel_PES_Carros")), 1);
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT Nome FROM kel_PES_Carros")).toString(),
                 QStringLiteral("Camião azul"));

        const qint32 id = gravada(t.db());
        GravarComplementoHistorico(t.db(), id, 0, {});
        ApagarHistorico(t.db(), id);
        QVERIFY(LerHistorico(t.db(), id).isEmpty());
        QVERIFY(LerComplementosHistorico(t.db(), id).isEmpty());
    }

    void numberingFirstAndNext() {
        TempDatabase t;
        const ChaveTalao setembro{1, CampanhaDaData(QDate(2024, 9, 30)), QStringLiteral("GR"), {}, {}};
        const ChaveTalao outubro{1, CampanhaDaData(QDate(2024, 10, 1)), QStringLiteral("GR"), {}, {}};
        // 1 October starts a campaign; 1 January only a ticket year.
        QCOMPARE(setembro.campanha, QStringLiteral("2023/2024"));
        QCOMPARE(outubro.campanha, QStringLiteral("2024/2025"));
        QCOMPARE(CampanhaDaData(QDate(2025, 1, 1)), outubro.campanha);
        QCOMPARE(ProximoTalao(t.db(), setembro).numero, 1);
        RecordSet rs = t.db().consultar(QStringLiteral("SELECT * FROM kel_PES_Taloes"));
        QCOMPARE(rs.count(), 1);
        QCOMPARE(rs.value(0, QStringLiteral("Contador")).toInt(), 1);
        QCOMPARE(rs.text(0, QStringLiteral("Cliente")), QString());
        QVERIFY(!rs.isNull(QStringLiteral("CdMorada")));
        QCOMPARE(ProximoTalao(t.db(), setembro).numero, 2);
        // 30 September and 1 October are different campaigns, so different counters.
        QCOMPARE(ProximoTalao(t.db(), outubro).numero, 1);
        QCOMPARE(ProximoTalao(t.db(), setembro).numero, 3);

        // A counter set to 0 by hand gives 1; set to n it gives n + 1.
        t.db().executar(QStringLiteral("UPDATE kel_PES_Taloes SET Contador=0 WHERE Ano=?"), {outubro.campanha});
        QCOMPARE(ProximoTalao(t.db(), outubro).numero, 1);
        QCOMPARE(contar(t.db(), QStringLiteral("SELECT Contador FROM kel_PES_Taloes WHERE Ano=?"), {outubro.campanha}),
                 1);
        t.db().executar(QStringLiteral("UPDATE kel_PES_Taloes SET Contador=41 WHERE Ano=?"), {outubro.campanha});
        QCOMPARE(ProximoTalao(t.db(), outubro).numero, 42);
        QCOMPARE(contar(t.db(), QStringLiteral("SELECT COUNT(*) FROM kel_PES_Taloes")), 2);
    }

    void numberingKind2MatchesWithoutCaseAndGivesPrefix() {
        TempDatabase t;
        const ChaveTalao chave{2, QStringLiteral("2024/2025"), QStringLiteral("GR"), QStringLiteral("C001"),
                               QStringLiteral("ab")};
        const Talao primeiro = ProximoTalao(t.db(), chave);
        QCOMPARE(primeiro.numero, 1);
        QCOMPARE(primeiro.sigla, QString());
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT TipoMorada FROM kel_PES_Taloes")).toString(),
                 QStringLiteral("ab"));
        t.db().executar(QStringLiteral("UPDATE kel_PES_Taloes SET Sigla='XYZ'"));
        ChaveTalao outraCaixa = chave;
        outraCaixa.cliente = QStringLiteral("c001");
        outraCaixa.tipoMorada = QStringLiteral("AB");
        const Talao segundo = ProximoTalao(t.db(), outraCaixa);
        QCOMPARE(segundo.numero, 2);
        QCOMPARE(segundo.sigla, QStringLiteral("XYZ"));
        // Kind 1 ignores customer and address type; another customer starts at 1.
        QCOMPARE(ProximoTalao(t.db(), {1, chave.campanha, chave.tipoDoc, QStringLiteral("C001"), {}}).numero, 1);
        QCOMPARE(ProximoTalao(t.db(), {2, chave.campanha, chave.tipoDoc, QStringLiteral("C002"), QStringLiteral("ab")})
                     .numero,
                 1);
    }

    void numberingAcrossWorkstations() {
        // Four workstations, each with its own connection on its own thread, take numbers
        // for the same key at the same time: the read and the write of the counter race
        // unless they are serialised.
        TempDatabase t;
        const SqlSettings settings = t.settings();
        const ChaveTalao chave{1, QStringLiteral("2024/2025"), QStringLiteral("GR"), {}, {}};
        constexpr int kPostos = 4, kNumeros = 100;
        std::vector<std::vector<int>> tirados(kPostos);
        std::vector<QString> falhas(kPostos);
        std::atomic<int> prontos{0};
        std::vector<std::thread> postos;
        for (int p = 0; p < kPostos; ++p) {
            postos.emplace_back([&, p] {
                BaseDados db(QStringLiteral("posto%1").arg(p));
                if (!db.abrir(settings)) {
                    falhas[size_t(p)] = db.ultimoErro();
                    ++prontos;
                    return;
                }
                // Start together, so the workstations overlap from the first number.
                ++prontos;
                while (prontos.load() < kPostos) std::this_thread::yield();
                try {
                    for (int i = 0; i < kNumeros; ++i) tirados[size_t(p)].push_back(ProximoTalao(db, chave).numero);
                } catch (const ErroOperacao& e) {
                    falhas[size_t(p)] = e.texto();
                }
            });
        }
        for (std::thread& th : postos) th.join();
        QSet<int> numeros;
        for (int p = 0; p < kPostos; ++p) {
            QVERIFY2(falhas[size_t(p)].isEmpty(), qPrintable(falhas[size_t(p)]));
            QCOMPARE(int(tirados[size_t(p)].size()), kNumeros);
            // Each workstation sees its own numbers grow.
            QVERIFY(std::is_sorted(tirados[size_t(p)].begin(), tirados[size_t(p)].end()));
            for (int n : tirados[size_t(p)]) numeros << n;
        }
        QCOMPARE(numeros.size(), kPostos * kNumeros);
        QCOMPARE(*std::max_element(numeros.begin(), numeros.end()), kPostos * kNumeros);
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT Contador FROM kel_PES_Taloes")).toInt(), kPostos * kNumeros);
    }

    void newWeighingIsOneOperation() {
        TempDatabase t;
        const ChaveTalao chave{2, {}, QStringLiteral("GR"), QStringLiteral("C001"), {}};
        t.db().executar(
            QStringLiteral("INSERT INTO kel_PES_Taloes (ANO, iTipo, TipoDoc, Cliente, cdmorada, Sigla, Contador, "
                           "TipoMorada) VALUES ('2023/2024', 2, 'GR', 'C001', '', 'ABC', 16, '')"));
        const NovaPesagem n = GravarNovaPesagem(t.db(), pesagemPendente(), QDate(2024, 3, 15), chave);
        QCOMPARE(n.talao.numero, 17);
        QCOMPARE(n.campanha, QStringLiteral("2023/2024"));
        const RecordSet rs = LerHistorico(t.db(), n.idRegisto);
        QCOMPARE(rs.value(QStringLiteral("NoTalao")).toInt(), 17);
        QCOMPARE(rs.text(QStringLiteral("Sigla")), QStringLiteral("ABC"));
        QCOMPARE(rs.value(QStringLiteral("AnoTalao")).toInt(), 2024);
        QCOMPARE(contar(t.db(), QStringLiteral("SELECT COUNT(*) FROM kel_PES_Carros")), 1);
        QVERIFY(!t.db().inTransaction());

        // A failing insert leaves neither the number used nor a row nor a plate.
        RegistoPesagem bad = pesagemPendente();
        bad.carro = QStringLiteral("ZZ-99-ZZ");
        bad.refEntrega = QString(21, QLatin1Char('X'));
        QVERIFY_THROWS_EXCEPTION(RegraRecusada, GravarNovaPesagem(t.db(), bad, QDate(2024, 3, 15), chave));
        QVERIFY(!t.db().inTransaction());
        QCOMPARE(contar(t.db(), QStringLiteral("SELECT Contador FROM kel_PES_Taloes")), 17);
        QCOMPARE(contar(t.db(), QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")), 1);
        QCOMPARE(contar(t.db(), QStringLiteral("SELECT COUNT(*) FROM kel_PES_Carros")), 1);
        QCOMPARE(GravarNovaPesagem(t.db(), pesagemPendente(), QDate(2024, 3, 15), chave).talao.numero, 18);
    }

    void apostrophesAreJustText() {
        TempDatabase t;
        RegistoPesagem v = pesagemPendente();
        v.terceiro = QStringLiteral("O'NEIL");
        v.carro = QStringLiteral("D'AB-1");
        v.justificacao = QStringLiteral("'); DROP TABLE kel_PES_Historico; --");
        const NovaPesagem n =
            GravarNovaPesagem(t.db(), v, QDate(2024, 3, 15),
                              {2, {}, QStringLiteral("G'R"), QStringLiteral("O'NEIL"), QStringLiteral("'")});
        QCOMPARE(n.talao.numero, 1);
        QCOMPARE(LerHistorico(t.db(), n.idRegisto).text(QStringLiteral("Justificacao")), v.justificacao);
        RegistarCarro(t.db(), QStringLiteral("D'AB-1"));
        QCOMPARE(contar(t.db(), QStringLiteral("SELECT COUNT(*) FROM kel_PES_Carros")), 1);
        QCOMPARE(GravarNovaPesagem(t.db(), v, QDate(2024, 3, 15),
                                   {2, {}, QStringLiteral("G'R"), QStringLiteral("O'NEIL"), QStringLiteral("'")})
                     .talao.numero,
                 2);
    }

    void parametersSaveAndRead() {
        TempDatabase t;
        RecordingMessages msgs;
        ParametrosAplic p;
        QVERIFY(p.ler(t.db(), msgs));
        QVERIFY(!p.carregado());
        const QStringList valores = valoresParametros();
        QVERIFY(ParametrosAplic::gravar(t.db(), msgs, valores));
        QVERIFY(p.ler(t.db(), msgs));
        QCOMPARE(p.texto(QStringLiteral("TpSaida")), QStringLiteral("GR"));
        QCOMPARE(p.inteiro(QStringLiteral("NoVias")), 4);
        QCOMPARE(p.texto(QStringLiteral("Sector")), QStringLiteral("SEC"));

        // A sector longer than its three-character parameter is refused, not cut.
        QStringList longo = valores;
        longo[8] = QStringLiteral("SECTOR");
        QVERIFY(!ParametrosAplic::gravar(t.db(), msgs, longo));
        QVERIFY(msgs.last().startsWith(QStringLiteral("Gravar Parâmetros Aplicação ")));
        QVERIFY(msgs.last().contains(QStringLiteral("Sector")));
        QStringList serie = valores;
        serie[3] = QStringLiteral("um");
        QVERIFY(!ParametrosAplic::gravar(t.db(), msgs, serie));
        QVERIFY(p.ler(t.db(), msgs));
        QCOMPARE(p.texto(QStringLiteral("Sector")), QStringLiteral("SEC"));
        QCOMPARE(p.inteiro(QStringLiteral("SeGuiaEntMP")), 1);
        QCOMPARE(contar(t.db(), QStringLiteral("SELECT COUNT(*) FROM kel_PES_Parametros")), 1);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "store_test.moc"
