#include "mailsender.h"

#include <curl/curl.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QRegularExpression>
#include <QThread>
#include <QUuid>
#include <cstdio>
#include <mutex>

namespace {

void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Header values never carry line breaks: a subject with one would start a new header.
QString singleLine(QString s) {
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s.trimmed();
}

bool ascii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() > 126 || c.unicode() < 32) return false;
    return true;
}

struct Slist {
    curl_slist* p = nullptr;
    ~Slist() { curl_slist_free_all(p); }
    void add(const QByteArray& s) { p = curl_slist_append(p, s.constData()); }
};

}  // namespace

MailSender::MailSender(MailSettings settings) : m_s(std::move(settings)) {}

bool MailSender::enderecos(const QString& lista, QStringList& out, QString* invalido) {
    static const QRegularExpression sep(QStringLiteral("[,;]"));
    static const QRegularExpression addr(
        QStringLiteral("^[^@\\s<>,;\"()\\[\\]]+@[^@\\s<>,;\"()\\[\\]]+\\.[^@\\s<>,;\"()\\[\\]]+$"));
    out.clear();
    for (QString part : lista.split(sep, Qt::SkipEmptyParts)) {
        part = part.trimmed();
        if (part.isEmpty()) continue;
        const int lt = int(part.lastIndexOf(QLatin1Char('<')));
        if (lt >= 0 && part.endsWith(QLatin1Char('>')))
            part = part.mid(lt + 1, part.size() - lt - 2).trimmed();
        if (!addr.match(part).hasMatch()) {
            if (invalido) *invalido = part;
            return false;
        }
        out << part;
    }
    return true;
}

QByteArray MailSender::cabecalho(const QString& texto) {
    const QString t = singleLine(texto);
    if (ascii(t)) return t.toUtf8();
    // Encoded-words of at most 75 characters: 45 bytes of UTF-8 make 60 of base64.
    // A character is never split between two words.
    QList<QByteArray> words;
    QByteArray chunk;
    for (int i = 0; i < t.size(); ++i) {
        QString ch(t[i]);
        if (t[i].isHighSurrogate() && i + 1 < t.size()) ch += t[++i];
        const QByteArray b = ch.toUtf8();
        if (chunk.size() + b.size() > 45) {
            words << chunk;
            chunk.clear();
        }
        chunk += b;
    }
    if (!chunk.isEmpty()) words << chunk;
    QByteArray out;
    for (const QByteArray& w : words) {
        if (!out.isEmpty()) out += ' ';
        out += "=?UTF-8?B?" + w.toBase64() + "?=";
    }
    return out;
}

bool MailSender::enviar(const MailMessage& m) {
    m_erro.clear();
    m_copiasRecusadas.clear();
    QStringList para, cc, bcc;
    QString bad;
    if (m_s.servidor.isEmpty()) {
        m_erro = QStringLiteral("Falta o servidor de e-mail (SMTP/Servidor) no ficheiro de configuração.");
        return false;
    }
    QStringList de;
    if (!enderecos(m_s.emailEmissor, de, &bad) || de.size() != 1) {
        m_erro = QStringLiteral("O endereço do remetente (SMTP/emailEmissor) não é válido: \"%1\".")
                     .arg(m_s.emailEmissor);
        return false;
    }
    if (!enderecos(m.para, para, &bad) || !enderecos(m.cc, cc, &bad) || !enderecos(m.bcc, bcc, &bad)) {
        m_erro = QStringLiteral("Endereço de e-mail inválido: \"%1\".").arg(bad);
        return false;
    }
    if (para.isEmpty()) {
        m_erro = QStringLiteral("A mensagem não tem destinatário.");
        return false;
    }
    // The server refuses one recipient at a time. A refused main recipient fails the
    // sending (nothing is sent); a refused copy is left out and the message goes again
    // to the recipients it accepts, so one bad copy address never stops a ticket.
    for (;;) {
        Recusa recusa;
        if (tentar(m, de.first(), para, cc, bcc, recusa)) return true;
        if (recusa.endereco.isEmpty()) return false;
        auto tirar = [&recusa](QStringList& lista) {
            for (qsizetype i = 0; i < lista.size(); ++i) {
                if (lista[i].compare(recusa.endereco, Qt::CaseInsensitive) == 0) {
                    lista.removeAt(i);
                    return true;
                }
            }
            return false;
        };
        if (para.contains(recusa.endereco, Qt::CaseInsensitive)) {
            m_erro = QStringLiteral("O servidor recusou o destinatário %1 (%2).")
                         .arg(recusa.endereco, recusa.resposta);
            return false;
        }
        if (!tirar(cc) && !tirar(bcc)) return false;  // not one of ours: the library's text stays
        m_copiasRecusadas << recusa.endereco + QStringLiteral(" (") + recusa.resposta + QLatin1Char(')');
        m_erro.clear();
    }
}

