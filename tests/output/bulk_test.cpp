// Bulk mailing without windows: the selection, the statement PDFs, the e-mail run
// against a real SMTP server (aiosmtpd, Maildir) and how a run ends when it fails.
#include <QtTest>

#include "base/ficheiroconfig.h"
#include "output/enviotaloes.h"
#include "output/modelotalao.h"
#include "output/pastas.h"
#include "tests/output/bulkfixtures.h"
#include "tests/output/ticketfixtures.h"
#include "tests/support/clirun.h"
#include "tests/support/fotografia.h"
#include "tests/support/smtptestserver.h"
#include "tests/support/testsupport.h"

namespace {

QStringList codigos(const QList<TerceiroEnvio>& l) {
    QStringList out;
    for (const auto& t : l) out << t.codigo;
    return out;
}

// A PDF without what changes from one second to the next (its creation time).
QByteArray semMomento(QByteArray pdf) {
    static const QRegularExpression momento(QStringLiteral("D:\\d{14}[^)]*"));
    return QString::fromLatin1(pdf).replace(momento, QString()).toLatin1();
}

}  // namespace

class BulkTest : public QObject, ComDemo {
    Q_OBJECT

    QString m_config;
    QString m_pdf;
    SmtpTestServer m_smtp;
    int m_port = 0;

    QStringList mensagens() const { return m_smtp.anexos(); }

    static PedidoEnvio pedido(int modo, QDate inicio, QDate fim, bool pdf) {
        return {.modo = modo, .inicio = inicio, .fim = fim, .pdf = pdf};
    }

  private slots:
    void initTestCase() {
        QVERIFY(m_smtp.iniciar());
        m_port = m_smtp.porta();
    }
    void cleanupTestCase() { m_smtp.parar(); }
    void init() {
        abrirDemo();
        m_config = m_data->path() + QStringLiteral("/Balantrix.kel");
        m_pdf = m_data->path() + QStringLiteral("/PDF");
        escreverConfig(m_config, m_pdf, m_port);
        m_smtp.esvaziar();
    }
    void cleanup() { fecharDemo(); }

    void selectionTakesFinishedWeighingsOfWholeDaysInTheRange() {
        const QDate hoje = QDate::currentDate();
        gravarPesagemEnvio(db(), {QStringLiteral("C001"), 2, QDateTime(hoje, QTime(7, 30))});
        gravarPesagemEnvio(db(), {QStringLiteral("C002"), 2, QDateTime(hoje, QTime(23, 59, 59))});
        gravarPesagemEnvio(db(), {QStringLiteral("C004"), 2, QDateTime(hoje, QTime(10, 0)), false});  // still pending
        gravarPesagemEnvio(db(), {QStringLiteral("C005"), 2, QDateTime(hoje.addDays(-1), QTime(23, 59, 59))});
        gravarPesagemEnvio(db(), {QStringLiteral("F001"), 1, QDateTime(hoje, QTime(9, 0))});
        EnvioTaloes envio(db(), pastaPrograma(), m_config);

        // The form's defaults, "0" to "zzzzzzz" and today: every customer weighed today.
        QCOMPARE(codigos(envio.selecionar(pedido(2, hoje, hoje, true))),
                 (QStringList{QStringLiteral("C001"), QStringLiteral("C002")}));
        QCOMPARE(codigos(envio.selecionar(pedido(1, hoje, hoje, true))), QStringList{QStringLiteral("F001")});
        // A start after the end selects nothing, and the run refuses it, saying why.
        QVERIFY(envio.selecionar(pedido(2, hoje, hoje.addDays(-1), true)).isEmpty());
        const ResumoEnvio invertido = envio.executar(pedido(2, hoje, hoje.addDays(-1), true));
        QVERIFY(invertido.resultados.isEmpty());
        QVERIFY2(invertido.erro.contains(QStringLiteral("depois de acabar")), qPrintable(invertido.erro));
        // Both ends of the code range are included; a code with a quote is just a value.
        PedidoEnvio um = pedido(2, hoje.addDays(-1), hoje, true);
        um.primeiro = um.ultimo = QStringLiteral("C005");
        QCOMPARE(codigos(envio.selecionar(um)), QStringList{QStringLiteral("C005")});
        um.primeiro = QStringLiteral("C002");
        um.ultimo = QStringLiteral("C004' OR '1'='1");
        QCOMPARE(codigos(envio.selecionar(um)), QStringList{QStringLiteral("C002")});
    }

