// Ticket copies, templates and PDF export on a real SQLite file with the demo company.
#include <QPdfWriter>
#include <QTextDocument>
#include <QtTest>

#include "output/formatos.h"
#include "output/modelotalao.h"
#include "output/operacoestalao.h"
#include "output/pastas.h"
#include "output/registarvias.h"
#include "output/renderizadortalao.h"
#include "tests/output/ticketfixtures.h"
#include "tests/support/testsupport.h"

class TicketTest : public QObject, ComDemo {
    Q_OBJECT

    QList<int> vias(qint32 id) {
        QList<int> out;
        const RecordSet rs =
            m_t->db().consultar(QStringLiteral("SELECT NoVia FROM kel_PES_Vias WHERE NoId = ? ORDER BY NoVia"), {id});
        for (int i = 0; i < rs.count(); ++i) out << rs.text(i, QStringLiteral("NoVia")).toInt();
        return out;
    }

  private slots:
    void init() { abrirDemo(); }
    void cleanup() { fecharDemo(); }

    void copiesRowsAreExactlyOneToN() {
        const qint32 id = gravarPesagem(db(), Pesagem{});
        const qint32 other = gravarPesagem(db(), Pesagem{});
        // Left-overs of an earlier run, duplicates included.
        for (int v : {1, 1, 5, 9})
            db().executar(QStringLiteral("INSERT INTO kel_PES_Vias (NoId, NoVia) VALUES (?, ?)"), {id, v});
        db().executar(QStringLiteral("INSERT INTO kel_PES_Vias (NoId, NoVia) VALUES (?, 1)"), {other});
        RegistarVias(db(), id, 3);
        QCOMPARE(vias(id), (QList<int>{1, 2, 3}));
        QCOMPARE(vias(other), (QList<int>{1}));  // another weighing's copies are left alone
        RegistarVias(db(), id, 1);
        QCOMPARE(vias(id), (QList<int>{1}));
        RegistarVias(db(), id, 0);
        QVERIFY(vias(id).isEmpty());
        RegistarVias(db(), id, -2);
        QVERIFY(vias(id).isEmpty());
    }

    void weightsUseTheOneFormat() {
        const QList<std::pair<double, QString>> casos = {
            {12340.0, QStringLiteral("12.340,00")}, {1234567.125, QStringLiteral("1.234.567,13")},
            {0.0, QStringLiteral("0,00")},          {999.999, QStringLiteral("1.000,00")},
            {-1500.5, QStringLiteral("-1.500,50")}, {-0.001, QStringLiteral("0,00")}};
        for (const auto& [kg, texto] : casos) QCOMPARE(Formatos::peso(kg), texto);
        QCOMPARE(Formatos::peso(QVariant(QStringLiteral("26340"))), QStringLiteral("26.340,00"));
        QCOMPARE(Formatos::peso(QVariant()), QString());
    }

