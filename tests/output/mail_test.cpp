// Ticket e-mail against a real SMTP server (aiosmtpd, Maildir) on 127.0.0.1.
#include <QtTest>

#include "base/ficheiroconfig.h"
#include "output/mailsender.h"
#include "output/mailsettings.h"
#include "output/operacoestalao.h"
#include "output/registarvias.h"
#include "tests/output/ticketfixtures.h"
#include "tests/support/clirun.h"
#include "tests/support/smtptestserver.h"
#include "tests/support/testsupport.h"

class MailTest : public QObject, ComDemo {
    Q_OBJECT

    SmtpTestServer m_smtp;
    int m_port = 0;
    QString m_config;

    void writeConfig(int port, const QString& seguranca = QStringLiteral("nenhuma")) {
        // Written as a person edits the file: unquoted commas and semicolons.
        QVERIFY(escreverFicheiro(
            m_config,
            QStringLiteral("[SMTP]\nServidor=127.0.0.1\nPorta=%1\nSeguranca=%2\nNomeEmissor=Báscula Agro-Pecuária\n"
                           "emailEmissor=bascula@agrovale.example\nTempoLimite=5\n"
                           "[EMAIL]\nAssunto=Talão de pesagem, Agro-Pecuária do Vale\n"
                           "Mensagem=Bom dia, segue em anexo o talão de pesagem.\n"
                           "CC=contabilidade@agrovale.example, expedicao@agrovale.example\n"
                           "BCC=arquivo@agrovale.example\n")
                .arg(port)
                .arg(seguranca)
                .toUtf8()));
    }

    QMap<QString, QString> readMail() { return m_smtp.ler(QStringLiteral("mensagem")); }

  private slots:
    void initTestCase() {
        QVERIFY(m_smtp.iniciar());
        m_port = m_smtp.porta();
    }
    void cleanupTestCase() { m_smtp.parar(); }
    void init() {
        abrirDemo();
        m_config = m_data->path() + QStringLiteral("/Balantrix.kel");
        writeConfig(m_port);
        m_smtp.esvaziar();
        m_smtp.recusar({});
    }
    void cleanup() { fecharDemo(); }

    // The file's own rules (commas, semicolons, backslashes, quoted values) are FicheiroConfig's
    // (base/config_test); the subject, copies and sender reach the messages below. Here the login,
    // which the test server never asks for.
    void mailSettingsReadAsTyped() {
        QVERIFY(escreverFicheiro(m_config,
                                 "[SMTP]\nServidor=127.0.0.1\nUtilizador=DOMINIO\\pesagens\nPassword=de,mo;1\\x\n"));
        const MailSettings m = MailSettings::ler(m_config);
        QCOMPARE(m.utilizador, QStringLiteral("DOMINIO\\pesagens"));
        QCOMPARE(m.password, QStringLiteral("de,mo;1\\x"));
    }

    void noAddressGivesAWarningAndNoPdf() {
        OperacoesTalao ops(m_t->db(), m_msgs, pastaPrograma(), m_config);
        const qint32 id = gravarPesagem(m_t->db(), {.terceiro = QStringLiteral("C003")});  // no e-mail on file
        QCOMPARE(OperacoesTalao::emailTerceiro(m_t->db(), id), QString());
        QCOMPARE(ops.enviarMail(id, TipoTalao::Cliente, OperacoesTalao::emailTerceiro(m_t->db(), id)), 0);
        QCOMPARE(m_msgs.all, QStringList{QStringLiteral("Terceiro sem e-mail associado!")});
        QCOMPARE(m_msgs.kinds, QList<int>{OperatorMessages::Informacao});
        QVERIFY(!QFileInfo::exists(OperacoesTalao::caminhoPdf(TipoTalao::Cliente)));
    }