namespace {

// What the server answered to each RCPT TO, read from the library's protocol trace.
struct Traco {
    QByteArray pendente;  // address of the RCPT TO waiting for its reply
    QByteArray recusado;
    QByteArray resposta;
    bool verboso = false;
};

int tracar(CURL*, curl_infotype tipo, char* dados, size_t n, void* p) {
    auto* t = static_cast<Traco*>(p);
    const QByteArray texto(dados, qsizetype(n));
    if (t->verboso && (tipo == CURLINFO_TEXT || tipo == CURLINFO_HEADER_IN || tipo == CURLINFO_HEADER_OUT))
        std::fwrite(texto.constData(), 1, size_t(texto.size()), stderr);
    if (tipo == CURLINFO_HEADER_OUT && texto.toUpper().startsWith("RCPT TO:")) {
        const qsizetype a = texto.indexOf('<'), b = texto.indexOf('>', a + 1);
        t->pendente = a >= 0 && b > a ? texto.mid(a + 1, b - a - 1) : QByteArray();
    } else if (tipo == CURLINFO_HEADER_IN && !t->pendente.isEmpty()) {
        for (const QByteArray& linha : texto.split('\n')) {
            if (linha.size() < 4 || linha[3] != ' ') continue;  // "250-..." continues
            if (linha.left(3).toInt() >= 400 && t->recusado.isEmpty()) {
                t->recusado = t->pendente;
                t->resposta = linha.trimmed();
            }
            t->pendente.clear();
        }
    }
    return 0;
}

}  // namespace

bool MailSender::tentar(const MailMessage& m, const QString& de, const QStringList& para,
                        const QStringList& cc, const QStringList& bcc, Recusa& recusa) {
    initCurl();
    CURL* curl = curl_easy_init();
    if (!curl) {
        m_erro = QStringLiteral("Não foi possível iniciar a biblioteca de e-mail.");
        return false;
    }

    const bool ssl = m_s.seguranca == MailSettings::Seguranca::Ssl;
    const QByteArray url = (ssl ? QByteArrayLiteral("smtps://") : QByteArrayLiteral("smtp://")) +
                           m_s.servidor.toUtf8() + ':' + QByteArray::number(m_s.portaEfectiva());
    const QByteArray from = '<' + de.toUtf8() + '>';
    Slist rcpt, headers;
    for (const QStringList* l : {&para, &cc, &bcc})
        for (const QString& a : *l) rcpt.add('<' + a.toUtf8() + '>');

    const QByteArray fromHeader =
        m_s.nomeEmissor.isEmpty() ? de.toUtf8() : cabecalho(m_s.nomeEmissor) + " <" + de.toUtf8() + '>';
    const QByteArray domain = de.section(QLatin1Char('@'), 1).toUtf8();
    headers.add("From: " + fromHeader);
    headers.add("To: " + para.join(QStringLiteral(", ")).toUtf8());
    if (!cc.isEmpty()) headers.add("Cc: " + cc.join(QStringLiteral(", ")).toUtf8());
    headers.add("Subject: " + cabecalho(m.assunto));
    headers.add("Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toUtf8());
    headers.add("Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUtf8() + '@' + domain +
                '>');

    curl_mime* mime = curl_mime_init(curl);
    curl_mimepart* text = curl_mime_addpart(mime);
    QString body = m.corpo;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    const QByteArray bodyBytes = body.toUtf8();
    curl_mime_data(text, bodyBytes.constData(), size_t(bodyBytes.size()));
    curl_mime_type(text, "text/plain; charset=UTF-8");
    curl_mime_encoder(text, "quoted-printable");
    if (!m.anexo.isEmpty() || !m.nomeAnexo.isEmpty()) {
        curl_mimepart* att = curl_mime_addpart(mime);
        curl_mime_data(att, m.anexo.constData(), size_t(m.anexo.size()));
        curl_mime_filename(att, singleLine(m.nomeAnexo).toUtf8().constData());
        curl_mime_type(att, "application/pdf");
        // Without base64 the PDF's long lines make the server refuse the message.
        curl_mime_encoder(att, "base64");
    }

    char errbuf[CURL_ERROR_SIZE] = {0};
    const long limitMs = long(m_s.tempoLimiteSegundos) * 1000L;
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt.p);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.p);
    curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    Traco traco;
    traco.verboso = qEnvironmentVariableIsSet("BALANTRIX_CURL_VERBOSE");
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, tracar);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &traco);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, std::min(limitMs, 15000L));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limitMs);
    if (m_s.seguranca == MailSettings::Seguranca::StartTls)
        curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    const QByteArray ca = m_s.ficheiroCA.toLocal8Bit();
    if (!ca.isEmpty()) curl_easy_setopt(curl, CURLOPT_CAINFO, ca.constData());
    const QByteArray user = m_s.utilizador.toUtf8(), pass = m_s.password.toUtf8();
    if (!user.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, pass.constData());
    }

    CURLcode rc = CURLE_OK;
    auto perform = [&] { rc = curl_easy_perform(curl); };
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread()) {
        // Keep the window alive while the server answers; the time limit bounds the wait.
        QThread* worker = QThread::create(perform);
        QEventLoop loop;
        QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
        worker->start();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        worker->wait();
        delete worker;
    } else {
        perform();
    }

    if (rc != CURLE_OK) {
        recusa.endereco = QString::fromUtf8(traco.recusado);
        recusa.resposta = QString::fromUtf8(traco.resposta);
        const QString detail = QString::fromUtf8(errbuf).trimmed();
        m_erro = QStringLiteral("%1 (%2)")
                     .arg(detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(rc)) : detail)
                     .arg(int(rc));
    }
    curl_mime_free(mime);
    curl_easy_cleanup(curl);
    return rc == CURLE_OK;
}
