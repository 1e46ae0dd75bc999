#include "base/ficheiroconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>
#include <stdexcept>

namespace {

struct Conteudo {
    QStringList linhas;
    bool crlf = false;
    bool bom = false;
};

// A configuration file is a few kilobytes; anything near this is not one.
constexpr qint64 kTamanhoMaximo = 1024 * 1024;

QString erroTamanho(const QString& path) {
    return QStringLiteral(
               "O ficheiro de configuração %1 é demasiado grande (mais de 1 MB) para ser um "
               "ficheiro de configuração.")
        .arg(path);
}

Conteudo lerDoDisco(const QString& path, QString* erro) {
    Conteudo c;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return c;
    if (f.size() > kTamanhoMaximo) {
        if (erro) *erro = erroTamanho(path);
        return c;
    }
    QByteArray bytes = f.read(kTamanhoMaximo + 1);
    if (bytes.size() > kTamanhoMaximo) {
        if (erro) *erro = erroTamanho(path);
        return {};
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        c.bom = true;
        bytes.remove(0, 3);
    }
    c.crlf = bytes.contains("\r\n");
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    // Files typed on a workstation in its own code page rather than UTF-8.
    if (utf8.hasError()) text = QString::fromLatin1(bytes);
    c.linhas = text.split(QLatin1Char('\n'));
    if (!c.linhas.isEmpty() && c.linhas.last().isEmpty()) c.linhas.removeLast();
    for (QString& l : c.linhas)
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
    return c;
}

// The file is read once and kept while its size and time stay the same: every setting
// read at start-up used to read the whole file again. A file changed within two seconds
// of its reading is read again: a rewrite of the same size inside the clock's grain
// would keep both.
struct EmCache {
    QDateTime alterado;
    QDateTime lido;
    qint64 tamanho = -1;
    Conteudo conteudo;
    QString erro;
};
QMutex g_mutex;
QHash<QString, EmCache> g_cache;

Conteudo lerFicheiro(const QString& path, QString* erro = nullptr) {
    const QFileInfo info(path);
    const QString chave = info.absoluteFilePath();
    QMutexLocker lock(&g_mutex);
    auto it = g_cache.find(chave);
    const QDateTime agora = QDateTime::currentDateTimeUtc();
    if (it == g_cache.end() || it->alterado != info.lastModified() || it->tamanho != info.size() ||
        it->alterado.toUTC().addSecs(2) >= it->lido) {
        EmCache novo;
        novo.alterado = info.lastModified();
        novo.lido = agora;
        novo.tamanho = info.size();
        novo.conteudo = lerDoDisco(path, &novo.erro);
        it = g_cache.insert(chave, novo);
    }
    if (erro) *erro = it->erro;
    return it->conteudo;
}

void esquecer(const QString& path) {
    QMutexLocker lock(&g_mutex);
    g_cache.remove(QFileInfo(path).absoluteFilePath());
}

bool isComentario(const QString& t) {
    return t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#'));
}

// The section a "[name]" line opens, or a null string for any other line.
QString seccaoDe(const QString& linha) {
    const QString t = linha.trimmed();
    if (!t.startsWith(QLatin1Char('['))) return {};
    const qsizetype fim = t.indexOf(QLatin1Char(']'));
    if (fim < 0) return {};
    return t.mid(1, fim - 1).trimmed();
}

// The key of a "key=value" line, or a null string.
QString chaveDe(const QString& linha) {
    const QString t = linha.trimmed();
    if (t.isEmpty() || isComentario(t) || t.startsWith(QLatin1Char('['))) return {};
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0) return {};
    return t.left(eq).trimmed();
}

bool igual(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Index of the line of the key, and the range of its section (the first one of that name).
struct Posicao {
    qsizetype seccao = -1;  // the "[..]" line
    qsizetype fim = -1;     // one past the section's last line
    qsizetype chave = -1;
};

Posicao procurar(const QStringList& linhas, const QString& seccao, const QString& chave) {
    Posicao p;
    for (qsizetype i = 0; i < linhas.size(); ++i) {
        const QString s = seccaoDe(linhas[i]);
        if (!s.isNull()) {
            if (p.seccao >= 0) {
                p.fim = i;
                return p;
            }
            if (igual(s, seccao)) p.seccao = i;
            continue;
        }
        if (p.seccao >= 0 && p.chave < 0 && igual(chaveDe(linhas[i]), chave)) p.chave = i;
    }
    if (p.seccao >= 0) p.fim = linhas.size();
    return p;
}

QString semEspacos(const QString& s) {
    qsizetype a = 0, b = s.size();
    auto espaco = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (a < b && espaco(s[a])) ++a;
    while (b > a && espaco(s[b - 1])) --b;
    return s.mid(a, b - a);
}

int hexDigit(QChar c) {
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return c.unicode() - '0';
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f')) return c.unicode() - 'a' + 10;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F')) return c.unicode() - 'A' + 10;
    return -1;
}