    void ticketArrivesWithAttachmentCopiesAndHiddenBcc() {
        OperacoesTalao ops(db(), m_msgs, pastaPrograma(), m_config);
        const qint32 id = gravarPesagem(db(), Pesagem{});
        RegistarVias(db(), id, 4);  // the printer setting; the mail always attaches one copy
        const QString to = OperacoesTalao::emailTerceiro(db(), id);
        QVERIFY(!to.isEmpty());
        QCOMPARE(ops.enviarMail(id, TipoTalao::Cliente, to) == 1 ? QString() : m_msgs.last(), QString());
        QCOMPARE(m_msgs.last(), QStringLiteral("Email enviado com sucesso !"));
        QCOMPARE(m_msgs.kinds.last(), 100 + OperatorMessages::Info);
        QCOMPARE(db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Vias WHERE NoId = ?"), {id}).toInt(), 1);

        const auto mail = readMail();
        QCOMPARE(mail.value(QStringLiteral("count")), QStringLiteral("1"));
        QCOMPARE(mail.value(QStringLiteral("To")), to);
        QCOMPARE(mail.value(QStringLiteral("Cc")),
                 QStringLiteral("contabilidade@agrovale.example, expedicao@agrovale.example"));
        QCOMPARE(mail.value(QStringLiteral("Bcc")), QString());
        QCOMPARE(mail.value(QStringLiteral("Subject")), QStringLiteral("Talão de pesagem, Agro-Pecuária do Vale"));
        QCOMPARE(mail.value(QStringLiteral("Body")), QStringLiteral("Bom dia, segue em anexo o talão de pesagem."));
        QVERIFY(mail.value(QStringLiteral("From"))
                    .contains(QStringLiteral("Báscula Agro-Pecuária <bascula@agrovale.example>")));
        QVERIFY(!mail.value(QStringLiteral("Date")).isEmpty());
        QVERIFY(!mail.value(QStringLiteral("Message-ID")).isEmpty());
        QCOMPARE(
            foraDoLugar(mail.value(QStringLiteral("X-RcptTo")),
                        {to, QStringLiteral("contabilidade@agrovale.example"),
                         QStringLiteral("expedicao@agrovale.example"), QStringLiteral("arquivo@agrovale.example")}),
            QString());
        const QStringList att = mail.value(QStringLiteral("Attachment")).split(QLatin1Char('\t'));
        QCOMPARE(att.value(0), QStringLiteral("TalaoPesagem_Cli.pdf"));
        QVERIFY(att.value(1).toLongLong() > 1000);
        QCOMPARE(att.value(2), QStringLiteral("%PDF-"));
        // Attached from memory: the desk's own file is neither written nor read.
        QVERIFY(!QFileInfo::exists(OperacoesTalao::caminhoPdf(TipoTalao::Cliente)));
    }

    // A sending that cannot be done fails within the time limit, says why, and nothing is sent: nothing
    // listening, a server without the encryption the settings demand, or the customer's address refused.
    void failedSendingSaysWhy_data() {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QStringList>("motivos");
        QTest::newRow("nothing listening") << "livre" << QStringList{QStringLiteral("(7)")};
        QTest::newRow("no encryption") << "starttls" << QStringList{QStringLiteral("STARTTLS")};
        QTest::newRow("recipient refused")
            << "recusa"
            << QStringList{QStringLiteral("recusou o destinatário geral@quintadouro.example"), QStringLiteral("550")};
    }
    void failedSendingSaysWhy() {
        QFETCH(QString, caso);
        QFETCH(QStringList, motivos);
        const qint32 id = gravarPesagem(db(), Pesagem{});
        const QString to = OperacoesTalao::emailTerceiro(db(), id);
        if (caso == QStringLiteral("livre")) writeConfig(SmtpTestServer::portaLivre());
        if (caso == QStringLiteral("starttls")) writeConfig(m_port, caso);
        m_smtp.recusar(caso == QStringLiteral("recusa") ? QStringList{to} : QStringList());
        OperacoesTalao ops(db(), m_msgs, pastaPrograma(), m_config);
        QElapsedTimer t;
        t.start();
        QCOMPARE(ops.enviarMail(id, TipoTalao::Cliente, to), 2);
        QVERIFY(t.elapsed() < 6000);
        QCOMPARE(m_msgs.all.size(), 1);
        QCOMPARE(m_msgs.kinds.last(), 100 + OperatorMessages::Critico);
        QVERIFY(m_msgs.last().startsWith(QStringLiteral("Não foi possivel enviar o email")));
        QCOMPARE(foraDoLugar(m_msgs.last() + QLatin1Char('\n') + ops.ultimoErro(), motivos), QString());
        QCOMPARE(m_smtp.mensagens(), 0);
    }

    // The server refuses a copy: that does not stop the customer's ticket, which goes to the
    // accepted recipients, and the outcome names the refused copy.
    void refusedCopiesAreNamed() {
        const qint32 id = gravarPesagem(db(), Pesagem{});
        const QString to = OperacoesTalao::emailTerceiro(db(), id);
        // A CC and the BCC refused: sent to the customer and the other CC, status 1.
        m_smtp.recusar({QStringLiteral("Expedicao@agrovale.example"), QStringLiteral("arquivo@agrovale.example")});
        {
            OperacoesTalao ops(db(), m_msgs, pastaPrograma(), m_config);
            QCOMPARE(ops.enviarMail(id, TipoTalao::Cliente, to), 1);
            QCOMPARE(m_msgs.all.size(), 1);
            QCOMPARE(m_msgs.kinds.last(), 100 + OperatorMessages::Info);
            QVERIFY(m_msgs.last().startsWith(QStringLiteral("Email enviado com sucesso !")));
            QCOMPARE(foraDoLugar(m_msgs.last(), {QStringLiteral("recusou a cópia para expedicao@agrovale.example"),
                                                 QStringLiteral("arquivo@agrovale.example")}),
                     QString());
            QCOMPARE(ops.copiasRecusadas().size(), 2);
        }
        QCOMPARE(m_smtp.mensagens(), 1);
        const auto mail = readMail();
        QCOMPARE(
            foraDoLugar(mail.value(QStringLiteral("X-RcptTo")), {to, QStringLiteral("contabilidade@agrovale.example")},
                        {QStringLiteral("expedicao"), QStringLiteral("arquivo")}),
            QString());
        QCOMPARE(mail.value(QStringLiteral("Cc")), QStringLiteral("contabilidade@agrovale.example"));
    }

    // A demo installation mailing through the test's server; gives its configuration file.
    QString demoComServidor() {
        const CliRun r = runCli({QStringLiteral("demo"), QStringLiteral("init")});
        if (r.code != 0) qWarning() << r.err;
        const QString config = m_data->norvak() + QStringLiteral("/Balantrix.kel");
        FicheiroConfig(config).gravar(QStringLiteral("SMTP"), QStringLiteral("Porta"), QString::number(m_port));
        return config;
    }

    // Several `ticket mail` runs at once, each for another customer: every message
    // carries its recipient's own ticket, under the name the customer knows.
    void parallelMailsCarryEachRecipientsOwnTicket() {
        demoComServidor();
        const int n = 8;
        QList<qint32> ids;
        {
            auto db = baseDemo(m_data->path(), QStringLiteral("mail-parallel"));
            QVERIFY(db);
            for (int i = 1; i <= n; ++i) {
                db->executar(
                    QStringLiteral("INSERT INTO Clientes (CODIGO, NOME, NContrib, Inactivo, email_envio_documentos) "
                                   "VALUES (?, ?, '500000000', 0, ?)"),
                    {QStringLiteral("P%1").arg(i), QStringLiteral("Cliente Paralelo %1").arg(i),
                     QStringLiteral("p%1@clientes.example").arg(i)});
                ids << gravarPesagem(*db, {.terceiro = QStringLiteral("P%1").arg(i), .noTalao = 5100 + i});
            }
        }
        std::vector<std::unique_ptr<QProcess>> runs;
        for (qint32 id : ids) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->start(qEnvironmentVariable("BALANTRIX_BIN") + QStringLiteral("/balantrix-cli"),
                               {QStringLiteral("ticket"), QStringLiteral("mail"), QString::number(id)});
        }
        for (auto& p : runs) {
            QVERIFY(p->waitForFinished(60000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
        }
        const QStringList linhas = m_smtp.anexos();
        QCOMPARE(linhas.size(), n);
        for (const QString& l : linhas) {
            const QStringList c = l.split(QLatin1Char('\t'));
            const int i = c.value(0).mid(1, c.value(0).indexOf(QLatin1Char('@')) - 1).toInt();
            QVERIFY2(i >= 1 && i <= n, qPrintable(l));
            QCOMPARE(c.value(1), QStringLiteral("TalaoPesagem_Cli.pdf"));
            QVERIFY2(c.value(2).contains(QStringLiteral("A %1").arg(5100 + i)) &&
                         c.value(2).contains(QStringLiteral("Cliente Paralelo %1").arg(i)),
                     qPrintable(l));
            for (int j = 1; j <= n; ++j)
                if (j != i) QVERIFY2(!c.value(2).contains(QStringLiteral("A %1").arg(5100 + j)), qPrintable(l));
        }
    }

    // The headers as a standard reader takes them: one sender whatever its name holds,
    // a subject that decodes to what was typed, lines folded.
    void headersFollowTheStandard_data() {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QString>("assunto");
        QTest::addColumn<int>("copias");
        QStringList palavras;
        for (int i = 0; palavras.join(QLatin1Char(' ')).size() < 2000; ++i)
            palavras << QStringLiteral("pesagem%1").arg(i);
        const QString longo = palavras.join(QLatin1Char(' ')).left(2000);
        QTest::newRow("comma in the name") << "Agro-Pecuaria do Vale, Lda."
                                           << "Talão de pesagem" << 0;
        QTest::newRow("an address in the name") << "Banco <ceo@bank.example>, x"
                                                << "Talao" << 0;
        QTest::newRow("quotes and backslash") << "O \"Vale\" \\ Lda."
                                              << "Talao" << 0;
        QTest::newRow("accents, quotes, comma") << "Báscula \"Norte\", Lda. \\ Sul"
                                                << "Talao" << 0;
        QTest::newRow("300 copies, 2000-character subject") << "Báscula" << longo << 300;
        QTest::newRow("2000-character accented subject") << "Báscula" << QString(2000, QChar(0x00E3)) << 0;
        QTest::newRow("one 1500-character word") << "Báscula" << QString(1500, QLatin1Char('x')) << 0;
        QTest::newRow("text that looks encoded") << "=?UTF-8?B?QQ==?="
                                                 << "=?UTF-8?B?QQ==?= literal" << 0;
    }
    void headersFollowTheStandard() {
        QFETCH(QString, nome);
        QFETCH(QString, assunto);
        QFETCH(int, copias);
        FicheiroConfig config(demoComServidor());
        QStringList cc;
        for (int i = 0; i < copias; ++i) cc << QStringLiteral("copia%1@agrovale.example").arg(i);
        config.gravar(QStringLiteral("SMTP"), QStringLiteral("NomeEmissor"), nome);
        config.gravar(QStringLiteral("EMAIL"), QStringLiteral("Assunto"), assunto);
        config.gravar(QStringLiteral("EMAIL"), QStringLiteral("CC"), cc.join(QStringLiteral(", ")));
        QCOMPARE(MailSettings::ler(config.path()).nomeEmissor, nome);
        qint32 id = 0;
        {
            auto db = baseDemo(m_data->path(), QStringLiteral("mail-headers"));
            QVERIFY(db);
            id = gravarPesagem(*db, Pesagem{});
        }
        const CliRun r = runCli({QStringLiteral("ticket"), QStringLiteral("mail"), QString::number(id)});
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        const auto h = m_smtp.ler(QStringLiteral("cabecalhos"));
        QCOMPARE(h.value(QStringLiteral("from_count")), QStringLiteral("1"));
        QCOMPARE(h.value(QStringLiteral("from_name")), nome);
        QCOMPARE(h.value(QStringLiteral("from_addr")), MailSettings::ler(config.path()).emailEmissor);
        QCOMPARE(h.value(QStringLiteral("subject")), assunto);
        QCOMPARE(h.value(QStringLiteral("cc")).toInt(), copias);
        QCOMPARE(h.value(QStringLiteral("defects")), QStringLiteral("0"));
        QVERIFY2(h.value(QStringLiteral("longest")).toInt() <= 998, qPrintable(h.value(QStringLiteral("longest"))));
        // Only a word longer than a line may pass 78 characters.
        QCOMPARE(h.value(QStringLiteral("over78")), QStringLiteral("0"));
        QVERIFY(h.value(QStringLiteral("longest_word")).toInt() <= 75);
    }

    // A control character in an address is refused with the address named, before any
    // connection (nothing listens on the configured port: no connection error shows).
    void controlCharactersInAddressesAreRefused_data() {
        QTest::addColumn<QString>("onde");
        QTest::addColumn<QString>("endereco");
        QTest::addColumn<QString>("visto");
        QTest::newRow("customer address, SOH")
            << QStringLiteral("para") << QStringLiteral("geral\x01@quintadouro.example")
            << QStringLiteral("geral\\x01@quintadouro.example");
        QTest::newRow("copy, DEL") << QStringLiteral("CC") << QStringLiteral("conta\x7f@agrovale.example")
                                   << QStringLiteral("conta\\x7f@agrovale.example");
        QTest::newRow("blind copy, ESC") << QStringLiteral("BCC") << QStringLiteral("arq\x1b@agrovale.example")
                                         << QStringLiteral("arq\\x1b@agrovale.example");
        QTest::newRow("sender, BEL") << QStringLiteral("emailEmissor") << QStringLiteral("bascula\x07@agrovale.example")
                                     << QStringLiteral("bascula\\x07@agrovale.example");
    }
    void controlCharactersInAddressesAreRefused() {
        QFETCH(QString, onde);
        QFETCH(QString, endereco);
        QFETCH(QString, visto);
        FicheiroConfig config(demoComServidor());
        config.gravar(QStringLiteral("SMTP"), QStringLiteral("Porta"), QString::number(SmtpTestServer::portaLivre()));
        qint32 id = 0;
        {
            auto db = baseDemo(m_data->path(), QStringLiteral("mail-control"));
            QVERIFY(db);
            id = gravarPesagem(*db, Pesagem{});
            if (onde == QStringLiteral("para"))
                db->executar(QStringLiteral("UPDATE Clientes SET email_envio_documentos = ? WHERE CODIGO = 'C001'"),
                             {endereco});
        }
        if (onde == QStringLiteral("emailEmissor"))
            config.gravar(QStringLiteral("SMTP"), onde, endereco);
        else if (onde != QStringLiteral("para"))
            config.gravar(QStringLiteral("EMAIL"), onde, endereco);
        const CliRun r = runCli({QStringLiteral("ticket"), QStringLiteral("mail"), QString::number(id)});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.value(QStringLiteral("status")), QStringLiteral("2"));
        QVERIFY2(r.err.contains(visto) && !r.err.contains(QStringLiteral("(7)")), qPrintable(r.err));
        // The message shows the character, it does not carry it.
        QVERIFY(std::none_of(r.err.cbegin(), r.err.cend(),
                             [](QChar c) { return (c < QChar(32) && c != QLatin1Char('\n')) || c == QChar(127); }));
    }

    void addressListsAndHeaders() {
        QStringList out;
        QVERIFY(MailSender::enderecos(QStringLiteral(" a@x.pt; b@y.pt ,Nome Apelido <c@z.pt>;;"), out));
        QCOMPARE(out, (QStringList{QStringLiteral("a@x.pt"), QStringLiteral("b@y.pt"), QStringLiteral("c@z.pt")}));
        QString bad;
        QVERIFY(!MailSender::enderecos(QStringLiteral("a@x.pt, sem-arroba"), out, &bad));
        QCOMPARE(bad, QStringLiteral("sem-arroba"));
        // A line break in a subject can never start a header of its own.
        QCOMPARE(MailSender::cabecalho(QStringLiteral("Talão\r\nBcc: x@y.pt")).contains('\n'), false);
    }
};

QTEST_MAIN(MailTest)
#include "mail_test.moc"
