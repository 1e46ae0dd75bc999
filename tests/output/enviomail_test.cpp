// The bulk mailing window: its two modes, defaults, lookup lists and a PDF run from
// the button with the progress dialog and the end summary.
#include <QDateEdit>
#include <QTableView>
#include <QtTest>

#include "output/pastas.h"
#include "output/ui/enviomail.h"
#include "tests/output/bulkfixtures.h"
#include "tests/output/ticketfixtures.h"
#include "tests/support/fotografia.h"
#include "tests/support/janelas.h"
#include "tests/support/testsupport.h"
#include "widgets/campoentrada.h"
#include "widgets/listapesquisa.h"

class EnvioMailTest : public QObject, ComDemo {
    Q_OBJECT

    QString m_config;
    QString m_pdf;

  private slots:
    void init() {
        abrirDemo();
        m_config = m_data->path() + QStringLiteral("/Balantrix.kel");
        m_pdf = m_data->path() + QStringLiteral("/PDF");
        escreverConfig(m_config, m_pdf);
    }
    void cleanup() { fecharDemo(); }

    void modesHaveTheirCaptionsLabelsAndDefaults() {
        EnvioMail fornecedores(m_t->db(), m_msgs, 1, pastaPrograma(), m_config);
        QCOMPARE(fornecedores.windowTitle(), QStringLiteral("Envio Mail/PDF - Fornecedores"));
        QCOMPARE(rotulo(&fornecedores, "lblTerceiro_0"), QStringLiteral("Fornec. Inicial"));
        EnvioMail clientes(m_t->db(), m_msgs, 2, pastaPrograma(), m_config);
        QCOMPARE(clientes.windowTitle(), QStringLiteral("Envio Mail/PDF - Clientes"));

        // LimparForm: every code, today.
        QCOMPARE(clientes.campo(0)->text(), QStringLiteral("0"));
        QCOMPARE(clientes.campo(1)->text(), QStringLiteral("zzzzzzz"));
        QCOMPARE(clientes.campo(0)->maxLength(), 15);
        QCOMPARE(clientes.data(0)->date(), QDate::currentDate());
        QCOMPARE(clientes.data(1)->date(), QDate::currentDate());
        QCOMPARE(clientes.data(0)->displayFormat(), QStringLiteral("dd-MM-yyyy"));

        clientes.show();
        fotografar(&clientes, QStringLiteral("EnvioMail"));
    }

    void lookupListsLeaveInactivePartiesOut() {
        const RecordSet c = m_t->db().consultar(EnvioMail::sqlLista(2));
        const RecordSet f = m_t->db().consultar(EnvioMail::sqlLista(1));
        QStringList cc, ff;
        for (int i = 0; i < c.count(); ++i) cc << c.text(i, QStringLiteral("Código"));
        for (int i = 0; i < f.count(); ++i) ff << f.text(i, QStringLiteral("Código"));
        QVERIFY(cc.contains(QStringLiteral("C017")) && !cc.contains(QStringLiteral("C018")));  // C018 is inactive
        QVERIFY(ff.contains(QStringLiteral("F001")) && !ff.contains(QStringLiteral("C001")));
        QCOMPARE(m_t->db().escalar(QStringLiteral("SELECT COUNT(*) FROM Clientes WHERE Inactivo = 0")).toInt(),
                 int(cc.size()));

        // Picking from the list of field 1 puts the code there.
        EnvioMail form(m_t->db(), m_msgs, 2, pastaPrograma(), m_config);
        form.show();
        QTimer::singleShot(0, [] {
            auto* lista = qobject_cast<ListaPesquisa*>(QApplication::activeModalWidget());
            QVERIFY(lista);
            QCOMPARE(lista->windowTitle(), QStringLiteral("Clientes"));
            QTest::keyClicks(lista->filtro(), QStringLiteral("Minhota"));
            QTest::keyClick(lista->filtro(), Qt::Key_Return);
        });
        form.abrirLista(1);
        QCOMPARE(form.campo(1)->text(), QStringLiteral("C005"));
    }

    void pdfButtonRunsAndEndsWithASummary() {
        BaseDados& db = m_t->db();
        const QDate hoje = QDate::currentDate();
        gravarPesagemEnvio(db, {QStringLiteral("C001"), 2, QDateTime(hoje, QTime(0, 0))});
        gravarPesagemEnvio(db, {QStringLiteral("C002"), 2, QDateTime(hoje, QTime(23, 59))});
        gravarPesagemEnvio(db, {QStringLiteral("F001"), 1, QDateTime(hoje, QTime(12, 0))});
        EnvioMail form(db, m_msgs, 2, pastaPrograma(), m_config);
        form.show();
        form.campo(0)->setText(QStringLiteral("C002"));
        form.data(0)->setDate(hoje.addDays(-3));
        clicar(&form, "btMailHist_1");
        const QString nome = EnvioTaloes::nomeFicheiro(2, QStringLiteral("C002"), hoje.addDays(-3), hoje);
        QCOMPARE(QDir(m_pdf).entryList(QDir::Files), QStringList{nome});
        QCOMPARE(m_msgs.kinds, QList<int>{100 + OperatorMessages::Info});
        // The summary names the party, its outcome and where its file went.
        const QString resumo = m_msgs.last();
        const QString nomeC002 =
            m_t->db().escalar(QStringLiteral("SELECT NOME FROM Clientes WHERE CODIGO = 'C002'")).toString();
        for (const QString& esperado :
             {QStringLiteral("PDF gravados: 1"),
              QStringLiteral("C002 ") + nomeC002 + QStringLiteral(": gravado em ") + nome,
              QStringLiteral("Pasta dos PDF: ") + QDir::toNativeSeparators(QDir(m_pdf).absolutePath())})
            QVERIFY2(resumo.contains(esperado), qPrintable(resumo + QStringLiteral("\n--- falta: ") + esperado));
        // The codes are cleared for the next run; the period stays.
        QCOMPARE(form.campo(0)->text(), QStringLiteral("0"));
        QCOMPARE(form.data(0)->date(), hoje.addDays(-3));
        QCOMPARE(form.data(1)->date(), hoje);

        // E-mail without a mail server: the anomaly is reported, nothing is made.
        m_msgs.clear();
        clicar(&form, "btMailHist_0");
        QCOMPARE(m_msgs.kinds, QList<int>{OperatorMessages::Informacao});
        QVERIFY(m_msgs.last().startsWith(QStringLiteral("Situação Anómala\n\rErro: ")));
        QVERIFY(QDir(Pastas::trabalho()).isEmpty());
    }
};

QTEST_MAIN(EnvioMailTest)
#include "enviomail_test.moc"
