// Ticket e-mail against a real SMTP server (aiosmtpd, Maildir) on 127.0.0.1.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QtTest>

#include "ficheiroconfig.h"
#include "mailsender.h"
#include "mailsettings.h"
#include "operacoestalao.h"
#include "registarvias.h"
#include "smtptestserver.h"
#include "testsupport.h"
#include "ticketfixtures.h"

namespace {

// Reads the one message of the Maildir with Python's email package and answers
// "key<TAB>value" lines.
const char* kReader = R"(
import email, email.header, email.policy, glob, sys
files = glob.glob(sys.argv[1] + '/new/*')
print('count\t%d' % len(files))
msg = email.message_from_binary_file(open(files[0], 'rb'), policy=email.policy.default)
for h in ('To', 'Cc', 'Bcc', 'From', 'Subject', 'X-RcptTo', 'Date', 'Message-ID'):
    print('%s\t%s' % (h, msg.get(h, '')))
print('Body\t%s' % msg.get_body(('plain',)).get_content().strip().replace('\n', '|'))
for part in msg.iter_attachments():
    data = part.get_content()
    print('Attachment\t%s\t%d\t%s' % (part.get_filename(), len(data), data[:5].decode('latin-1')))
)";

}  // namespace

class MailTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<TempDatabase> m_t;
    RecordingMessages m_msgs;
    SmtpTestServer m_smtp;
    int m_port = 0;
    QString m_config;

    void writeConfig(int port, const QString& seguranca = QStringLiteral("nenhuma")) {
        // Written as a person edits the file: unquoted commas and semicolons.
        QFile f(m_config);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QStringLiteral(
                    "[SMTP]\nServidor=127.0.0.1\nPorta=%1\nSeguranca=%2\nNomeEmissor=Báscula Agro-Pecuária\n"
                    "emailEmissor=bascula@agrovale.example\nTempoLimite=5\n"
                    "[EMAIL]\nAssunto=Talão de pesagem, Agro-Pecuária do Vale\n"
                    "Mensagem=Bom dia, segue em anexo o talão de pesagem.\n"
                    "CC=contabilidade@agrovale.example, expedicao@agrovale.example\n"
                    "BCC=arquivo@agrovale.example\n")
                    .arg(port)
                    .arg(seguranca)
                    .toUtf8());
    }

    QString maildir() const { return m_smtp.maildir(); }

    QMap<QString, QString> readMail() {
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"), QString::fromUtf8(kReader), maildir()});
        p.waitForFinished(20000);
        QMap<QString, QString> out;
        for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const int tab = int(line.indexOf(QLatin1Char('\t')));
            if (tab > 0) out.insert(line.left(tab), line.mid(tab + 1));
        }
        if (out.isEmpty()) qWarning() << p.readAllStandardError();
        return out;
    }

  private slots:
    void initTestCase() {
        QVERIFY(m_smtp.iniciar());
        m_port = m_smtp.porta();
    }
    void cleanupTestCase() { m_smtp.parar(); }
    void init() {
        m_data = std::make_unique<TempDataDir>();
        m_t = std::make_unique<TempDatabase>(TempDatabase::Demo);
        m_config = m_data->path() + QStringLiteral("/Balantrix.kel");
        writeConfig(m_port);
        m_msgs.clear();
        // The server made the Maildir (it must not exist beforehand); empty its inbox.
        QDir inbox(maildir() + QStringLiteral("/new"));
        for (const QString& f : inbox.entryList(QDir::Files)) inbox.remove(f);
    }
    void cleanup() {
        m_t.reset();
        m_data.reset();
    }

    // The mail settings are read as typed: a password with a comma and a backslash, a
    // subject with a semicolon; the sender's name as the earlier version quoted it.
    void mailSettingsReadAsTyped() {
        QFile f(m_config);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(
            "[SMTP]\nServidor=127.0.0.1\nUtilizador=DOMINIO\\pesagens\nPassword=de,mo;1\\x\n"
            "NomeEmissor=\"Agro-Pecu\xc3\xa1ria do Vale, Lda.\"\n"
            "[EMAIL]\nAssunto=Tal\xc3\xa3o; pesagem\nCC=a@x.example; b@y.example\n");
        f.close();
        const MailSettings m = MailSettings::ler(m_config);
        QCOMPARE(m.utilizador, QStringLiteral("DOMINIO\\pesagens"));
        QCOMPARE(m.password, QStringLiteral("de,mo;1\\x"));
        QCOMPARE(m.nomeEmissor, QStringLiteral("Agro-Pecuária do Vale, Lda."));
        QCOMPARE(m.assunto, QStringLiteral("Talão; pesagem"));
        QCOMPARE(m.cc, QStringLiteral("a@x.example; b@y.example"));
    }

    void noAddressGivesAWarningAndNoPdf() {
        OperacoesTalao ops(m_t->db(), m_msgs, pastaPrograma(), m_config);
        Pesagem p;
        p.terceiro = QStringLiteral("C003");  // no e-mail on file
        const qint32 id = gravarPesagem(m_t->db(), p);
        QCOMPARE(OperacoesTalao::emailTerceiro(m_t->db(), id), QString());
        QCOMPARE(ops.enviarMail(id, TipoTalao::Cliente, OperacoesTalao::emailTerceiro(m_t->db(), id)), 0);
        QCOMPARE(m_msgs.all, QStringList{QStringLiteral("Terceiro sem e-mail associado!")});
        QCOMPARE(m_msgs.kinds, QList<int>{OperatorMessages::Informacao});
        QVERIFY(!QFileInfo::exists(OperacoesTalao::caminhoPdf(TipoTalao::Cliente)));
    }

    void ticketArrivesWithAttachmentCopiesAndHiddenBcc() {
        BaseDados& db = m_t->db();
        OperacoesTalao ops(db, m_msgs, pastaPrograma(), m_config);
        const qint32 id = gravarPesagem(db, Pesagem{});
        RegistarVias(db, id, 4);  // the printer setting; the mail always attaches one copy
        const QString to = OperacoesTalao::emailTerceiro(db, id);
        QVERIFY(!to.isEmpty());
        QCOMPARE(ops.enviarMail(id, TipoTalao::Cliente, to) == 1 ? QString() : m_msgs.last(), QString());
        QCOMPARE(m_msgs.last(), QStringLiteral("Email enviado com sucesso !"));
        QCOMPARE(m_msgs.kinds.last(), 100 + OperatorMessages::Info);
        QCOMPARE(db.escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Vias WHERE NoId = ?"), {id}).toInt(),
                 1);

        const auto mail = readMail();
        QCOMPARE(mail.value(QStringLiteral("count")), QStringLiteral("1"));
        QCOMPARE(mail.value(QStringLiteral("To")), to);
        QCOMPARE(mail.value(QStringLiteral("Cc")),
                 QStringLiteral("contabilidade@agrovale.example, expedicao@agrovale.example"));
        QCOMPARE(mail.value(QStringLiteral("Bcc")), QString());
        QCOMPARE(mail.value(QStringLiteral("Subject")),
                 QStringLiteral("Talão de pesagem, Agro-Pecuária do Vale"));
        QVERIFY(mail.value(QStringLiteral("From"))
                    .contains(QStringLiteral("Báscula Agro-Pecuária <bascula@agrovale.example>")));
        QVERIFY(!mail.value(QStringLiteral("Date")).isEmpty());
        QVERIFY(!mail.value(QStringLiteral("Message-ID")).isEmpty());
        QCOMPARE(mail.value(QStringLiteral("Body")),
                 QStringLiteral("Bom dia, segue em anexo o talão de pesagem."));
        const QString rcpt = mail.value(QStringLiteral("X-RcptTo"));
        for (const QString a :
             {to, QStringLiteral("contabilidade@agrovale.example"),
              QStringLiteral("expedicao@agrovale.example"), QStringLiteral("arquivo@agrovale.example")})
            QVERIFY2(rcpt.contains(a), qPrintable(rcpt));
        const QStringList att = mail.value(QStringLiteral("Attachment")).split(QLatin1Char('\t'));
        QCOMPARE(att.value(0), QStringLiteral("TalaoPesagem_Cli.pdf"));
        QCOMPARE(att.value(1).toLongLong(), QFileInfo(OperacoesTalao::caminhoPdf(TipoTalao::Cliente)).size());
        QCOMPARE(att.value(2), QStringLiteral("%PDF-"));
        QCOMPARE(pdfPaginas(OperacoesTalao::caminhoPdf(TipoTalao::Cliente)), 1);
    }

    void serverDownOrRefusingFailsWithinTheLimit() {
        BaseDados& db = m_t->db();
        const qint32 id = gravarPesagem(db, Pesagem{});
        const QString to = OperacoesTalao::emailTerceiro(db, id);
        // Nothing listening.
        writeConfig(SmtpTestServer::portaLivre());
        {
            OperacoesTalao ops(db, m_msgs, pastaPrograma(), m_config);
            QElapsedTimer t;
            t.start();
            QCOMPARE(ops.enviarMail(id, TipoTalao::Cliente, to), 2);
            QVERIFY(t.elapsed() < 6000);
            QVERIFY(m_msgs.last().startsWith(QStringLiteral("Não foi possivel enviar o email")));
            QCOMPARE(m_msgs.kinds.last(), 100 + OperatorMessages::Critico);
            QVERIFY(ops.ultimoErro().contains(QStringLiteral("(7)")));
        }
        // A server that cannot give the encryption the settings demand.
        writeConfig(m_port, QStringLiteral("starttls"));
        {
            OperacoesTalao ops(db, m_msgs, pastaPrograma(), m_config);
            QCOMPARE(ops.enviarMail(id, TipoTalao::Cliente, to), 2);
            QVERIFY(m_msgs.last().startsWith(QStringLiteral("Não foi possivel enviar o email")));
            QVERIFY2(ops.ultimoErro().contains(QStringLiteral("STARTTLS")), qPrintable(ops.ultimoErro()));
        }
        QVERIFY(QDir(maildir() + QStringLiteral("/new")).isEmpty());
    }

    // The server refuses a recipient: a refused To is a failed sending that names the
    // address (nothing is sent); a refused copy does not stop the customer's ticket: it
    // goes to the accepted recipients and the outcome names the refused copy.
    void refusedRecipientsAreNamed() {
        BaseDados& db = m_t->db();
        const qint32 id = gravarPesagem(db, Pesagem{});
        const QString to = OperacoesTalao::emailTerceiro(db, id);
        m_smtp.recusar({to});
        {
            OperacoesTalao ops(db, m_msgs, pastaPrograma(), m_config);
            QCOMPARE(ops.enviarMail(id, TipoTalao::Cliente, to), 2);
            QCOMPARE(m_msgs.kinds.last(), 100 + OperatorMessages::Critico);
            QVERIFY(m_msgs.last().startsWith(QStringLiteral("Não foi possivel enviar o email")));
            QVERIFY2(m_msgs.last().contains(QStringLiteral("recusou o destinatário ") + to),
                     qPrintable(m_msgs.last()));
            QVERIFY(m_msgs.last().contains(QStringLiteral("550")));
            QCOMPARE(m_msgs.all.size(), 1);
        }
        QCOMPARE(m_smtp.mensagens(), 0);

        // A CC and the BCC refused: sent to the customer and the other CC, status 1.
        m_smtp.recusar(
            {QStringLiteral("Expedicao@agrovale.example"), QStringLiteral("arquivo@agrovale.example")});
        m_msgs.clear();
        {
            OperacoesTalao ops(db, m_msgs, pastaPrograma(), m_config);
            QCOMPARE(ops.enviarMail(id, TipoTalao::Cliente, to), 1);
            QCOMPARE(m_msgs.all.size(), 1);
            QCOMPARE(m_msgs.kinds.last(), 100 + OperatorMessages::Info);
            const QString texto = m_msgs.last();
            QVERIFY(texto.startsWith(QStringLiteral("Email enviado com sucesso !")));
            QVERIFY2(texto.contains(QStringLiteral("recusou a cópia para expedicao@agrovale.example")),
                     qPrintable(texto));
            QVERIFY2(texto.contains(QStringLiteral("arquivo@agrovale.example")), qPrintable(texto));
            QCOMPARE(ops.copiasRecusadas().size(), 2);
        }
        QCOMPARE(m_smtp.mensagens(), 1);
        const auto mail = readMail();
        const QString rcpt = mail.value(QStringLiteral("X-RcptTo"));
        QVERIFY2(rcpt.contains(to) && rcpt.contains(QStringLiteral("contabilidade@agrovale.example")),
                 qPrintable(rcpt));
        QVERIFY2(!rcpt.contains(QStringLiteral("expedicao")) && !rcpt.contains(QStringLiteral("arquivo")),
                 qPrintable(rcpt));
        QCOMPARE(mail.value(QStringLiteral("Cc")), QStringLiteral("contabilidade@agrovale.example"));
        m_smtp.recusar({});
    }

    void addressListsAndHeaders() {
        QStringList out;
        QVERIFY(MailSender::enderecos(QStringLiteral(" a@x.pt; b@y.pt ,Nome Apelido <c@z.pt>;;"), out));
        QCOMPARE(out,
                 (QStringList{QStringLiteral("a@x.pt"), QStringLiteral("b@y.pt"), QStringLiteral("c@z.pt")}));
        QString bad;
        QVERIFY(!MailSender::enderecos(QStringLiteral("a@x.pt, sem-arroba"), out, &bad));
        QCOMPARE(bad, QStringLiteral("sem-arroba"));
        // A line break in a subject can never start a header of its own.
        QCOMPARE(MailSender::cabecalho(QStringLiteral("Talão\r\nBcc: x@y.pt")).contains('\n'), false);
        QCOMPARE(MailSender::cabecalho(QStringLiteral("Plain subject")), QByteArray("Plain subject"));
        const QByteArray enc = MailSender::cabecalho(QString(40, QChar(0x00E3)));
        for (const QByteArray& w : enc.split(' ')) QVERIFY(w.size() <= 75);
    }
};

QTEST_MAIN(MailTest)
#include "mail_test.moc"
