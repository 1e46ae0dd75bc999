#include "output/renderizadortalao.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <kainjow/mustache.hpp>
#include <optional>

#include "base/dberror.h"
#include "output/erromodelo.h"
#include "output/ficheiroatomico.h"
#include "output/fontetalao.h"
#include "output/formatos.h"

namespace {

using Data = kainjow::mustache::data;

QString texto(const ModeloTalao& modelo, const RecordSet& rs, int row, const QString& column) {
    const QVariant v = rs.value(row, column);
    switch (modelo.formato(column)) {
        case ModeloTalao::Formato::Peso:
            return Formatos::peso(v);
        case ModeloTalao::Formato::DataHora:
            return Formatos::dataHora(RecordSet::toDateTime(v));
        case ModeloTalao::Formato::Data:
            return Formatos::data(RecordSet::toDateTime(v));
        case ModeloTalao::Formato::Texto:
            break;
    }
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::Double) return QString::number(v.toDouble(), 'f', 2);
    return Formatos::isolado(v.toString());
}

QVariantList ligar(const QStringList& nomes, const QVariantHash& valores) {
    QVariantList out;
    for (const QString& n : nomes) out << valores.value(n);
    return out;
}

Data linha(const ModeloTalao& modelo, const RecordSet& rs, int row) {
    Data d{Data::type::object};
    for (const QString& column : rs.columns()) {
        const QString t = texto(modelo, rs, row, column);
        if (t.isEmpty())
            d.set(column.toStdString(), Data{false});
        else
            d.set(column.toStdString(), t.toStdString());
    }
    return d;
}

// The bytes of a data URL ("data:image/png;base64,....").
QByteArray dadosUrl(const QUrl& url) {
    const QByteArray texto = url.toEncoded();
    const qsizetype virgula = texto.indexOf(',');
    if (virgula < 0) return {};
    const QByteArray corpo = QByteArray::fromPercentEncoding(texto.mid(virgula + 1));
    return texto.left(virgula).endsWith(";base64") ? QByteArray::fromBase64(corpo) : corpo;
}

// A page whose images given inline (data: URLs, like the QR code) are decoded once for
// all the pages of a document: every copy of a ticket shows the same code, and one shared
// pixmap is written into the PDF once instead of once per copy.
class Pagina : public QTextDocument {
  public:
    explicit Pagina(QHash<QString, QPixmap>& imagens) : m_imagens(imagens) {}

  protected:
    QVariant loadResource(int type, const QUrl& name) override {
        if (type != ImageResource || name.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) != 0)
            return QTextDocument::loadResource(type, name);
        const QString chave = name.toString();
        auto it = m_imagens.constFind(chave);
        if (it == m_imagens.constEnd()) {
            // Decoded here in its own format (Qt's own loading turns every image into 24-bit
            // colour): a black-and-white QR code then goes into the PDF as one bit per pixel,
            // not as 24 bits tried as JPEG too.
            const QImage imagem = QImage::fromData(dadosUrl(name));
            QPixmap pm = QPixmap::fromImage(imagem, Qt::NoFormatConversion);
            if (pm.isNull()) pm = QTextDocument::loadResource(type, name).value<QPixmap>();
            it = m_imagens.insert(chave, pm);
        }
        return *it;
    }

  private:
    QHash<QString, QPixmap>& m_imagens;
};

// A page's HTML in pieces: each tag (from '<' to its '>') and each text between tags.
QList<QStringView> pedacos(QStringView html) {
    QList<QStringView> out;
    qsizetype i = 0;
    while (i < html.size()) {
        qsizetype fim;
        if (html[i] == QLatin1Char('<')) {
            fim = html.indexOf(QLatin1Char('>'), i);
            fim = fim < 0 ? html.size() : fim + 1;
        } else {
            fim = html.indexOf(QLatin1Char('<'), i);
            if (fim < 0) fim = html.size();
        }
        out << html.sliced(i, fim - i);
        i = fim;
    }
    return out;
}

// A text that reads the same in the laid-out page as in the HTML: no entities, no
// whitespace that the HTML would fold.
bool textoLiteral(QStringView t) {
    if (t.isEmpty() || t.front().isSpace() || t.back().isSpace()) return false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char('&') || (c.isSpace() && (c != QLatin1Char(' ') || t[i + 1].isSpace()))) return false;
    }
    return true;
}

struct Partilhada {
    QString html;               // the first page with a marker in each place the pages differ
    QStringList marcas;         // the markers, in order
    QList<QStringList> textos;  // per page, its text for each marker
};