    void pdfRunWritesOneStatementPerPartyNamedByCodeAndPeriod() {
        db().executar(
            QStringLiteral("INSERT INTO Clientes (CODIGO, NOME, NContrib, Inactivo) VALUES ('C1', 'Cliente Um, Lda.', "
                           "'501234567', 0)"));
        gravarPesagemEnvio(db(), {QStringLiteral("C1"), 2, dh(31, 1, 2024, 8, 15), true, QStringLiteral("RAC-VL"),
                                  Money::fromInteger(26340), Money::fromInteger(26240), 11});
        gravarPesagemEnvio(db(), {QStringLiteral("C1"), 2, dh(12, 2, 2024), true, QStringLiteral("RAC-VL"),
                                  Money::fromUnits(10005000), Money::fromUnits(10005000), 12});
        gravarPesagemEnvio(db(), {QStringLiteral("C1"), 2, dh(29, 2, 2024, 23, 59), true, QStringLiteral("MILHO"),
                                  Money::fromInteger(12345), Money::fromInteger(12300), 13});
        // Outside: the minute before and after the period, a pending weighing, another party.
        gravarPesagemEnvio(db(), {QStringLiteral("C1"), 2, dh(30, 1, 2024, 23, 59), true, QStringLiteral("RAC-VL"),
                                  Money::fromInteger(777), Money::fromInteger(777), 10});
        gravarPesagemEnvio(db(), {QStringLiteral("C1"), 2, dh(1, 3, 2024, 0, 0), true, QStringLiteral("RAC-VL"),
                                  Money::fromInteger(888), Money::fromInteger(888), 14});
        gravarPesagemEnvio(db(),
                           {QStringLiteral("C1"), 2, dh(15, 2, 2024), false, QStringLiteral("RAC-VL"), {}, {}, 15});
        gravarPesagemEnvio(db(), {QStringLiteral("C002"), 2, dh(10, 2, 2024), true, QStringLiteral("RAC-VL"),
                                  Money::fromInteger(5000), Money::fromInteger(5000), 16});

        EnvioTaloes envio(db(), pastaPrograma(), m_config);
        QStringList vistos;
        const ResumoEnvio r = envio.executar(pedido(2, QDate(2024, 1, 31), QDate(2024, 2, 29), true),
                                             [&](int n, int total, const QString& c) {
                                                 vistos << QStringLiteral("%1/%2 %3").arg(n).arg(total).arg(c);
                                                 return true;
                                             });
        QVERIFY2(r.erro.isEmpty(), qPrintable(r.erro));
        QCOMPARE(vistos, (QStringList{QStringLiteral("1/2 C002"), QStringLiteral("2/2 C1")}));
        QCOMPARE(r.contar(ResultadoTerceiro::Gravado), 2);
        const QString ficheiro = m_pdf + QStringLiteral("/Talao_Cli_C1_2024_01_31_2024-02-29.pdf");
        QCOMPARE(r.resultados[1].ficheiro, ficheiro);
        QVERIFY(QFileInfo::exists(m_pdf + QStringLiteral("/Talao_Cli_C002_2024_01_31_2024-02-29.pdf")));

        guardarCopia(ficheiro, QStringLiteral("bulk.pdf"));
        const QString texto = pdfTexto(ficheiro);
        // The last minute of the period counts; C002's weighing stays in C002's file. Weights in the
        // program's one format, totals per article (RAC-VL: 26.340,00 + 1.000,50 net, and effective).
        QCOMPARE(foraDoLugar(texto,
                             {QStringLiteral("EXTRACTO DE PESAGENS"), QStringLiteral("Cliente Um, Lda."),
                              QStringLiteral("31-01-2024 a 29-02-2024"), QStringLiteral("29-02-2024 23:59"),
                              QStringLiteral("A 11"), QStringLiteral("A 12"), QStringLiteral("A 13"),
                              QStringLiteral("1.000,50"), QStringLiteral("27.340,50"), QStringLiteral("27.240,50"),
                              QStringLiteral("12.300,00"), QStringLiteral("Página 1 de 1")},
                             {QStringLiteral("A 10"), QStringLiteral("A 14"), QStringLiteral("A 15"),
                              QStringLiteral("5.000,00")}),
                 QString());
        QVERIFY(r.texto(true).contains(QStringLiteral("PDF gravados: 2")));
    }