// The text between the quotes, unescaped as the earlier writer escaped it; a null string
// when the text is not wholly one quoted value (a bare quote inside).
QString entreAspas(const QString& t) {
    if (t.size() < 2 || !t.startsWith(QLatin1Char('"')) || !t.endsWith(QLatin1Char('"'))) return {};
    QString out = QStringLiteral("");
    const QString in = t.mid(1, t.size() - 2);
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QChar c = in[i];
        if (c == QLatin1Char('"')) return {};
        if (c != QLatin1Char('\\') || i + 1 >= in.size()) {
            out += c;
            continue;
        }
        const QChar n = in[++i];
        switch (n.unicode()) {
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'a':
                out += QLatin1Char('\a');
                break;
            case 'b':
                out += QLatin1Char('\b');
                break;
            case 'f':
                out += QLatin1Char('\f');
                break;
            case 'v':
                out += QLatin1Char('\v');
                break;
            case '0':
                out += QChar(0);
                break;
            case '\\':
            case '"':
            case '\'':
            case '?':
                out += n;
                break;
            case 'x': {
                uint v = 0;
                int digitos = 0;
                while (i + 1 < in.size() && hexDigit(in[i + 1]) >= 0 && digitos < 4) {
                    v = v * 16 + uint(hexDigit(in[++i]));
                    ++digitos;
                }
                if (digitos == 0)
                    out += QStringLiteral("\\x");
                else
                    out += QChar(char16_t(v));
                break;
            }
            default:
                // Not an escape that writer made: kept as typed.
                out += QLatin1Char('\\');
                out += n;
        }
    }
    return out;
}

// An unquoted value as the earlier writer left it ("SRV\\SQLEXPRESS", "Talão \"1\""):
// only plain characters and the pairs \\ and \". A null string for anything else.
QString escapadoSemAspas(const QString& t) {
    if (!t.contains(QLatin1Char('\\'))) return {};
    QString out;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('=') || c == QLatin1Char('"')) return {};
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (i + 1 >= t.size()) return {};
        const QChar n = t[++i];
        if (n != QLatin1Char('\\') && n != QLatin1Char('"')) return {};
        out += n;
    }
    return out;
}

QString aspas(const QString& v) {
    QString out = QStringLiteral("\"");
    for (const QChar c : v) {
        switch (c.unicode()) {
            case '\\':
                out += QStringLiteral("\\\\");
                break;
            case '"':
                out += QStringLiteral("\\\"");
                break;
            case '\n':
                out += QStringLiteral("\\n");
                break;
            case '\r':
                out += QStringLiteral("\\r");
                break;
            case '\t':
                out += QStringLiteral("\\t");
                break;
            default:
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

void criarSeFaltar(const QString& path) {
    if (QFileInfo(path).isFile()) return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        f.close();
    } else if (!QFileInfo(path).isFile()) {
        throw std::runtime_error(
            (QStringLiteral("Não foi possível criar o ficheiro de configuração ") + path).toStdString());
    }
}

}  // namespace

FicheiroConfig::FicheiroConfig(QString path) : m_path(std::move(path)) {}

bool FicheiroConfig::exists() const {
    return QFileInfo(m_path).isFile();
}

QString FicheiroConfig::erro() const {
    if (!exists()) return {};
    QString e;
    lerFicheiro(m_path, &e);
    return e;
}

QString FicheiroConfig::valorLido(const QString& texto) {
    const QString t = semEspacos(texto);
    QString v = entreAspas(t);
    if (!v.isNull()) return v;
    v = escapadoSemAspas(t);
    if (!v.isNull()) return v;
    return t;
}

QString FicheiroConfig::textoGravado(const QString& valor) {
    const bool pontas = semEspacos(valor) != valor;
    const bool quebras = valor.contains(QLatin1Char('\n')) || valor.contains(QLatin1Char('\r'));
    if (pontas || quebras || valorLido(valor) != valor) return aspas(valor);
    return valor;
}

QString FicheiroConfig::ler(const QString& seccao, const QString& chave) const {
    if (!exists()) return {};
    const QStringList linhas = lerFicheiro(m_path).linhas;
    const Posicao p = procurar(linhas, seccao, chave);
    if (p.chave < 0) return {};
    const QString& linha = linhas[p.chave];
    return valorLido(linha.mid(linha.indexOf(QLatin1Char('=')) + 1));
}

void FicheiroConfig::gravar(const QString& seccao, const QString& chave, const QString& valor) {
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    criarSeFaltar(m_path);
    QString erro;
    Conteudo c = lerFicheiro(m_path, &erro);
    if (!erro.isEmpty()) throw std::runtime_error(erro.toStdString());
    const Posicao p = procurar(c.linhas, seccao, chave);
    if (p.chave >= 0) {
        // Keeps the key as it was spelt and any indentation before it.
        const QString& antiga = c.linhas[p.chave];
        qsizetype recuo = 0;
        while (recuo < antiga.size() && antiga[recuo].isSpace()) ++recuo;
        c.linhas[p.chave] = antiga.left(recuo) + antiga.left(antiga.indexOf(QLatin1Char('='))).trimmed() +
                            QLatin1Char('=') + textoGravado(valor);
    } else {
        const QString nova = chave + QLatin1Char('=') + textoGravado(valor);
        if (p.seccao >= 0) {
            // After the section's last setting, before the blank lines that part it from the next.
            qsizetype at = p.fim;
            while (at > p.seccao + 1 && c.linhas[at - 1].trimmed().isEmpty()) --at;
            c.linhas.insert(at, nova);
        } else {
            if (!c.linhas.isEmpty() && !c.linhas.last().trimmed().isEmpty()) c.linhas << QString();
            c.linhas << QLatin1Char('[') + seccao + QLatin1Char(']') << nova;
        }
    }
    const QString eol = c.crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QByteArray out = c.bom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    out += (c.linhas.join(eol) + eol).toUtf8();
    QSaveFile f(m_path);
    const bool ok =
        f.open(QIODevice::WriteOnly) && f.setPermissions(ownerOnly) && f.write(out) == out.size() && f.commit();
    esquecer(m_path);
    if (!ok)
        throw std::runtime_error(
            (QStringLiteral("Não foi possível gravar o ficheiro de configuração ") + m_path).toStdString());
    QFile::setPermissions(m_path, ownerOnly);
}
