#include "output/mailsender.h"

#include <curl/curl.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QRegularExpression>
#include <QThread>
#include <QUuid>
#include <algorithm>
#include <cstdio>
#include <mutex>

namespace {

void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Header texts never carry control characters: a line break would start a header of
// its own, and the others have no place in a header.
QString singleLine(QString s) {
    for (QChar& c : s)
        if (c.unicode() < 32 || (c.unicode() >= 127 && c.unicode() < 160)) c = QLatin1Char(' ');
    return s.trimmed();
}

bool ascii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() > 126 || c.unicode() < 32) return false;
    return true;
}

bool controlo(QChar c) {
    return c.unicode() < 32 || (c.unicode() >= 127 && c.unicode() < 160);
}

// An address as the operator can read it in a message: control characters as \xNN.
QString visivel(const QString& s) {
    QString out;
    for (QChar c : s)
        out += controlo(c) ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')) : QString(c);
    return out;
}

// RFC 2047 encoded-words (UTF-8, base64) for `t`: the first at most `primeiro`
// characters long (what is left of the header's first line), the others at most 75.
// A character is never split between two words.
QList<QByteArray> palavrasCodificadas(const QString& t, int primeiro) {
    auto bytes = [](int caracteres) { return std::max(1, (caracteres - 12) / 4) * 3; };
    QList<QByteArray> words;
    QByteArray chunk;
    int limite = bytes(std::min(primeiro, 75));
    for (qsizetype i = 0; i < t.size(); ++i) {
        QString ch(t[i]);
        if (t[i].isHighSurrogate() && i + 1 < t.size()) ch += t[++i];
        const QByteArray b = ch.toUtf8();
        if (!chunk.isEmpty() && chunk.size() + b.size() > limite) {
            words << "=?UTF-8?B?" + chunk.toBase64() + "?=";
            chunk.clear();
            limite = bytes(75);
        }
        chunk += b;
    }
    if (!chunk.isEmpty() || words.isEmpty()) words << "=?UTF-8?B?" + chunk.toBase64() + "?=";
    return words;
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
        if (std::any_of(part.cbegin(), part.cend(), controlo)) {
            // Never handed to the server: a control character in RCPT TO is an injection.
            if (invalido) *invalido = part;
            return false;
        }
        const int lt = int(part.lastIndexOf(QLatin1Char('<')));
        if (lt >= 0 && part.endsWith(QLatin1Char('>'))) part = part.mid(lt + 1, part.size() - lt - 2).trimmed();
        if (part.size() > 254 || !addr.match(part).hasMatch()) {
            if (invalido) *invalido = part;
            return false;
        }
        out << part;
    }
    return true;
}

QByteArray MailSender::cabecalho(const QString& texto) {
    const QString t = singleLine(texto);
    if (ascii(t) && !t.contains(QStringLiteral("=?"))) return t.toUtf8();
    return palavrasCodificadas(t, 75).join(' ');
}

QByteArray MailSender::dobrar(const QByteArray& linha) {
    // Folding puts a line break before a space; unfolding takes the break away again,
    // so the value is unchanged. A word longer than a line stays whole.
    QByteArray out;
    qsizetype inicio = 0;  // start of the current line in `linha`
    while (linha.size() - inicio > 78) {
        qsizetype corte = -1;
        for (qsizetype i = inicio + 78; i > inicio; --i)
            if (linha[i] == ' ' && linha[i - 1] != ' ') {
                corte = i;
                break;
            }
        if (corte < 0) {
            for (qsizetype i = inicio + 79; i < linha.size(); ++i)
                if (linha[i] == ' ' && linha[i - 1] != ' ') {
                    corte = i;
                    break;
                }
            if (corte < 0) break;
        }
        out += linha.mid(inicio, corte - inicio) + "\r\n";
        inicio = corte;
    }
    out += linha.mid(inicio);
    return out;
}

QByteArray MailSender::cabecalhoTexto(const QByteArray& nome, const QString& texto) {
    const QString t = singleLine(texto);
    bool simples = ascii(t) && !t.contains(QStringLiteral("=?"));
    // Plain text is folded at its spaces; a word too long for any line is encoded
    // instead, as encoded-words can be split anywhere.
    for (const QString& w : t.split(QLatin1Char(' ')))
        if (w.size() > 900) simples = false;
    if (simples) return dobrar(nome + ": " + t.toUtf8());
    return dobrar(nome + ": " + palavrasCodificadas(t, 78 - int(nome.size()) - 2).join(' '));
}

QByteArray MailSender::nomeExibicao(const QString& nome, int primeiro) {
    const QString t = singleLine(nome);
    // Readers decode encoded-words even inside quotes: such text is encoded itself.
    if (!ascii(t) || t.contains(QStringLiteral("=?"))) return palavrasCodificadas(t, primeiro).join(' ');
    // A quoted-string: commas, angle brackets and "@" stay part of the name.
    QByteArray q = "\"";
    for (QChar c : t) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) q += '\\';
        q += char(c.unicode());
    }
    return q + '"';
}

QByteArray MailSender::cabecalhoEnderecos(const QByteArray& nome, const QStringList& enderecos) {
    return dobrar(nome + ": " + enderecos.join(QStringLiteral(", ")).toUtf8());
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
                     .arg(visivel(m_s.emailEmissor));
        return false;
    }
    if (!enderecos(m.para, para, &bad) || !enderecos(m.cc, cc, &bad) || !enderecos(m.bcc, bcc, &bad)) {
        m_erro = std::any_of(bad.cbegin(), bad.cend(), controlo)
                     ? QStringLiteral("O endereço de e-mail \"%1\" tem caracteres de controlo; não é usado.")
                           .arg(visivel(bad))
                     : QStringLiteral("Endereço de e-mail inválido: \"%1\".").arg(bad);
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
            m_erro = QStringLiteral("O servidor recusou o destinatário %1 (%2).").arg(recusa.endereco, recusa.resposta);
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

bool MailSender::tentar(const MailMessage& m, const QString& de, const QStringList& para, const QStringList& cc,
                        const QStringList& bcc, Recusa& recusa) {
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

    const QByteArray domain = de.section(QLatin1Char('@'), 1).toUtf8();
    const QByteArray fromHeader = m_s.nomeEmissor.trimmed().isEmpty()
                                      ? "From: " + de.toUtf8()
                                      : dobrar("From: " + nomeExibicao(m_s.nomeEmissor, 72) + " <" + de.toUtf8() + '>');
    headers.add(fromHeader);
    headers.add(cabecalhoEnderecos("To", para));
    if (!cc.isEmpty()) headers.add(cabecalhoEnderecos("Cc", cc));
    headers.add(cabecalhoTexto("Subject", m.assunto));
    headers.add("Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toUtf8());
    headers.add("Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUtf8() + '@' + domain + '>');

    curl_mime* mime = curl_mime_init(curl);
    curl_mimepart* text = curl_mime_addpart(mime);
    QString body = m.corpo;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
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