    void aLongStatementRunsOverPagesWithNumbers() {
        for (int i = 0; i < 90; ++i)
            gravarPesagemEnvio(
                db(), {QStringLiteral("C001"), 2, dh(1 + i % 28, 2, 2024, 6 + i % 12), true, QStringLiteral("RAC-VL"),
                       Money::fromInteger(100), Money::fromInteger(100), i + 1});
        EnvioTaloes envio(db(), pastaPrograma(), m_config);
        const QString path =
            envio.exportarTaloesTerceiro(2, QStringLiteral("C001"), QDate(2024, 2, 1), QDate(2024, 2, 29),
                                         m_data->path() + QStringLiteral("/longo.pdf"));
        QVERIFY2(!path.isEmpty(), qPrintable(envio.ultimoErro()));
        const int paginas = pdfPaginas(path);
        QVERIFY2(paginas >= 2, qPrintable(QString::number(paginas)));
        guardarCopia(path, QStringLiteral("bulk-long.pdf"));
        const QString texto = pdfTexto(path);
        QCOMPARE(foraDoLugar(texto, {QStringLiteral("Página %1 de %1").arg(paginas), QStringLiteral("9.000,00")}),
                 QString());  // 90 x 100 kg
        // The column heads repeat on every sheet that lists weighings.
        const QStringList folhas = texto.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY(folhas.size() >= paginas);
        for (const QString& folha : folhas)
            if (folha.contains(QStringLiteral("12-AB-34"))) QVERIFY(folha.contains(QStringLiteral("Bruto kg")));
    }

    void fileNamesKeepToTheirFolder() {
        const QDate a(2024, 1, 31), b(2024, 2, 29);
        QCOMPARE(EnvioTaloes::nomeFicheiro(1, QStringLiteral("F001"), a, b),
                 QStringLiteral("Talao_For_F001_2024_01_31_2024-02-29.pdf"));
        QCOMPARE(EnvioTaloes::nomeFicheiro(2, QStringLiteral("Lacticínios 2"), a, b),
                 QStringLiteral("Talao_Cli_Lacticínios 2_2024_01_31_2024-02-29.pdf"));
        // A replaced character (or a leading dot, a '~', a right-to-left override) marks the
        // name with the code's own hash: never a folder, never another party's name.
        QRegularExpression marcado(
            QStringLiteral("^Talao_(For|Cli)_[^/\\\\:]*~[0-9a-f]{8}_2024_01_31_2024-02-29\\.pdf$"));
        QStringList nomes;
        for (const QString& c :
             {QStringLiteral("F/01"), QStringLiteral("F_01~x"), QStringLiteral("..\\x"), QStringLiteral(" F_01"),
              QStringLiteral("F\u202E10"), QStringLiteral("F:01"), QString()}) {
            nomes << EnvioTaloes::nomeFicheiro(1, c, a, b);
            QVERIFY2(marcado.match(nomes.last()).hasMatch(), qPrintable(nomes.last()));
        }
        nomes << EnvioTaloes::nomeFicheiro(1, QStringLiteral("F_01"), a, b);
        QCOMPARE(QSet<QString>(nomes.cbegin(), nomes.cend()).size(), nomes.size());
        QVERIFY(nomes.first().startsWith(QStringLiteral("Talao_For_F_01~")));
        // Names differing only by case get their hashes in a run, whatever its order.
        const QStringList caso =
            EnvioTaloes::nomesFicheiros(2, {QStringLiteral("c1"), QStringLiteral("C1"), QStringLiteral("C2")}, a, b);
        QVERIFY(caso[0].startsWith(QStringLiteral("Talao_Cli_c1~")) &&
                caso[1].startsWith(QStringLiteral("Talao_Cli_C1~")));
        QCOMPARE(caso[2], EnvioTaloes::nomeFicheiro(2, QStringLiteral("C2"), a, b));
        QCOMPARE(EnvioTaloes::nomesFicheiros(2, {QStringLiteral("C1"), QStringLiteral("c1")}, a, b),
                 (QStringList{caso[1], caso[0]}));
    }

