// Tickets that can be checked: each workstation's signing key in a file of its own (a key
// an earlier version left in the database moved out), the line's codec, the QR code read
// back from the ticket's PDF page with zbarimg at 150 dpi, the signed line verified, every
// printed value changed afterwards named, and the manual mark with its legend.
#include <QRandomGenerator>
#include <QtTest>

#include "output/chaveinstalacao.h"
#include "output/errochave.h"
#include "output/formatos.h"
#include "output/linhaqr.h"
#include "output/modelotalao.h"
#include "output/rastreiotalao.h"
#include "output/registarvias.h"
#include "output/renderizadortalao.h"
#include "records/registoalibi.h"
#include "records/tabelasrastreio.h"
#include "tests/output/ticketfixtures.h"
#include "tests/support/clirun.h"
#include "tests/support/ficheiros.h"
#include "tests/support/testsupport.h"

namespace {

// A page of a PDF as a PNG at `dpi`, decoded by zbarimg.
QString qrDaPagina(const QString& pdf, const QString& pasta, int dpi = 200, int pagina = 1) {
    runProgram(QStringLiteral("pdftoppm"),
               {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), QStringLiteral("-f"),
                QString::number(pagina), QStringLiteral("-l"), QString::number(pagina), QStringLiteral("-singlefile"),
                pdf, pasta + QStringLiteral("/pagina")});
    return runProgram(QStringLiteral("zbarimg"),
                      {QStringLiteral("-q"), QStringLiteral("--raw"), pasta + QStringLiteral("/pagina.png")})
        .out.trimmed();
}

}  // namespace

class LegalTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_data;
    QTemporaryDir m_chaves;

    QString ficheiro(const QString& nome) { return m_chaves.filePath(nome + QStringLiteral("/chaves/posto.pem")); }

  private slots:
    void initTestCase() { m_data = std::make_unique<TempDataDir>(); }
    void cleanupTestCase() { m_data.reset(); }

    void keyLivesOnTheWorkstation() {
        TempDatabase t;
        auto outro = t.second();
        // Two programs of one workstation share its key; another workstation has its own.
        ChaveInstalacao a(t.db(), ficheiro(QStringLiteral("a"))), a2(*outro, ficheiro(QStringLiteral("a"))),
            b(t.db(), ficheiro(QStringLiteral("b")));
        QCOMPARE(a2.id(), a.id());
        QVERIFY(b.id() != a.id());
        QCOMPARE(a.id().size(), 16);
        QCOMPARE(ChaveInstalacao::idDe(a.publicaPem()), a.id());
        QFileInfo f(ficheiro(QStringLiteral("a")));
        QCOMPARE(permissoes(f.filePath()), 0600);
        QCOMPARE(permissoes(f.absolutePath()), 0700);
        // The database holds the two public keys and nothing private.
        const QList<ChaveInstalacao::Publica> chaves = ChaveInstalacao::publicas(t.db());
        QCOMPARE(chaves.size(), 2);
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Chave")).toInt(), 0);
        QVERIFY(!bytesDaBase(t.path()).contains("PRIVATE KEY"));
        const QByteArray sig = a2.assinar("linha");
        QCOMPARE(sig.size(), 64);
        QVERIFY(ChaveInstalacao::verificar(a.publicaPem(), "linha", sig));
        QVERIFY(!ChaveInstalacao::verificar(a.publicaPem(), "linha!", sig));
        QVERIFY(!ChaveInstalacao::verificar(b.publicaPem(), "linha", sig));
        QVERIFY(!ChaveInstalacao::verificar(QStringLiteral("lixo"), "linha", sig));
        // A key file others can read is made private again; a foreign one is refused.
        QFile::setPermissions(f.filePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
        ChaveInstalacao denovo(t.db(), f.filePath());
        QCOMPARE(denovo.id(), a.id());
        QCOMPARE(permissoes(f.filePath()), 0600);
        QFile::remove(ficheiro(QStringLiteral("c")));
        QDir().mkpath(QFileInfo(ficheiro(QStringLiteral("c"))).absolutePath());
        QVERIFY(QFile::link(f.filePath(), ficheiro(QStringLiteral("c"))));
        ChaveInstalacao ligada(t.db(), ficheiro(QStringLiteral("c")));
        QVERIFY_THROWS_EXCEPTION(ErroChave, ligada.carregar());
    }

    // A database an earlier version signed on: its private key moves to the workstation's
    // file, leaves the table (and the file's free pages), and its tickets still verify.
    void privateKeyInTheDatabaseMovesOut_data() {
        QTest::addColumn<bool>("postoComChave");
        QTest::newRow("workstation without a key") << false;
        QTest::newRow("workstation with its own key") << true;
    }
    void privateKeyInTheDatabaseMovesOut() {
        QFETCH(bool, postoComChave);
        TempDatabase t;
        TabelasRastreio::garantir(t.db());
        QString privada, publica;
        QVERIFY(ChaveInstalacao::gerar(privada, publica));
        t.db().executar(QStringLiteral("INSERT INTO kel_PES_Chave (Numero, Algoritmo, Privada, Publica, Criada) "
                                       "VALUES (1, 'ED25519', ?, ?, ?)"),
                        {privada, publica, QDateTime(QDate(2025, 1, 2), QTime(8, 0))});
        const QString f = ficheiro(postoComChave ? QStringLiteral("m1") : QStringLiteral("m2"));
        QString propria;
        if (postoComChave) propria = ChaveInstalacao(t.db(), f).id();
        QVERIFY(ChaveInstalacao::migrar(t.db(), f).isEmpty());
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT Privada FROM kel_PES_Chave")).toString(), QString());
        QVERIFY(!bytesDaBase(t.path()).contains("PRIVATE KEY"));
        QStringList ids;
        for (const auto& c : ChaveInstalacao::publicas(t.db())) ids << c.id;
        QVERIFY(ids.contains(ChaveInstalacao::idDe(publica)));
        // The workstation signs with the moved key, or keeps its own.
        ChaveInstalacao depois(t.db(), f);
        QCOMPARE(depois.id(), postoComChave ? propria : ChaveInstalacao::idDe(publica));
        QVERIFY(ChaveInstalacao::migrar(t.db(), f).isEmpty());
        QCOMPARE(ChaveInstalacao::publicas(t.db()).size(), postoComChave ? 2 : 1);
    }

    void lineCodecRoundTrips() {
        const QStringList fixos{QString(),
                                QStringLiteral("|"),
                                QStringLiteral("\\"),
                                QStringLiteral("a|b\\|c\\"),
                                QStringLiteral("\\u0041"),
                                QStringLiteral("Açores ção €"),
                                QString(QChar(0x202E)) + QStringLiteral("x"),
                                QStringLiteral("\n\t")};
        QRandomGenerator g(20);
        const QString alfabeto = QStringLiteral("ab|\\u0123 ç€\u202e\n");
        for (int volta = 0; volta < 300; ++volta) {
            QStringList valores = volta < 1 ? fixos : QStringList{};
            for (int v = 0, n = g.bounded(1, 6); volta > 0 && v < n; ++v) {
                QString s;
                for (int c = 0, m = g.bounded(0, 12); c < m; ++c)
                    s += g.bounded(4) == 0 ? QChar(char16_t(g.bounded(1, 0xffff)))
                                           : alfabeto[g.bounded(int(alfabeto.size()))];
                valores << s;
            }
            const QString linha = LinhaQr::juntar(valores);
            for (QChar c : linha) QVERIFY(c.unicode() >= 0x20 && c.unicode() <= 0x7e);
            const auto lido = LinhaQr::separar(linha);
            QVERIFY(lido);
            QCOMPARE(lido->valores, valores.isEmpty() ? QStringList{QString()} : valores);
        }
        for (const char* mau : {"a\\", "a\\x", "\\u12", "\\u12g4"})
            QVERIFY(!LinhaQr::separar(QString::fromLatin1(mau)));
    }

    void userTextIsIsolated_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("impresso");
        const QChar rlo(0x202E), pdf(0x202C), fsi(0x2068), pdi(0x2069), rli(0x2067);
        QTest::newRow("latin text as is") << QStringLiteral("Quinta do Vale") << QStringLiteral("Quinta do Vale");
        QTest::newRow("an open override closed and isolated")
            << QStringLiteral("ab") + rlo + QStringLiteral("cd")
            << QString(fsi) + QStringLiteral("ab") + rlo + QStringLiteral("cd") + pdf + pdi;
        QTest::newRow("a stray closer dropped")
            << QStringLiteral("ab") + pdf + QChar(0x2069) + QStringLiteral("c") << QStringLiteral("abc");
        QTest::newRow("balanced kept") << rli + QStringLiteral("x") + pdi
                                       << QString(fsi) + rli + QStringLiteral("x") + pdi + pdi;
        QTest::newRow("hebrew isolated") << QStringLiteral("\u05E9\u05DC\u05D5\u05DD")
                                         << QString(fsi) + QStringLiteral("\u05E9\u05DC\u05D5\u05DD") + pdi;
    }
    void userTextIsIsolated() {
        QFETCH(QString, texto);
        QFETCH(QString, impresso);
        QCOMPARE(Formatos::isolado(texto), impresso);
    }

    void ticketCarriesItsTraceAndVerifies() {
        TempDatabase t(TempDatabase::Demo);
        QTemporaryDir dir;
        BaseDados& db = t.db();
        // A tax number with the line's separator and escape, a name with a right-to-left override.
        db.executar(QStringLiteral("UPDATE EMPRESA SET NContrib = ?"), {QStringLiteral("PT|5\\01")});
        db.executar(QStringLiteral("UPDATE Clientes SET NOME = ? WHERE CODIGO = 'C001'"),
                    {QStringLiteral("Quinta ") + QChar(0x202E) + QStringLiteral("Norte")});
        const qint32 id = gravarPesagem(db, Pesagem{});
        RegistarVias(db, id, 3);
        // Outgoing: the tare is the first weight (read), the gross the second (typed).
        RegistoAlibi log(db, QStringLiteral("POSTO"));
        const LinhaAlibi tara =
            log.registarLeitura(QStringLiteral("saidas"), "GS  014220kg\r", Money::fromInteger(14220), true);
        log.ligar(QStringLiteral("saidas"), tara.id, id, 1);
        const LinhaAlibi bruto = log.registarManual(QStringLiteral("saidas"), Money::fromInteger(40560));
        log.ligar(QStringLiteral("saidas"), bruto.id, id, 2);

        ModeloTalao m;
        QVERIFY(m.carregar(pastaPrograma() + QStringLiteral("/mapas/kel_PES_Talao_Cliente.rpt")));
        RenderizadorTalao r(t.settings());
        r.setRastreio(db);
        const QString pdf = dir.filePath(QStringLiteral("talao.pdf"));
        QVERIFY2(r.exportarPdf(m, id, pdf), qPrintable(r.erro()));
        const QString texto = pdfTexto(pdf);
        // The override stays inside the name: the code after it reads left to right.
        QCOMPARE(foraDoLugar(texto, {QStringLiteral("Alibi n.º %1").arg(tara.id), QStringLiteral("(M)"),
                                     QStringLiteral("peso introduzido manualmente"), QStringLiteral("(C001)")}),
                 QString());

        // Read at 150 dpi, as a scanned or photographed ticket is.
        const QString linha = qrDaPagina(pdf, dir.path(), 150);
        QVERIFY2(linha.startsWith(QStringLiteral("BTX2|")), qPrintable(linha));
        QVERIFY(linha.contains(QStringLiteral("|PT\\|5\\\\01|")));
        QVERIFY(
            linha.contains(QStringLiteral("|%1|%2|M%3|%4|").arg(tara.id).arg(tara.hash).arg(bruto.id).arg(bruto.hash)));
        RastreioTalao rastreio(db);
        const QList<ChaveInstalacao::Publica> chaves = ChaveInstalacao::publicas(db);
        RastreioTalao::Verificacao v = RastreioTalao::verificar(linha, chaves, &rastreio);
        QVERIFY2(v.valida && v.confere, qPrintable(v.motivo));
        QCOMPARE(v.histId, id);
        QCOMPARE(v.chaveId, rastreio.chave().id());
        // The copies share one code, decoded once while painting: each page still shows it.
        for (int pagina = 2; pagina <= 3; ++pagina) QCOMPARE(qrDaPagina(pdf, dir.path(), 150, pagina), linha);

        // Each value the ticket prints, changed in the database, is named; put back, it matches again.
        const struct {
            const char *campo, *tabela, *mudar, *repor;
        } casos[] = {{"plate", "kel_PES_Historico", "Carro = 'ZZ-99-ZZ'", "Carro = '12-AB-34'"},
                     {"party", "kel_PES_Historico", "Terceiro = 'C002'", "Terceiro = 'C001'"},
                     {"article", "kel_PES_Historico", "Artigo = 'MILHO'", "Artigo = 'RAC-VL'"},
                     {"address", "kel_PES_Historico", "CodMorada = '002'", "CodMorada = '001'"},
                     {"document", "kel_PES_Historico", "NoDoc = 246", "NoDoc = 245"},
                     {"container", "kel_PES_Historico_Comp", "Vasilhame = 0", "Vasilhame = 100"},
                     {"net", "kel_PES_Historico", "PesoLiquido = 26000", "PesoLiquido = 26340"},
                     {"ticket,campaign", "kel_PES_Historico", "NoTalao = 9, Campanha = '2024/2025'",
                      "NoTalao = 1234, Campanha = '2025/2026'"},
                     // A reading edited in place (its stored hash left alone).
                     {"hash_1", "kel_PES_Alibi", "Peso = 14000", "Peso = 14220"}};
        for (const auto& c : casos) {
            const QString tabela = QLatin1String(c.tabela);
            const bool alibi = tabela == QStringLiteral("kel_PES_Alibi");
            const QString onde = alibi                                           ? QStringLiteral("Alibi_Id")
                                 : tabela == QStringLiteral("kel_PES_Historico") ? QStringLiteral("Hist_Id")
                                                                                 : QStringLiteral("Cab_Id");
            const QVariantList chave{alibi ? tara.id : qint64(id)};
            db.executar(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?").arg(tabela, QLatin1String(c.mudar), onde),
                        chave);
            v = RastreioTalao::verificar(linha, chaves, &rastreio);
            QVERIFY(v.valida);
            QCOMPARE(v.difere.join(QLatin1Char(',')), QString::fromLatin1(c.campo));
            db.executar(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?").arg(tabela, QLatin1String(c.repor), onde),
                        chave);
            QVERIFY2(RastreioTalao::verificar(linha, chaves, &rastreio).confere, c.campo);
        }
        // Rows taken away from the end of the log.
        db.executar(QStringLiteral("DELETE FROM kel_PES_Alibi WHERE Alibi_Id >= ?"), {bruto.id});
        QVERIFY(!RastreioTalao::verificar(linha, chaves, &rastreio).confere);
        // A changed character breaks the signature; a key not on file verifies nothing.
        QString falsa = linha;
        falsa.replace(QStringLiteral("|40560.0000|"), QStringLiteral("|40960.0000|"));
        QVERIFY(falsa != linha);
        QVERIFY(!RastreioTalao::verificar(falsa, chaves, nullptr).valida);
        QVERIFY(!RastreioTalao::verificar(linha, {}, nullptr).valida);
    }

    // A ticket printed before the key id was in the line (format BTX1) verifies against
    // the keys on file, and says which.
    void earlierFormatStillVerifies() {
        TempDatabase t(TempDatabase::Demo);
        BaseDados& db = t.db();
        TabelasRastreio::garantir(db);
        const qint32 id = gravarPesagem(db, Pesagem{});
        ChaveInstalacao antiga(db, ficheiro(QStringLiteral("antiga")));
        RastreioTalao rastreio(db);
        const QString conteudo = LinhaQr::juntar(rastreio.valores(id, QStringLiteral("BTX1")));
        QVERIFY(conteudo.startsWith(QStringLiteral("BTX1|")));
        QCOMPARE(conteudo.count(QLatin1Char('|')), 16);
        const QString linha =
            conteudo + QLatin1Char('|') + QString::fromLatin1(antiga.assinar(conteudo.toUtf8()).toBase64());
        ChaveInstalacao(db, ficheiro(QStringLiteral("nova"))).carregar();
        RastreioTalao::Verificacao v = RastreioTalao::verificar(linha, ChaveInstalacao::publicas(db), &rastreio);
        QVERIFY2(v.valida && v.confere, qPrintable(v.motivo));
        QCOMPARE(v.chaveId, antiga.id());
        db.executar(QStringLiteral("UPDATE kel_PES_Historico SET PesoTara = 1 WHERE Hist_Id = ?"), {id});
        v = RastreioTalao::verificar(linha, ChaveInstalacao::publicas(db), &rastreio);
        QCOMPARE(v.difere, QStringList{QStringLiteral("tare")});
    }

    void ticketWithoutTypedWeightHasNoMark() {
        TempDatabase t(TempDatabase::Demo);
        QTemporaryDir dir;
        const qint32 id = gravarPesagem(t.db(), {.tipo = QStringLiteral("E")});
        RegistarVias(t.db(), id, 1);
        RegistoAlibi log(t.db(), QStringLiteral("POSTO"));
        for (int n : {1, 2}) {
            const LinhaAlibi l = log.registarLeitura(QStringLiteral("entradas"), "GS 1kg\r",
                                                     Money::fromInteger(n == 1 ? 40560 : 14220), true);
            log.ligar(QStringLiteral("entradas"), l.id, id, n);
        }
        ModeloTalao m;
        QVERIFY(m.carregar(pastaPrograma() + QStringLiteral("/mapas/kel_PES_Talao_Fornecedor.rpt")));
        RenderizadorTalao r(t.settings());
        r.setRastreio(t.db());
        const QString pdf = dir.filePath(QStringLiteral("talao.pdf"));
        QVERIFY2(r.exportarPdf(m, id, pdf), qPrintable(r.erro()));
        const QString texto = pdfTexto(pdf);
        // Incoming: the gross weight is the first reading.
        QCOMPARE(foraDoLugar(texto, {QStringLiteral("Peso bruto · Alibi n.º 1"), QStringLiteral("Tara · Alibi n.º 3")},
                             {QStringLiteral("manualmente"), QStringLiteral("(M)")}),
                 QString());
    }
};

QTEST_MAIN(LegalTest)
#include "legal_test.moc"
