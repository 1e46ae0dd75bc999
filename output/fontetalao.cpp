#include "output/fontetalao.h"

#include <QFont>
#include <QFontDatabase>
#include <QMap>
#include <QRawFont>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <tuple>

namespace {

const QString kOriginal = QStringLiteral("DejaVu Sans");
const QString kCopia = QStringLiteral("Balantrix Talao");

// Every table a text face uses; the hinting ones (fpgm, prep, cvt, hdmx, VDMX, LTSH) stay out.
constexpr const char* kTabelas[] = {"BASE", "FFTM", "GDEF", "GPOS", "GSUB", "JSTF", "MATH",
                                    "OS/2", "cmap", "gasp", "glyf", "head", "hhea", "hmtx",
                                    "kern", "loca", "maxp", "name", "post", "vhea", "vmtx"};

quint16 u16(const QByteArray& d, qsizetype at) {
    return at + 2 <= d.size() ? qFromBigEndian<quint16>(d.constData() + at) : 0;
}

void poe16(QByteArray& d, quint16 v) {
    char b[2];
    qToBigEndian(v, b);
    d.append(b, 2);
}

void poe32(QByteArray& d, quint32 v) {
    char b[4];
    qToBigEndian(v, b);
    d.append(b, 4);
}

QByteArray utf16be(const QString& s) {
    QByteArray out;
    for (const QChar c : s) poe16(out, c.unicode());
    return out;
}

struct Nome {
    quint16 plataforma, codificacao, lingua, id;
    QByteArray texto;
};

// The face's naming table with the family (and the full name) of the copy; copyright,
// licence, style and PostScript name kept, so the PDF names the font as before.
QByteArray renomear(const QByteArray& nomes, const QString& estilo) {
    QList<Nome> out;
    const quint16 n = u16(nomes, 2), inicio = u16(nomes, 4);
    for (int i = 0; i < n; ++i) {
        const qsizetype r = 6 + qsizetype(i) * 12;
        Nome nome{u16(nomes, r), u16(nomes, r + 2), u16(nomes, r + 4), u16(nomes, r + 6), {}};
        const qsizetype at = qsizetype(inicio) + u16(nomes, r + 10), tamanho = u16(nomes, r + 8);
        if (r + 12 > nomes.size() || at + tamanho > nomes.size()) return {};
        // Families and full names are the copy's own; language tags (format 1) are not kept.
        if (nome.id == 1 || nome.id == 3 || nome.id == 4 || (nome.id >= 16 && nome.id <= 22) || nome.lingua >= 0x8000)
            continue;
        nome.texto = nomes.mid(at, tamanho);
        out << nome;
    }
    out << Nome{3, 1, 0x409, 1, utf16be(kCopia)} << Nome{3, 1, 0x409, 4, utf16be(kCopia + u' ' + estilo)};
    std::sort(out.begin(), out.end(), [](const Nome& a, const Nome& b) {
        return std::tie(a.plataforma, a.codificacao, a.lingua, a.id) <
               std::tie(b.plataforma, b.codificacao, b.lingua, b.id);
    });
    QByteArray tabela, textos;
    poe16(tabela, 0);
    poe16(tabela, quint16(out.size()));
    poe16(tabela, quint16(6 + out.size() * 12));
    for (const Nome& nome : out) {
        for (quint16 v : {nome.plataforma, nome.codificacao, nome.lingua, nome.id, quint16(nome.texto.size()),
                          quint16(textos.size())})
            poe16(tabela, v);
        textos += nome.texto;
    }
    return tabela + textos;
}

quint32 somaControlo(const QByteArray& d) {
    quint32 soma = 0;
    for (qsizetype i = 0; i < d.size(); i += 4) {
        char b[4] = {0, 0, 0, 0};
        std::copy_n(d.constData() + i, std::min<qsizetype>(4, d.size() - i), b);
        soma += qFromBigEndian<quint32>(b);
    }
    return soma;
}

// One installed face of DejaVu Sans as a font file of the copy; empty when that face is
// not installed as such (Qt would hand a neighbour or a slanted regular face instead).
QByteArray copiaDaFace(QFont::Weight peso, bool italico) {
    QFont f(kOriginal);
    f.setWeight(peso);
    f.setItalic(italico);
    const QRawFont raw = QRawFont::fromFont(f);
    if (!raw.isValid() || raw.familyName() != kOriginal || raw.weight() != peso ||
        (raw.style() != QFont::StyleNormal) != italico)
        return {};
    QMap<QByteArray, QByteArray> tabelas;
    for (const char* tag : kTabelas) {
        const QByteArray t = raw.fontTable(tag);
        if (!t.isEmpty()) tabelas.insert(QByteArray(tag), t);
    }
    for (const char* precisa : {"cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name"})
        if (!tabelas.contains(precisa)) return {};
    // No instructions left to size for: FreeType then loads the outlines as they are.
    QByteArray& maxp = tabelas["maxp"];
    if (maxp.size() >= 32) std::fill_n(maxp.data() + 18, 10, '\0');
    tabelas["name"] = renomear(tabelas.value("name"), raw.styleName());
    if (tabelas.value("name").isEmpty()) return {};

    const auto n = quint16(tabelas.size());
    quint16 seletor = 0;
    while ((2u << seletor) <= n) ++seletor;
    const auto alcance = quint16((1u << seletor) * 16);
    QByteArray out;
    poe32(out, 0x00010000);
    poe16(out, n);
    poe16(out, alcance);
    poe16(out, seletor);
    poe16(out, quint16(n * 16 - alcance));
    quint32 posicao = 12 + n * 16u;
    QByteArray corpo;
    for (auto it = tabelas.cbegin(); it != tabelas.cend(); ++it) {
        out += it.key().leftJustified(4, ' ', true);
        poe32(out, somaControlo(it.value()));
        poe32(out, posicao + quint32(corpo.size()));
        poe32(out, quint32(it.value().size()));
        corpo += it.value();
        while (corpo.size() % 4) corpo += '\0';
    }
    return out + corpo;
}

// Each PDF the writer makes allocates and frees the same few large blocks (a 256 KiB
// code-point map per font, the page streams). glibc hands blocks over 128 KiB straight
// back to the kernel and trims the heap whenever 128 KiB lie free at its top, so every
// export faulted those pages in anew: about a tenth of a ticket's export. A process that
// makes PDFs keeps such blocks on its heap instead (up to 32 MiB each, trimmed past 64 MiB
// free): memory it would ask for again at the next ticket.
void manterBlocosGrandes() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}