// The pages as one HTML and the texts in which they differ, when they differ only in
// texts between the same tags; nothing otherwise.
std::optional<Partilhada> partilhar(const QStringList& paginas) {
    if (paginas.size() < 2) return std::nullopt;
    QList<QList<QStringView>> p;
    for (const QString& html : paginas) {
        p << pedacos(html);
        if (p.back().size() != p.front().size()) return std::nullopt;
    }
    QList<qsizetype> difere;
    for (qsizetype j = 0; j < p.front().size(); ++j) {
        bool igual = true;
        for (qsizetype i = 1; i < p.size() && igual; ++i) igual = p[i][j] == p.front()[j];
        if (igual) continue;
        for (const auto& pagina : p)
            if (pagina[j].startsWith(QLatin1Char('<')) || !textoLiteral(pagina[j])) return std::nullopt;
        difere << j;
    }
    const QString prefixo = QStringLiteral("Btx0Marca");
    if (paginas.front().contains(prefixo)) return std::nullopt;
    Partilhada out;
    out.textos.resize(paginas.size());
    qsizetype seguinte = 0;
    for (qsizetype j = 0; j < p.front().size(); ++j) {
        if (seguinte < difere.size() && difere[seguinte] == j) {
            const QString marca = prefixo + QString::number(seguinte++) + QLatin1Char('x');
            out.html += marca;
            out.marcas << marca;
            for (qsizetype i = 0; i < p.size(); ++i) out.textos[i] << p[i][j].toString();
        } else {
            out.html += p.front()[j];
        }
    }
    return out;
}
}  // namespace

RenderizadorTalao::RenderizadorTalao(SqlSettings settings) : m_consulta(std::move(settings)) {}

RecordSet RenderizadorTalao::consultar(const ModeloTalao& modelo, const QString& sql, const QVariantList& params,
                                       int maxLinhas) {
    try {
        return m_consulta.consultar(sql, params, maxLinhas);
    } catch (const ErroOperacao& e) {
        // Our own refusals carry no number; the database's keep theirs.
        const QString motivo = e.numero() == -1 ? e.descricao() : e.texto();
        throw ErroModelo(QStringLiteral("Erro na consulta do modelo %1: %2").arg(modelo.caminho(), motivo), e.numero());
    }
}

QStringList RenderizadorTalao::paginas(const ModeloTalao& modelo, qint32 id) {
    QVariantList params;
    for (int i = 0; i < modelo.parametros(); ++i) params << id;
    const RecordSet rs = consultar(modelo, modelo.consulta(), params, maxPaginasTalao);
    kainjow::mustache::mustache tmpl(modelo.corpo().toStdString());
    const QString agora = Formatos::dataHora(QDateTime::currentDateTime());
    const QHash<QString, QString> marcas =
        m_rastreio && rs.count() > 0
            // A body without the code (the first weighing's slip) signs nothing.
            ? m_rastreio->marcas(id, modelo.corpo().contains(QStringLiteral("codigo_qr")) ||
                                         modelo.corpo().contains(QStringLiteral("linha_qr")))
            : QHash<QString, QString>{};
    QStringList pages;
    for (int row = 0; row < rs.count(); ++row) {
        Data d{Data::type::object};
        for (const QString& column : rs.columns()) {
            const QString t = texto(modelo, rs, row, column);
            // Empty values are false, so "{{#Campo}}...{{/Campo}}" hides a line with nothing in it.
            if (t.isEmpty())
                d.set(column.toStdString(), Data{false});
            else
                d.set(column.toStdString(), t.toStdString());
        }
        for (const char* k : {"alibi_bruto", "alibi_tara", "manual_bruto", "manual_tara", "peso_manual",
                              "tara_registada", "codigo_qr", "linha_qr"}) {
            const QString v = marcas.value(QString::fromLatin1(k));
            d.set(k, v.isEmpty() ? Data{false} : Data{v.toStdString()});
        }
        d.set("impresso_em", agora.toStdString());
        d.set("pagina", std::to_string(row + 1));
        d.set("paginas", std::to_string(rs.count()));
        pages << QString::fromStdString(tmpl.render(d));
        if (!tmpl.is_valid()) throw ErroModelo(QString::fromStdString(tmpl.error_message()));
    }
    return pages;
}