    void emailRunSendsOneStatementPerPartyWithAnAddress() {
        gravarPesagemEnvio(db(), {QStringLiteral("C001"), 2, dh(5, 2, 2024)});
        gravarPesagemEnvio(db(), {QStringLiteral("C002"), 2, dh(6, 2, 2024)});
        gravarPesagemEnvio(db(), {QStringLiteral("C003"), 2, dh(7, 2, 2024)});  // no address on file
        gravarPesagemEnvio(db(), {QStringLiteral("C004"), 2, dh(8, 2, 2024)});
        db().executar(
            QStringLiteral("UPDATE Clientes SET email_envio_documentos = 'sem arroba' WHERE CODIGO = 'C004'"));

        EnvioTaloes envio(db(), pastaPrograma(), m_config);
        QStringList linhas;
        const ResumoEnvio r =
            envio.executar(pedido(2, QDate(2024, 2, 1), QDate(2024, 2, 29), false), {},
                           [&](const ResultadoTerceiro& t) { linhas << t.codigo + QString::number(t.estado); });
        QVERIFY2(r.erro.isEmpty(), qPrintable(r.erro));
        QCOMPARE(linhas, (QStringList{QStringLiteral("C0010"), QStringLiteral("C0020"), QStringLiteral("C0032"),
                                      QStringLiteral("C0043")}));
        QCOMPARE(r.codigos(ResultadoTerceiro::SemEmail), QStringList{QStringLiteral("C003")});
        QCOMPARE(r.codigos(ResultadoTerceiro::Falhou), QStringList{QStringLiteral("C004")});
        const QString resumo = r.texto(false);
        QVERIFY2(resumo.contains(QStringLiteral("E-mails enviados: 2")) &&
                     resumo.contains(QStringLiteral("Sem endereço de e-mail: 1: C003")) &&
                     resumo.contains(QStringLiteral("Falhados: 1: C004")),
                 qPrintable(resumo));

        // Each message carries its own party's statement.
        const QStringList msgs = mensagens();
        QCOMPARE(msgs.size(), 2);
        QStringList porDestino = msgs;
        std::sort(porDestino.begin(), porDestino.end());
        QVERIFY(porDestino[0].startsWith(
            QStringLiteral("faturacao@lacticavado.example\tTalao_Cli_C002_2024_02_01_2024-02-29.pdf\t")));
        QVERIFY(porDestino[0].contains(QStringLiteral("Lacticínios do Cávado")) &&
                !porDestino[0].contains(QStringLiteral("Quinta d")));
        QVERIFY(porDestino[1].startsWith(
            QStringLiteral("geral@quintadouro.example\tTalao_Cli_C001_2024_02_01_2024-02-29.pdf\t")));
        QVERIFY(porDestino[1].contains(QStringLiteral("50731246")) &&
                !porDestino[1].contains(QStringLiteral("Lacticínios")));
        // Attached from memory: no statement file is left in the working folder.
        QVERIFY(QDir(Pastas::trabalho()).isEmpty());
        QVERIFY(!QFileInfo::exists(m_pdf + QStringLiteral("/Talao_Cli_C001_2024_02_01_2024-02-29.pdf")));
    }