QString registar() {
    manterBlocosGrandes();
    QString familia;
    for (const bool italico : {false, true})
        for (const QFont::Weight peso : {QFont::Normal, QFont::Bold}) {
            const QByteArray dados = copiaDaFace(peso, italico);
            if (dados.isEmpty()) continue;
            const int id = QFontDatabase::addApplicationFontFromData(dados);
            if (id >= 0 && QFontDatabase::applicationFontFamilies(id).contains(kCopia)) familia = kCopia;
        }
    return familia.isEmpty() ? kOriginal : familia;
}

}  // namespace

QString FonteTalao::familia() {
    static const QString familia = registar();
    return familia;
}

QString FonteTalao::html(const QString& pagina) {
    const QString copia = familia();
    if (copia == kOriginal) return pagina;
    // The family alone: "DejaVu Sans Mono" or "DejaVu Sans Condensed" are other faces.
    static const QRegularExpression nome(QStringLiteral("(?<![\\w-])DejaVu Sans(?![\\w-]|\\s+[A-Za-z])"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression estilo(QStringLiteral("<\\s*style\\b"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression fimEstilo(QStringLiteral("<\\s*/\\s*style\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    QString out;
    out.reserve(pagina.size());
    bool emEstilo = false;
    qsizetype i = 0;
    while (i < pagina.size()) {
        const bool tag = pagina[i] == u'<';
        qsizetype fim = pagina.indexOf(tag ? u'>' : u'<', i);
        fim = fim < 0 ? pagina.size() : fim + (tag ? 1 : 0);
        QString pedaco = pagina.sliced(i, fim - i);
        if (tag && estilo.match(pedaco).capturedStart() == 0) emEstilo = true;
        if (tag && fimEstilo.match(pedaco).capturedStart() == 0) emEstilo = false;
        if (tag || emEstilo) pedaco.replace(nome, copia);
        out += pedaco;
        i = fim;
    }
    return out;
}