void RenderizadorTalao::pintar(QPagedPaintDevice& device, const QStringList& paginas) {
    const QRectF area = device.pageLayout().paintRectPixels(device.logicalDpiX());
    QPainter painter(&device);
    QHash<QString, QPixmap> imagens;
    const auto ler = [&](Pagina& doc, const QString& html) {
        // Without this the text is laid out for the screen and comes out a third of its size.
        doc.documentLayout()->setPaintDevice(&device);
        doc.setDocumentMargin(0);
        QFont font(FonteTalao::familia());
        font.setPointSizeF(9);
        doc.setDefaultFont(font);
        doc.setTextWidth(area.width());
        doc.setHtml(FonteTalao::html(html));
    };
    const auto desenhar = [&](Pagina& doc) {
        const qreal height = doc.size().height();
        painter.save();
        if (height > area.height() && height > 0) {
            const qreal k = area.height() / height;
            painter.translate((area.width() - area.width() * k) / 2, 0);
            painter.scale(k, k);
        }
        doc.drawContents(&painter, QRectF(QPointF(0, 0), QSizeF(area.width(), std::max(height, area.height()))));
        painter.restore();
    };

    // Copies that differ only in a few texts (the copy's number) share one parsed and
    // laid-out page: each copy writes its texts over the markers and only those lines
    // are laid out again.
    if (const auto comum = partilhar(paginas)) {
        Pagina doc(imagens);
        ler(doc, comum->html);
        QList<QTextCursor> lugares;
        for (const QString& marca : comum->marcas) {
            QTextCursor c = doc.find(marca, 0, QTextDocument::FindCaseSensitively);
            // A marker that landed outside the text (an attribute, a style) or twice.
            if (c.isNull() || !doc.find(marca, c, QTextDocument::FindCaseSensitively).isNull()) break;
            lugares << c;
        }
        if (lugares.size() == comum->marcas.size()) {
            for (int i = 0; i < paginas.size(); ++i) {
                if (i > 0) device.newPage();
                for (int k = 0; k < lugares.size(); ++k) {
                    QTextCursor& c = lugares[k];
                    QTextCursor primeiro(&doc);
                    primeiro.setPosition(c.selectionStart() + 1);
                    const QString& t = comum->textos[i][k];
                    c.insertText(t, primeiro.charFormat());
                    c.setPosition(c.position() - int(t.size()), QTextCursor::KeepAnchor);
                }
                desenhar(doc);
            }
            painter.end();
            return;
        }
    }
    for (int i = 0; i < paginas.size(); ++i) {
        if (i > 0) device.newPage();
        Pagina doc(imagens);
        ler(doc, paginas[i]);
        desenhar(doc);
    }
    painter.end();
}

bool RenderizadorTalao::exportarPdf(const ModeloTalao& modelo, qint32 id, QIODevice& destino) {
    m_erro.clear();
    QStringList pages;
    try {
        pages = paginas(modelo, id);
    } catch (const ErroOperacao& e) {
        m_erro = e.descricao();
        return false;
    }
    if (pages.isEmpty()) {
        m_erro = QStringLiteral("O talão do registo %1 não tem vias para imprimir.").arg(id);
        return false;
    }
    QPdfWriter writer(&destino);
    writer.setCreator(QStringLiteral("Balantrix"));
    writer.setTitle(QStringLiteral("Talão de pesagem"));
    writer.setResolution(300);
    writer.setPageLayout(modelo.paginacao());
    pintar(writer, pages);
    return true;
}

QByteArray RenderizadorTalao::pdf(const ModeloTalao& modelo, qint32 id) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (!exportarPdf(modelo, id, buffer)) return {};
    buffer.close();
    return out;
}

bool RenderizadorTalao::gravar(const QString& path, bool privado, const std::function<bool(QIODevice&)>& escrever) {
    // Whatever stood at the name is not this export's: gone even when it fails.
    if (!FicheiroAtomico::remover(path)) {
        m_erro = QStringLiteral("O ficheiro %1 não pode ser substituído (estará aberto noutro programa?).").arg(path);
        return false;
    }
    FicheiroAtomico file(path, privado);
    if (!file.abrir()) {
        m_erro = file.erro();
        return false;
    }
    if (!escrever(file.dispositivo())) return false;
    if (!file.confirmar()) {
        m_erro = file.erro();
        return false;
    }
    return true;
}

bool RenderizadorTalao::exportarPdf(const ModeloTalao& modelo, qint32 id, const QString& path, bool privado) {
    m_erro.clear();
    return gravar(path, privado, [&](QIODevice& d) { return exportarPdf(modelo, id, d); });
}

