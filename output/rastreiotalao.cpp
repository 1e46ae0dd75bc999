#include "rastreiotalao.h"

#include "basedados.h"
#include "codigoqr.h"
#include "money.h"

namespace {

// A text field of the line: separators escaped, and only ASCII, since barcode readers
// guess the encoding of anything else.
QString campo(const QString& t) {
    QString out;
    for (QChar c : t) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('|'))
            out += QStringLiteral("\\|");
        else if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString pesoTexto(const QVariant& v) {
    const Money m = Money::fromVariant(v);
    const qint64 a = qAbs(m.units());
    return (m.units() < 0 ? QStringLiteral("-") : QString()) + QString::number(a / Money::kScale) +
           QLatin1Char('.') + QStringLiteral("%1").arg(a % Money::kScale, 4, 10, QLatin1Char('0'));
}

QString dataHora(const QVariant& v) {
    if (v.isNull()) return {};
    return RecordSet::toDateTime(v).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

}  // namespace

RastreioTalao::RastreioTalao(BaseDados& db) : m_db(db), m_registo(db, QString()), m_chave(db) {}

RastreioTalao::Peso RastreioTalao::peso(qint32 histId, int numeroPeso) {
    Peso p;
    p.leitura = m_registo.leituraDoPeso(histId, numeroPeso);
    if (p.leitura) {
        // A reading row edited in place keeps its stored hash: recompute it from its fields.
        const qint64 id = p.leitura->leitura.id;
        const auto antes = id > 1 ? m_registo.linha(id - 1) : std::optional<LinhaAlibi>{};
        const QString hashAnterior = id > 1 ? (antes ? antes->hash : QString()) : RegistoAlibi::hashInicial();
        p.integra = p.leitura->leitura.calcularHash(hashAnterior) == p.leitura->leitura.hash;
    }
    return p;
}

QString RastreioTalao::conteudo(qint32 histId) {
    const RecordSet h = m_db.consultar(
        QStringLiteral(
            "SELECT Hist_Id, Tipo, Sigla, NoTalao, Campanha, PesoBruto, PesoTara, PesoLiquido, PesoEfectivo, "
            "DataHoraPB, DataHoraPL FROM kel_PES_Historico WHERE Hist_Id = ?"),
        {histId});
    if (h.isEmpty()) return {};
    QString nif;
    try {
        const RecordSet e = m_db.consultar(
            QStringLiteral("SELECT NContrib FROM EMPRESA WHERE CODIGO = (SELECT MIN(CODIGO) FROM EMPRESA)"));
        if (!e.isEmpty()) nif = e.text(0, QStringLiteral("NContrib")).trimmed();
    } catch (const DbError&) {
        // A database without the ERP's company table: the line carries no tax number.
    }
    const QString tipo = h.text(0, QStringLiteral("Tipo")).trimmed();
    const QString sigla = h.text(0, QStringLiteral("Sigla")).trimmed();
    QStringList partes{formato(),
                       campo(nif),
                       QString::number(histId),
                       campo(tipo),
                       campo(sigla.isEmpty() ? tipo : sigla),
                       h.text(0, QStringLiteral("NoTalao")).trimmed(),
                       campo(h.text(0, QStringLiteral("Campanha")).trimmed()),
                       pesoTexto(h.value(0, QStringLiteral("PesoBruto"))),
                       pesoTexto(h.value(0, QStringLiteral("PesoTara"))),
                       pesoTexto(h.value(0, QStringLiteral("PesoLiquido"))),
                       pesoTexto(h.value(0, QStringLiteral("PesoEfectivo"))),
                       dataHora(h.value(0, QStringLiteral("DataHoraPB"))),
                       dataHora(h.value(0, QStringLiteral("DataHoraPL")))};
    for (int n : {1, 2}) {
        const Peso p = peso(histId, n);
        if (!p.leitura) {
            partes << QStringLiteral("-") << QStringLiteral("-");
            continue;
        }
        const LinhaAlibi& l = p.leitura->leitura;
        partes << (l.origem == QStringLiteral("manual") ? QStringLiteral("M") : QString()) +
                      QString::number(l.id)
               << (p.integra ? l.hash : QStringLiteral("alterada"));
    }
    return partes.join(QLatin1Char('|'));
}

QString RastreioTalao::linhaAssinada(qint32 histId) {
    const QString c = conteudo(histId);
    if (c.isEmpty()) return {};
    return c + QLatin1Char('|') + QString::fromLatin1(m_chave.assinar(c.toUtf8()).toBase64());
}

QHash<QString, QString> RastreioTalao::marcas(qint32 histId, bool comCodigo) {
    QHash<QString, QString> out;
    const RecordSet h =
        m_db.consultar(QStringLiteral("SELECT Tipo FROM kel_PES_Historico WHERE Hist_Id = ?"), {histId});
    if (h.isEmpty()) return out;
    // The first weight of an outgoing load is the tare; of an incoming delivery, the gross weight.
    const bool entrada =
        h.text(0, QStringLiteral("Tipo")).trimmed().compare(QStringLiteral("E"), Qt::CaseInsensitive) == 0;
    bool manual = false;
    for (int n : {1, 2}) {
        const QString qual = (n == 1) == entrada ? QStringLiteral("bruto") : QStringLiteral("tara");
        const auto l = m_registo.leituraDoPeso(histId, n);
        if (!l) continue;
        if (l->leitura.origem == QStringLiteral("manual")) {
            out.insert(QStringLiteral("manual_") + qual, marcaManual());
            manual = true;
        } else {
            out.insert(QStringLiteral("alibi_") + qual, QStringLiteral("Alibi n.º %1").arg(l->leitura.id));
        }
    }
    if (manual) out.insert(QStringLiteral("peso_manual"), legendaManual());
    if (comCodigo) {
        const QString linha = linhaAssinada(histId);
        out.insert(QStringLiteral("linha_qr"), linha);
        out.insert(QStringLiteral("codigo_qr"), CodigoQr::dataUrl(linha));
    }
    return out;
}

RastreioTalao::Verificacao RastreioTalao::verificar(const QString& linha, const QString& publicaPem,
                                                    RastreioTalao* db) {
    Verificacao v;
    const QString texto = linha.trimmed();
    const int corte = int(texto.lastIndexOf(QLatin1Char('|')));
    if (!texto.startsWith(formato() + QLatin1Char('|')) || corte < 0) {
        v.motivo = QStringLiteral("o texto não é o código de um talão deste programa.");
        return v;
    }
    const QString conteudo = texto.left(corte);
    const QStringList partes = conteudo.split(QLatin1Char('|'));
    bool ok = false;
    v.histId = partes.value(2).toInt(&ok);
    if (!ok || partes.size() < 17) {
        v.motivo = QStringLiteral("o código do talão está incompleto.");
        return v;
    }
    v.formatoOk = true;
    const QByteArray assinatura = QByteArray::fromBase64(texto.mid(corte + 1).toLatin1());
    v.valida =
        assinatura.size() == 64 && ChaveInstalacao::verificar(publicaPem, conteudo.toUtf8(), assinatura);
    if (!v.valida) v.motivo = QStringLiteral("a assinatura não confere com a chave pública.");
    if (db) {
        v.comRegisto = true;
        const QString agora = db->conteudo(v.histId);
        v.confere = agora == conteudo;
        if (!v.confere && v.motivo.isEmpty())
            v.motivo = agora.isEmpty()
                           ? QStringLiteral("a pesagem %1 não existe na base de dados.").arg(v.histId)
                           : QStringLiteral(
                                 "a pesagem ou as suas leituras foram alteradas desde a emissão do talão.");
    }
    return v;
}