    void anErrorMidRunKeepsWhatWasDoneAndReportsTheRest() {
        for (const char* c : {"C001", "C002", "C004"})
            gravarPesagemEnvio(db(), {QString::fromLatin1(c), 2, dh(5, 2, 2024)});
        EnvioTaloes envio(db(), pastaPrograma(), m_config);
        // The database loses a table the statement reads while the run is under way.
        const ResumoEnvio r =
            envio.executar(pedido(2, QDate(2024, 2, 1), QDate(2024, 2, 29), false), [&](int n, int, const QString&) {
                if (n == 2) db().executar(QStringLiteral("DROP TABLE Artigos"));
                return true;
            });
        QVERIFY(!r.erro.isEmpty());
        QCOMPARE(r.codigos(ResultadoTerceiro::Enviado), QStringList{QStringLiteral("C001")});
        QCOMPARE(r.codigos(ResultadoTerceiro::Falhou), QStringList{QStringLiteral("C002")});
        QCOMPARE(r.codigos(ResultadoTerceiro::NaoProcessado), QStringList{QStringLiteral("C004")});
        QCOMPARE(mensagens().size(), 1);
        const QString texto = r.texto(false);
        QVERIFY2(texto.startsWith(QStringLiteral("Situação Anómala\n\rErro: ")) &&
                     texto.contains(QStringLiteral("Artigos")) &&
                     texto.contains(QStringLiteral("Não processados: 1: C004")),
                 qPrintable(texto));
    }

    void cancellingStopsBetweenParties() {
        for (const char* c : {"C001", "C002", "C004"})
            gravarPesagemEnvio(db(), {QString::fromLatin1(c), 2, dh(5, 2, 2024)});
        EnvioTaloes envio(db(), pastaPrograma(), m_config);
        const ResumoEnvio r = envio.executar(pedido(2, QDate(2024, 2, 1), QDate(2024, 2, 29), true),
                                             [](int n, int, const QString&) { return n < 2; });
        QVERIFY(r.cancelado && r.erro.isEmpty());
        QCOMPARE(r.codigos(ResultadoTerceiro::Gravado), QStringList{QStringLiteral("C001")});
        QCOMPARE(r.codigos(ResultadoTerceiro::NaoProcessado),
                 (QStringList{QStringLiteral("C002"), QStringLiteral("C004")}));
        QCOMPARE(QDir(m_pdf).entryList(QDir::Files).size(), 1);
    }

    void runFaultsStopBeforeAnythingIsDone() {
        gravarPesagemEnvio(db(), {QStringLiteral("F001"), 1, dh(5, 2, 2024)});
        // No PDF folder configured.
        escreverConfig(m_config, QString());
        EnvioTaloes semPasta(db(), pastaPrograma(), m_config);
        ResumoEnvio r = semPasta.executar(pedido(1, QDate(2024, 2, 1), QDate(2024, 2, 29), true));
        QVERIFY(r.erro.contains(QStringLiteral("pasta dos PDF")) && r.resultados.isEmpty());
        // No mail server configured.
        r = semPasta.executar(pedido(1, QDate(2024, 2, 1), QDate(2024, 2, 29), false));
        QVERIFY(r.erro.contains(QStringLiteral("servidor de e-mail")));
        // A template that is not found is named.
        escreverConfig(m_config, m_pdf, m_port);
        EnvioTaloes semModelo(db(), m_data->path(), m_config);
        r = semModelo.executar(pedido(1, QDate(2024, 2, 1), QDate(2024, 2, 29), true));
        QVERIFY2(r.erro.contains(QStringLiteral("kel_PES_Talao_Fornecedores.rpt")), qPrintable(r.erro));
        QVERIFY(!QDir(m_pdf).exists() || QDir(m_pdf).entryList(QDir::Files).isEmpty());
        // The supplier template is shipped and works.
        EnvioTaloes ok(db(), pastaPrograma(), m_config);
        r = ok.executar(pedido(1, QDate(2024, 2, 1), QDate(2024, 2, 29), true));
        QCOMPARE(r.codigos(ResultadoTerceiro::Gravado), QStringList{QStringLiteral("F001")});
        const QString texto = pdfTexto(m_pdf + QStringLiteral("/Talao_For_F001_2024_02_01_2024-02-29.pdf"));
        QVERIFY2(texto.contains(QStringLiteral("DESCARGAS DE FORNECEDOR")) &&
                     texto.contains(QStringLiteral("Cerealis Norte")),
                 qPrintable(texto));
    }