QString RenderizadorTalao::documento(const ModeloTalao& modelo, const QVariantHash& valores,
                                     const QHash<QString, QString>& extras) {
    const RecordSet rs =
        consultar(modelo, modelo.consulta(), ligar(modelo.nomesConsulta(), valores), maxLinhasExtracto);
    RecordSet totais;
    if (!modelo.totais().isEmpty())
        totais = consultar(modelo, modelo.totais(), ligar(modelo.nomesTotais(), valores), maxLinhasExtracto);

    // The first row's columns stand at the top too, for the heading (party, company).
    Data d = rs.count() > 0 ? linha(modelo, rs, 0) : Data{Data::type::object};
    Data linhas{Data::type::list};
    bool algumManual = false;
    for (int row = 0; row < rs.count(); ++row) {
        Data l = linha(modelo, rs, row);
        if (m_rastreio && rs.hasColumn(QStringLiteral("Hist_Id"))) {
            const QHash<QString, QString> marcas =
                m_rastreio->marcas(rs.value(row, QStringLiteral("Hist_Id")).toInt(), false);
            for (const char* k : {"alibi_bruto", "alibi_tara", "manual_bruto", "manual_tara", "tara_registada"}) {
                const QString v = marcas.value(QString::fromLatin1(k));
                l.set(k, v.isEmpty() ? Data{false} : Data{v.toStdString()});
            }
            algumManual = algumManual || marcas.contains(QStringLiteral("peso_manual"));
        }
        l.set("linha", std::to_string(row + 1));
        l.set("par", Data{row % 2 == 1});
        linhas.push_back(l);
    }
    Data listaTotais{Data::type::list};
    for (int row = 0; row < totais.count(); ++row) listaTotais.push_back(linha(modelo, totais, row));
    d.set("linhas", rs.count() > 0 ? linhas : Data{false});
    d.set("totais", totais.count() > 0 ? listaTotais : Data{false});
    d.set("n_linhas", std::to_string(rs.count()));
    d.set("peso_manual", algumManual ? Data{RastreioTalao::legendaManual().toStdString()} : Data{false});
    d.set("impresso_em", Formatos::dataHora(QDateTime::currentDateTime()).toStdString());
    for (auto it = extras.cbegin(); it != extras.cend(); ++it)
        d.set(it.key().toStdString(), it.value().isEmpty() ? Data{false} : Data{it.value().toStdString()});

    kainjow::mustache::mustache tmpl(modelo.corpo().toStdString());
    const QString html = QString::fromStdString(tmpl.render(d));
    if (!tmpl.is_valid()) throw ErroModelo(QString::fromStdString(tmpl.error_message()));
    return html;
}

int RenderizadorTalao::pintarDocumento(QPagedPaintDevice& device, const QString& html) {
    const QRectF area = device.pageLayout().paintRectPixels(device.logicalDpiX());
    QFont font(FonteTalao::familia());
    font.setPointSizeF(9);
    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&device);
    doc.setDocumentMargin(0);
    doc.setDefaultFont(font);
    // The foot of every sheet keeps a band for the page number.
    QFont pe(font);
    pe.setPointSizeF(7);
    const qreal banda = QFontMetricsF(pe, &device).height() * 2.2;
    const QSizeF pagina(area.width(), area.height() - banda);
    doc.setPageSize(pagina);
    doc.setHtml(FonteTalao::html(html));
    const int paginas = std::max(1, doc.pageCount());

    QPainter painter(&device);
    for (int p = 0; p < paginas; ++p) {
        if (p > 0) device.newPage();
        painter.save();
        painter.translate(0, -p * pagina.height());
        doc.drawContents(&painter, QRectF(QPointF(0, p * pagina.height()), pagina));
        painter.restore();
        painter.save();
        painter.setFont(pe);
        painter.setPen(QColor(0x77, 0x77, 0x77));
        const QRectF foot(0, area.height() - banda * 0.6, area.width(), banda * 0.6);
        painter.drawLine(QPointF(0, foot.top() - banda * 0.15), QPointF(area.width(), foot.top() - banda * 0.15));
        painter.drawText(foot, Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("Página %1 de %2").arg(p + 1).arg(paginas));
        painter.restore();
    }
    painter.end();
    return paginas;
}

QByteArray RenderizadorTalao::documentoPdf(const QString& html, const QPageLayout& paginacao, const QString& titulo) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Balantrix"));
        writer.setTitle(titulo);
        writer.setResolution(300);
        writer.setPageLayout(paginacao);
        pintarDocumento(writer, html);
    }
    return out;
}

bool RenderizadorTalao::gravarFicheiro(const QString& path, const QByteArray& conteudo, bool privado) {
    m_erro.clear();
    return gravar(path, privado, [&](QIODevice& d) {
        if (d.write(conteudo) == conteudo.size()) return true;
        m_erro = QStringLiteral("O ficheiro %1 não pôde ser escrito: %2").arg(path, d.errorString());
        return false;
    });
}