    // A template text of another format, or a body that would show database values unescaped:
    // refused, naming the file and why (the query's rules: modelos_hostis_test).
    void unsafeTemplatesAreRefusedByName_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("motivo");
        const QString sql = QStringLiteral(
            "BALANTRIX-TALAO 1\n[consulta]\nSELECT NoVia FROM kel_PES_Vias WHERE NoId = :registo\n[corpo]\n");
        QTest::newRow("another format") << "<html>{{x}}</html>"
                                        << "não é um modelo de talão";
        QTest::newRow("triple braces") << sql + QStringLiteral("<p>{{{Justificacao}}}</p>") << "{{{";
        QTest::newRow("ampersand") << sql + QStringLiteral("<p>{{& Justificacao}}</p>") << "{{&";
        QTest::newRow("new delimiters") << sql + QStringLiteral("{{=<% %>=}}<p><%&Justificacao%></p>") << "{{=";
        QTest::newRow("open section") << sql + QStringLiteral("<p>{{#NoVia}}x</p>") << "erro no corpo";
    }
    void unsafeTemplatesAreRefusedByName() {
        QFETCH(QString, texto);
        QFETCH(QString, motivo);
        ModeloTalao m;
        QVERIFY(!m.carregarTexto(texto, QStringLiteral("/x/mapas/modelo.rpt")));
        QVERIFY2(m.erro().contains(QStringLiteral("/x/mapas/modelo.rpt")) && m.erro().contains(motivo),
                 qPrintable(m.erro()));
    }

    void userCopiesOfTemplatesComeFirst() {
        QTemporaryDir program, config;
        QDir(program.path()).mkpath(QStringLiteral("mapas"));
        QDir(config.path()).mkpath(QStringLiteral("mapas"));
        const QString name = QStringLiteral("kel_PES_Talao_Cliente.rpt");
        QFile::copy(pastaPrograma() + QStringLiteral("/mapas/") + name,
                    program.filePath(QStringLiteral("mapas/")) + name);
        QCOMPARE(Pastas::modelo(program.path(), config.path(), name),
                 program.filePath(QStringLiteral("mapas/")) + name);
        QFile::copy(pastaPrograma() + QStringLiteral("/mapas/") + name,
                    config.filePath(QStringLiteral("mapas/")) + name);
        QCOMPARE(Pastas::modelo(program.path(), config.path(), name), config.filePath(QStringLiteral("mapas/")) + name);
    }

    void pdfHasOnePagePerCopyWithTheTicketData() {
        OperacoesTalao ops(db(), m_msgs, pastaPrograma(), QString());
        const qint32 id = gravarPesagem(db(), Pesagem{});
        RegistarVias(db(), id, 3);
        const QString path = ops.exportaPDF(id, TipoTalao::Cliente);
        QVERIFY2(!path.isEmpty(), qPrintable(ops.ultimoErro()));
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("TalaoPesagem_Cli.pdf"));
        QCOMPARE(pdfPaginas(path), 3);
        const QString text = pdfTexto(path);
        for (const QString& s :
             {QStringLiteral("A 1234"), QStringLiteral("12-AB-34"), QStringLiteral("40.560,00 kg"),
              QStringLiteral("14.220,00 kg"), QStringLiteral("26.340,00 kg"), QStringLiteral("26.240,00 kg"),
              QStringLiteral("100,00 kg"), QStringLiteral("Quinta d'Ouro"), QStringLiteral("Armazém de Lijó"),
              QStringLiteral("GR 1/245"), QStringLiteral("Campanha 2025/2026"), QStringLiteral("12-03-2026 08:41"),
              QStringLiteral("12-03-2026 09:27"), QStringLiteral("1.ª Via"), QStringLiteral("3.ª Via"),
              QStringLiteral("Agro-Pecuária do Vale"), QStringLiteral("selo n.º 4471")})
            QVERIFY2(text.contains(s), qPrintable(s));

        // The supplier ticket: its own template and file, both deductions.
        const qint32 ide = gravarPesagem(db(), {.tipo = QStringLiteral("E"),
                                                .terceiro = QStringLiteral("F001"),
                                                .artigo = QStringLiteral("MILHO"),
                                                .carro = QStringLiteral("AA-11-BB"),
                                                .qualidade = 250.5,
                                                .noTalao = 77});
        RegistarVias(db(), ide, 1);
        const QString pe = ops.exportaPDF(ide, TipoTalao::Fornecedor);
        QVERIFY2(!pe.isEmpty(), qPrintable(ops.ultimoErro()));
        QCOMPARE(QFileInfo(pe).fileName(), QStringLiteral("TalaoPesagem_For.pdf"));
        QCOMPARE(pdfPaginas(pe), 1);
        QCOMPARE(foraDoLugar(pdfTexto(pe), {QStringLiteral("77/2026"), QStringLiteral("Cerealis Norte"),
                                            QStringLiteral("250,50 kg"), QStringLiteral("Tipo B")}),
                 QString());

        // Without its complement row both deductions fall back to 0,00, in the weight format.
        db().executar(QStringLiteral("DELETE FROM kel_PES_Historico_Comp WHERE Cab_Id = ?"), {ide});
        const QString semComp = pdfTexto(ops.exportaPDF(ide, TipoTalao::Fornecedor));
        QCOMPARE(semComp.count(QRegularExpression(QStringLiteral("(^|\\s)0,00 kg"))), 2);
        QVERIFY(!semComp.contains(QStringLiteral("0.00")));
    }

    // Copies that differ only in a text share one laid-out page; every other difference
    // is laid out per page. Either way each sheet shows its own texts and no other's.
    void eachCopyShowsItsOwnTexts_data() {
        QTest::addColumn<QString>("modelo");  // %1: the copy's text
        QTest::addColumn<QStringList>("textos");
        const QStringList vias{QStringLiteral("1.ª Via"), QStringLiteral("2.ª Via"), QStringLiteral("10.ª Via")};
        QTest::newRow("paragraph") << QStringLiteral("<p>TALAO</p><p align=\"right\"><b>%1</b></p><p>termo</p>")
                                   << vias;
        QTest::newRow("table cell") << QStringLiteral(
                                           "<table><tr><td>Via</td><td>n %1 de 3</td></tr></table><p>termo</p>")
                                    << QStringList{QStringLiteral("um"), QStringLiteral("dois"),
                                                   QStringLiteral("tres")};
        QTest::newRow("two places") << QStringLiteral("<p>%1</p><p>rodape</p><p><i>%1</i></p>") << vias;
        QTest::newRow("same pages") << QStringLiteral("<p>%1</p>")
                                    << QStringList{QStringLiteral("igual"), QStringLiteral("igual")};
        QTest::newRow("markup differs") << QStringLiteral("<p><%1>copia</%1></p>")
                                        << QStringList{QStringLiteral("b"), QStringLiteral("i"), QStringLiteral("u")};
        QTest::newRow("entities") << QStringLiteral("<p>A &amp; %1</p>")
                                  << QStringList{QStringLiteral("um"), QStringLiteral("dois")};
        QTest::newRow("style") << QStringLiteral("<style>p { color: %1; }</style><p>x</p>")
                               << QStringList{QStringLiteral("#111111"), QStringLiteral("#222222")};
        QTest::newRow("attribute") << QStringLiteral("<p title=\"%1\">%1</p>")
                                   << QStringList{QStringLiteral("um"), QStringLiteral("dois")};
    }
    void eachCopyShowsItsOwnTexts() {
        QFETCH(QString, modelo);
        QFETCH(QStringList, textos);
        QStringList paginas;
        for (const QString& t : textos) paginas << modelo.arg(t);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("vias.pdf"));
        {
            QPdfWriter writer(path);
            writer.setResolution(300);
            RenderizadorTalao::pintar(writer, paginas);
        }
        QCOMPARE(pdfPaginas(path), int(textos.size()));
        const QStringList folhas = pdfTexto(path).split(QLatin1Char('\f'));
        for (int i = 0; i < textos.size(); ++i) {
            const QString texto = folhas.value(i);
            QTextDocument esperado;
            esperado.setHtml(paginas[i]);
            for (const QString& palavra :
                 esperado.toPlainText().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
                QVERIFY2(texto.contains(palavra), qPrintable(QStringLiteral("%1: %2").arg(i).arg(palavra)));
            for (const QString& outro : textos)
                if (!modelo.contains(QLatin1Char('<') + QStringLiteral("%1")) &&
                    !esperado.toPlainText().contains(outro))
                    QVERIFY2(!texto.contains(outro), qPrintable(QStringLiteral("%1: %2").arg(i).arg(outro)));
        }
    }

    void markupInDataIsPrintedAsText() {
        OperacoesTalao ops(db(), m_msgs, pastaPrograma(), QString());
        const qint32 id =
            gravarPesagem(db(), {.justificacao = QStringLiteral("<b>negrito</b> & <img src=\"/etc/passwd\">")});
        RegistarVias(db(), id, 1);
        const QString path = ops.exportaPDF(id, TipoTalao::Cliente);
        QVERIFY(!path.isEmpty());
        QVERIFY(pdfTexto(path).contains(QStringLiteral("<b>negrito</b> & <img")));
    }

    // One desk exports many tickets from one template: a copy the user edits meanwhile
    // (even to the same length) is what the next ticket shows, and a broken edit is refused.
    void editedTemplateIsReadAgain() {
        QTemporaryDir config;
        const QString copia = config.filePath(QStringLiteral("mapas/kel_PES_Talao_Cliente.rpt"));
        const QByteArray original = lerFicheiro(pastaPrograma() + QStringLiteral("/mapas/kel_PES_Talao_Cliente.rpt"));
        QVERIFY(!original.isEmpty());
        const auto escrever = [&](const QByteArray& marca) {
            QVERIFY(escreverFicheiro(copia, QByteArray(original).replace("TALÃO DE PESAGEM", marca)));
        };
        OperacoesTalao ops(db(), m_msgs, pastaPrograma(), config.filePath(QStringLiteral("Balantrix.kel")));
        const qint32 id = gravarPesagem(db(), Pesagem{});
        RegistarVias(db(), id, 1);
        for (const char* marca : {"MODELO NUMERO UM", "MODELO NUMERO DOIS"}) {
            escrever(marca);
            const QString pdf = ops.exportaPDF(id, TipoTalao::Cliente);
            QVERIFY2(!pdf.isEmpty(), qPrintable(ops.ultimoErro()));
            QVERIFY2(pdfTexto(pdf).contains(QString::fromLatin1(marca)), marca);
        }
        escrever("{{#aberto}}");
        QVERIFY(ops.exportaPDF(id, TipoTalao::Cliente).isEmpty());
        QVERIFY2(ops.ultimoErro().contains(copia), qPrintable(ops.ultimoErro()));
    }

    void exportsOverwriteAndNeverLeaveAStaleTicket() {
        OperacoesTalao ops(db(), m_msgs, pastaPrograma(), QString());
        const qint32 ida = gravarPesagem(db(), {.carro = QStringLiteral("11-AA-11")}),
                     idb = gravarPesagem(db(), {.carro = QStringLiteral("22-BB-22")});
        RegistarVias(db(), ida, 2);
        RegistarVias(db(), idb, 1);
        const QString first = ops.exportaPDF(ida, TipoTalao::Cliente);
        const QString second = ops.exportaPDF(idb, TipoTalao::Cliente);
        QCOMPARE(second, first);
        QCOMPARE(pdfPaginas(second), 1);
        QVERIFY(pdfTexto(second).contains(QStringLiteral("22-BB-22")));
        QVERIFY(!pdfTexto(second).contains(QStringLiteral("11-AA-11")));

        // No copy rows: nothing printed, and the previous ticket is not passed off as this one.
        RegistarVias(db(), ida, 0);
        QVERIFY(ops.exportaPDF(ida, TipoTalao::Cliente).isEmpty());
        QVERIFY(!QFileInfo::exists(first));
        QVERIFY(ops.ultimoErro().contains(QStringLiteral("não tem vias")));
    }
};

QTEST_MAIN(TicketTest)
#include "ticket_test.moc"
