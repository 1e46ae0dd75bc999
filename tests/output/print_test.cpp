// Printing through QPrinter (into a file: these machines have no printer), the
// printer choice, and balantrix-cli ticket.
#include <QApplication>
#include <QComboBox>
#include <QtTest>

#include "base/ficheiroconfig.h"
#include "output/impressaotalao.h"
#include "output/operacoestalao.h"
#include "output/registarvias.h"
#include "output/ui/escolhaimpressora.h"
#include "output/ui/impressorasistema.h"
#include "records/parametrosaplic.h"
#include "tests/output/ticketfixtures.h"
#include "tests/support/clirun.h"
#include "tests/support/testsupport.h"

class PrintTest : public QObject, ComDemo {
    Q_OBJECT

    ParametrosAplic parametros(int noVias) {
        ParametrosAplic p;
        p.definir(RecordSet({QStringLiteral("Numero"), QStringLiteral("NoVias")}, {{1, noVias}}));
        return p;
    }

  private slots:
    void init() { abrirDemo(); }
    void cleanup() { fecharDemo(); }

    // A reprint makes exactly NoVias copy rows and pages; without a ticket number or copies, nothing.
    void reprintPrintsNoViasCopies() {
        OperacoesTalao ops(db(), m_msgs, pastaPrograma(), QString());
        ImpressaoTalao imp(ops);
        const qint32 id = gravarPesagem(db(), Pesagem{});
        RegistarVias(db(), id, 2);
        const QString out = m_data->path() + QStringLiteral("/impresso.pdf");
        const auto vias = [&] {
            return db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Vias WHERE NoId = ?"), {id}).toInt();
        };
        QVERIFY(!imp.imprimirVias(id, 0, TipoTalao::Cliente, parametros(3), out));
        QCOMPARE(vias(), 2);
        QVERIFY(!QFileInfo::exists(out));
        QVERIFY(!imp.imprimirVias(id, 1234, TipoTalao::Cliente, parametros(0), out));
        QVERIFY(!QFileInfo::exists(out));
        QVERIFY(m_msgs.last().contains(QStringLiteral("vias a imprimir (parâmetro \"Número Vias\") é 0")));
        m_msgs.clear();

        db().executar(QStringLiteral("INSERT INTO kel_PES_Vias (NoId, NoVia) VALUES (?, 7)"), {id});
        QVERIFY2(imp.imprimirVias(id, 1234, TipoTalao::Cliente, parametros(3), out), qPrintable(imp.ultimoErro()));
        QCOMPARE(imp.paginasImpressas(), 3);
        QCOMPARE(vias(), 3);
        QCOMPARE(pdfPaginas(out), 3);
        QCOMPARE(foraDoLugar(pdfTexto(out), {QStringLiteral("3.ª Via"), QStringLiteral("26.240,00 kg")}), QString());
        QVERIFY(m_msgs.all.isEmpty());
    }

    void missingPrinterOrForeignTemplateIsReported() {
        const QString config = m_data->path() + QStringLiteral("/Balantrix.kel");
        FicheiroConfig(config).gravar(QStringLiteral("PRINT"), QStringLiteral("Impressora"),
                                      QStringLiteral("Balanca-Laser-9"));
        OperacoesTalao ops(db(), m_msgs, pastaPrograma(), config);
        ImpressoraSistema sistema;
        ImpressaoTalao imp(ops, &sistema);
        const qint32 id = gravarPesagem(db(), Pesagem{});
        RegistarVias(db(), id, 1);
        QVERIFY(!imp.imprimeDoc(id, TipoTalao::Cliente));
        QVERIFY(m_msgs.last().contains(QStringLiteral("\"Balanca-Laser-9\" não está disponível")));
        QCOMPARE(m_msgs.kinds.last(), 100 + OperatorMessages::Critico);

        // A user's copy beside the configuration file wins; one left by an older
        // installation in another format is named, not parsed.
        const QString foreign = m_data->path() + QStringLiteral("/mapas/kel_PES_Talao_Cliente.rpt");
        QVERIFY(escreverFicheiro(foreign, QByteArray("\0\x01\x02rpt", 6)));
        QVERIFY(!imp.imprimeDoc(id, TipoTalao::Cliente, m_data->path() + QStringLiteral("/x.pdf")));
        QVERIFY2(m_msgs.last().contains(foreign) && m_msgs.last().contains(QStringLiteral("não é um modelo de talão")),
                 qPrintable(m_msgs.last()));
    }

    void printerChoiceKeepsTheSetting() {
        const QString config = m_data->path() + QStringLiteral("/Balantrix.kel");
        FicheiroConfig file(config);
        EscolhaImpressora w;
        QCOMPARE(w.impressora(), QString());  // the system's default comes first
        QVERIFY(w.combo()->itemText(0).startsWith(QStringLiteral("Impressora predefinida")));
        file.gravar(QStringLiteral("PRINT"), QStringLiteral("Impressora"), QStringLiteral("Armazem-Matricial"));
        QSignalSpy spy(&w, &EscolhaImpressora::impressoraAlterada);
        w.lerConfig(file);
        QCOMPARE(w.impressora(), QStringLiteral("Armazem-Matricial"));
        QVERIFY(w.combo()->currentText().contains(QStringLiteral("não instalada")));
        QCOMPARE(spy.count(), 1);
        w.actualizarLista();
        QCOMPARE(w.impressora(), QStringLiteral("Armazem-Matricial"));
        w.combo()->setCurrentIndex(0);
        w.gravarConfig(file);
        QCOMPARE(file.ler(QStringLiteral("PRINT"), QStringLiteral("Impressora")), QString());
    }