    void commandLineRunPrintsOneLinePerPartyAndASummary() {
        QCOMPARE(runCli({QStringLiteral("demo"), QStringLiteral("init")}).code, 0);
        QString pdfFolder;
        {
            auto db = baseDemo(m_data->path(), QStringLiteral("cli-bulk"));
            QVERIFY(db);
            for (const char* c : {"F001", "F003", "F004"})
                gravarPesagemEnvio(*db, {QString::fromLatin1(c), 1, dh(31, 1, 2024, 9, 0)});
            pdfFolder = FicheiroConfig(m_data->norvak() + QStringLiteral("/Balantrix.kel"))
                            .ler(QStringLiteral("PDF"), QStringLiteral("Pasta"));
        }
        const QStringList base{QStringLiteral("bulk"),      QStringLiteral("--mode"),     QStringLiteral("suppliers"),
                               QStringLiteral("--from"),    QStringLiteral("31-01-2024"), QStringLiteral("--to"),
                               QStringLiteral("29-02-2024")};
        CliRun r =
            runCli(base + QStringList{QStringLiteral("--first"), QStringLiteral("F003"), QStringLiteral("--pdf")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString f3 = pdfFolder + QStringLiteral("/Talao_For_F003_2024_01_31_2024-02-29.pdf");
        const QString f4 = pdfFolder + QStringLiteral("/Talao_For_F004_2024_01_31_2024-02-29.pdf");
        QCOMPARE(r.out, QStringLiteral("party=F003 status=saved file=%1\nparty=F004 status=saved file=%2\n"
                                       "parties=2 sent=0 saved=2 skipped=0 failed=0 notprocessed=0\n")
                            .arg(f3, f4));
        QVERIFY(QFileInfo::exists(f3));
        // Usage errors: both modes, neither, a bad date, an unknown mode.
        const QStringList pdf{QStringLiteral("--pdf")};
        QStringList data = base, modo = base;
        data[4] = QStringLiteral("2024-01-31");
        modo[2] = QStringLiteral("all");
        for (const QStringList& a : {base + pdf + QStringList{QStringLiteral("--email")}, base, data + pdf, modo + pdf})
            QCOMPARE(runCli(a).code, 2);
        // E-mail through the test's server: the supplier without an address is skipped.
        FicheiroConfig(m_data->norvak() + QStringLiteral("/Balantrix.kel"))
            .gravar(QStringLiteral("SMTP"), QStringLiteral("Porta"), QString::number(m_port));
        r = runCli(base + QStringList{QStringLiteral("--email")});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(QStringLiteral("party=F001 status=sent")) &&
                     r.out.contains(QStringLiteral("party=F003 status=skipped file=\n")) &&
                     r.out.endsWith(QStringLiteral("parties=3 sent=2 saved=0 skipped=1 failed=0 notprocessed=0\n")),
                 qPrintable(r.out + r.err));
        QCOMPARE(mensagens().size(), 2);
    }

    void statementTemplatesMustBeAboutOneParty() {
        const QString head = QStringLiteral("BALANTRIX-TALAO 1\n[talao]\nmodo = extracto\n[consulta]\n");
        const QString body = QStringLiteral("\n[corpo]\n<p>{{#linhas}}{{NoTalao}}{{/linhas}}</p>");
        const QStringList valores = ModeloTalao::valoresExtracto();
        ModeloTalao m;
        // Without :terceiro a statement would list every party's weighings.
        QVERIFY(!m.carregarTexto(
            head + QStringLiteral("SELECT NoTalao FROM kel_PES_Historico WHERE DataHoraPB >= :inicio") + body,
            QStringLiteral("x"), valores));
        QVERIFY(m.erro().contains(QStringLiteral(":terceiro")));
        QVERIFY(!m.carregarTexto(
            head +
                QStringLiteral(
                    "SELECT NoTalao FROM kel_PES_Historico WHERE Terceiro = :terceiro AND Hist_Id = :registo") +
                body,
            QStringLiteral("x"), valores));
        QVERIFY(m.erro().contains(QStringLiteral(":registo")));
        // Totals are a second read-only query with the same rules.
        QVERIFY(!m.carregarTexto(
            head +
                QStringLiteral("SELECT NoTalao FROM kel_PES_Historico WHERE Terceiro = :terceiro\n[totais]\n"
                               "DELETE FROM kel_PES_Historico WHERE Terceiro = :terceiro") +
                body,
            QStringLiteral("x"), valores));
        QVERIFY(m.carregarTexto(
            head +
                QStringLiteral("SELECT NoTalao FROM kel_PES_Historico WHERE Terceiro = :terceiro AND "
                               "DataHoraPB >= :inicio AND DataHoraPB < :fim\n[totais]\nSELECT COUNT(*) AS n "
                               "FROM kel_PES_Historico WHERE Terceiro = :Terceiro") +
                body,
            QStringLiteral("x"), valores));
        QCOMPARE(m.nomesConsulta(),
                 (QStringList{QStringLiteral("terceiro"), QStringLiteral("inicio"), QStringLiteral("fim")}));
        QCOMPARE(m.nomesTotais(), QStringList{QStringLiteral("terceiro")});
        QVERIFY(m.modo() == ModeloTalao::Modo::Extracto);
        // Ticket templates take no totals.
        QVERIFY(!m.carregarTexto(
            QStringLiteral("BALANTRIX-TALAO 1\n[consulta]\nSELECT 1 FROM kel_PES_Vias WHERE NoId = :registo\n"
                           "[totais]\nSELECT 1 FROM kel_PES_Vias WHERE NoId = :registo") +
                body,
            QStringLiteral("x")));
    }

    void statementsDrawnAtOnceAreThoseDrawnOneByOne() {
        // Several statements are drawn on threads of their own while the run reads the next
        // party: each file must come out byte for byte as when they are drawn one by one, and
        // the parties end in the run's order.
        for (int p = 0; p < 9; ++p) {
            const QString c = QStringLiteral("P%1").arg(p);
            db().executar(QStringLiteral("INSERT INTO Clientes (CODIGO, NOME, Inactivo) VALUES (?, ?, 0)"),
                          {c, QStringLiteral("Adega n.º %1 — Sousa & Filhos, Lda.").arg(p)});
            for (int w = 0; w <= p % 4; ++w)
                gravarPesagemEnvio(db(), {.terceiro = c,
                                          .primeira = dh(1 + w * 7, 2, 2024, 8 + p),
                                          .artigo = w % 2 ? QStringLiteral("MILHO") : QStringLiteral("RAC-VL"),
                                          .noTalao = p * 10 + w + 1});
        }
        // The statements print the minute they were made: both runs must fall in one.
        for (int tentativa = 0; tentativa < 3; ++tentativa) {
            const QString minuto = QTime::currentTime().toString(QStringLiteral("HHmm"));
            QHash<int, QStringList> ordem;
            QHash<int, QMap<QString, QByteArray>> ficheiros;
            for (int desenhos : {1, 4}) {
                QDir(m_pdf).removeRecursively();
                EnvioTaloes envio(db(), pastaPrograma(), m_config);
                envio.setDesenhosEmParalelo(desenhos);
                const ResumoEnvio r = envio.executar(pedido(2, QDate(2024, 2, 1), QDate(2024, 2, 29), true), {},
                                                     [&](const ResultadoTerceiro& t) { ordem[desenhos] << t.codigo; });
                QCOMPARE(r.contar(ResultadoTerceiro::Gravado), 9);
                for (const QString& f : QDir(m_pdf).entryList(QDir::Files))
                    ficheiros[desenhos][f] = semMomento(lerFicheiro(m_pdf + QLatin1Char('/') + f));
            }
            if (QTime::currentTime().toString(QStringLiteral("HHmm")) != minuto) continue;
            QCOMPARE(ordem[4], ordem[1]);
            QCOMPARE(ficheiros[4].keys(), ficheiros[1].keys());
            for (const QString& f : ficheiros[1].keys()) QVERIFY2(ficheiros[4][f] == ficheiros[1][f], qPrintable(f));
            QVERIFY(pdfTexto(m_pdf + QStringLiteral("/Talao_Cli_P7_2024_02_01_2024-02-29.pdf"))
                        .contains(QStringLiteral("Adega n.º 7 — Sousa & Filhos, Lda.")));
            return;
        }
        QFAIL("the runs never fell within one minute");
    }
};

QTEST_MAIN(BulkTest)
#include "bulk_test.moc"