    void slipOfAFirstWeighing() {
        // The demo through the tool: a typed first weight (manual mark) on the outgoing desk.
        QCOMPARE(runCli({QStringLiteral("demo"), QStringLiteral("init")}).code, 0);
        const CliRun w = runCli({QStringLiteral("weigh"), QStringLiteral("first"), QStringLiteral("--desk"),
                                 QStringLiteral("saidas"), QStringLiteral("--third"), QStringLiteral("C001"),
                                 QStringLiteral("--article"), QStringLiteral("MILHO"), QStringLiteral("--plate"),
                                 QStringLiteral("77-XZ-01"), QStringLiteral("--weight"), QStringLiteral("14220")});
        QVERIFY2(w.code == 0, qPrintable(w.err));
        const QString id = w.value(QStringLiteral("hist_id"));
        const QString out = m_data->path() + QStringLiteral("/senha.pdf");
        const CliRun r = runCli({QStringLiteral("ticket"), QStringLiteral("slip"), id, QStringLiteral("--out"), out});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("pdf")), out);
        QCOMPARE(pdfPaginas(out), 1);
        const QString text = pdfTexto(out);
        for (const QString& s :
             {QStringLiteral("SENHA DE PESAGEM"), QStringLiteral("77-XZ-01"), QStringLiteral("(M) 14.220,00 kg"),
              QStringLiteral("TARA"), w.value(QStringLiteral("ticket")).section(QLatin1Char('/'), -1)})
            QVERIFY2(text.contains(s), qPrintable(s + QStringLiteral(" | ") + text));
        // No copy rows are recorded for a slip; a missing record is refused.
        auto db = baseDemo(m_data->path(), QStringLiteral("slip-demo"));
        QVERIFY(db);
        QCOMPARE(db->escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Vias WHERE NoId = ?"), {id.toInt()}).toInt(),
                 0);
        QCOMPARE(runCli({QStringLiteral("ticket"), QStringLiteral("slip"), QStringLiteral("9999")}).code, 1);
        QCOMPARE(runCli({QStringLiteral("ticket"), QStringLiteral("slip"), id, QStringLiteral("--copies"),
                         QStringLiteral("2")})
                     .code,
                 2);

        // Printing it (into a file), and a user's copy of the template beside the configuration wins.
        OperacoesTalao ops(*db, m_msgs, pastaPrograma(), m_data->path() + QStringLiteral("/Balantrix.kel"));
        ImpressaoTalao imp(ops);
        const QString printed = m_data->path() + QStringLiteral("/senha-impressa.pdf");
        QVERIFY2(imp.imprimeSenha(id.toInt(), printed), qPrintable(imp.ultimoErro()));
        QCOMPARE(pdfPaginas(printed), 1);
        QVERIFY(escreverFicheiro(
            m_data->path() + QStringLiteral("/mapas/kel_PES_Senha.rpt"),
            "BALANTRIX-TALAO 1\n[consulta]\nSELECT Carro FROM kel_PES_Historico WHERE Hist_Id = :registo\n"
            "[corpo]\n<p>Senha da casa {{Carro}}</p>\n"));
        QVERIFY2(imp.imprimeSenha(id.toInt(), printed), qPrintable(imp.ultimoErro()));
        QVERIFY(pdfTexto(printed).contains(QStringLiteral("Senha da casa 77-XZ-01")));
        QVERIFY(!imp.imprimeSenha(9999, printed));
        QVERIFY(imp.ultimoErro().contains(QStringLiteral("não existe")));
    }

    void commandLineTicket() {
        // The demo installation of the tool, with one outgoing weighing.
        QCOMPARE(runCli({QStringLiteral("demo"), QStringLiteral("init")}).code, 0);
        auto db = baseDemo(m_data->path(), QStringLiteral("cli-demo"));
        QVERIFY(db);
        const QString s = QString::number(gravarPesagem(*db, Pesagem{}));
        const QString pdf = QStringLiteral("pdf"), ticket = QStringLiteral("ticket"), outArg = QStringLiteral("--out");

        CliRun r = runCli({ticket, pdf, s, QStringLiteral("--copies"), QStringLiteral("2")});
        QVERIFY2(r.code == 0 && r.out.startsWith(QStringLiteral("pdf=")), qPrintable(r.err));
        QCOMPARE(QFileInfo(r.value(pdf)).fileName(), QStringLiteral("TalaoPesagem_Cli.pdf"));
        QCOMPARE(pdfPaginas(r.value(pdf)), 2);

        // print: NoVias copies of the parameters row (2 in the demo).
        const QString printed = m_data->path() + QStringLiteral("/print.pdf");
        r = runCli({ticket, QStringLiteral("print"), s, outArg, printed});
        QVERIFY2(r.code == 0 && r.out.contains(QStringLiteral("pages=")), qPrintable(r.err));
        QCOMPARE(pdfPaginas(printed),
                 db->escalar(QStringLiteral("SELECT NoVias FROM kel_PES_Parametros WHERE Numero = 1")).toInt());

        r = runCli({ticket, pdf, QStringLiteral("999")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("não existe")));
        QCOMPARE(runCli({ticket, pdf, QStringLiteral("abc")}).code, 2);
    }
};

QTEST_MAIN(PrintTest)
#include "print_test.moc"
