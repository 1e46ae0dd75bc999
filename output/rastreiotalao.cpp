#include "output/rastreiotalao.h"

#include "base/basedados.h"
#include "base/money.h"
#include "output/codigoqr.h"
#include "output/linhaqr.h"
#include "records/viaturas.h"

namespace {

QString pesoTexto(const QVariant& v) {
    const Money m = Money::fromVariant(v);
    const qint64 a = qAbs(m.units());
    return (m.units() < 0 ? QStringLiteral("-") : QString()) + QString::number(a / Money::kScale) + QLatin1Char('.') +
           QStringLiteral("%1").arg(a % Money::kScale, 4, 10, QLatin1Char('0'));
}

QString dataHora(const QVariant& v) {
    if (v.isNull()) return {};
    return RecordSet::toDateTime(v).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

const char* const kNomesBtx1[] = {"format",    "nif",       "record", "type",      "prefix",    "ticket",
                                  "campaign",  "gross",     "tare",   "net",       "effective", "first_at",
                                  "second_at", "reading_1", "hash_1", "reading_2", "hash_2"};
const char* const kNomesBtx2[] = {"format",      "key",       "nif",    "record",    "type",    "prefix",    "ticket",
                                  "ticket_year", "campaign",  "party",  "address",   "article", "plate",     "document",
                                  "gross",       "tare",      "net",    "container", "quality", "effective", "first_at",
                                  "second_at",   "reading_1", "hash_1", "reading_2", "hash_2"};

}  // namespace

QStringList RastreioTalao::nomes(const QString& versao) {
    QStringList out;
    if (versao == QStringLiteral("BTX1"))
        for (const char* n : kNomesBtx1) out << QString::fromLatin1(n);
    else if (versao == QStringLiteral("BTX2") || versao == formatoTaraRegistada())
        for (const char* n : kNomesBtx2) out << QString::fromLatin1(n);
    if (versao == formatoTaraRegistada()) out << QStringLiteral("stored_tare");
    return out;
}

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

QStringList RastreioTalao::valores(qint32 histId, const QString& versao, const QString& chaveId) {
    const RecordSet h = m_db.consultar(
        QStringLiteral("SELECT Hist_Id, Tipo, Sigla, NoTalao, AnoTalao, Campanha, Terceiro, CodMorada, Artigo, "
                       "Carro, TpDoc, Serie, NoDoc, Ano, PesoBruto, PesoTara, PesoLiquido, PesoEfectivo, "
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
    const auto texto = [&h](const char* coluna) { return h.text(0, QString::fromLatin1(coluna)).trimmed(); };
    const QString tipo = texto("Tipo");
    const QString sigla = texto("Sigla");
    const bool btx1 = versao == QStringLiteral("BTX1");
    QStringList v{versao};
    if (!btx1) v << chaveId;
    v << nif << QString::number(histId) << tipo << (sigla.isEmpty() ? tipo : sigla) << texto("NoTalao");
    if (!btx1) v << texto("AnoTalao");
    v << texto("Campanha");
    if (!btx1) {
        QString documento;
        if (!texto("TpDoc").isEmpty() && h.value(0, QStringLiteral("NoDoc")).toInt() != 0)
            documento = texto("TpDoc") + QLatin1Char('/') + texto("Serie") + QLatin1Char('/') + texto("NoDoc") +
                        QLatin1Char('/') + texto("Ano");
        v << texto("Terceiro") << texto("CodMorada") << texto("Artigo") << texto("Carro") << documento;
    }
    v << pesoTexto(h.value(0, QStringLiteral("PesoBruto"))) << pesoTexto(h.value(0, QStringLiteral("PesoTara")))
      << pesoTexto(h.value(0, QStringLiteral("PesoLiquido")));
    if (!btx1) {
        // The deductions the ticket prints: those of the weighing's first complement row.
        const RecordSet c =
            m_db.consultar(QStringLiteral("SELECT Vasilhame, Qualidade FROM kel_PES_Historico_Comp WHERE HistCmp_Id = "
                                          "(SELECT MIN(HistCmp_Id) FROM kel_PES_Historico_Comp WHERE Cab_Id = ?)"),
                           {histId});
        v << pesoTexto(c.isEmpty() ? QVariant() : c.value(0, QStringLiteral("Vasilhame")))
          << pesoTexto(c.isEmpty() ? QVariant() : c.value(0, QStringLiteral("Qualidade")));
    }
    v << pesoTexto(h.value(0, QStringLiteral("PesoEfectivo"))) << dataHora(h.value(0, QStringLiteral("DataHoraPB")))
      << dataHora(h.value(0, QStringLiteral("DataHoraPL")));
    for (int n : {1, 2}) {
        const Peso p = peso(histId, n);
        if (!p.leitura) {
            v << QStringLiteral("-") << QStringLiteral("-");
            continue;
        }
        const LinhaAlibi& l = p.leitura->leitura;
        v << (l.origem == QStringLiteral("manual") ? QStringLiteral("M") : QString()) + QString::number(l.id)
          << (p.integra ? l.hash : QStringLiteral("alterada"));
    }
    if (versao == formatoTaraRegistada()) {
        const auto t = RegistoViaturas(m_db).taraUsada(histId);
        v << (t ? t->pesadaEm.toString(QStringLiteral("yyyy-MM-dd")) : QString());
    }
    return v;
}

QString RastreioTalao::conteudo(qint32 histId) {
    // A weighing with a stored tare signs its mark too; every other keeps the older format.
    const QString versao = RegistoViaturas(m_db).taraUsada(histId) ? formatoTaraRegistada() : formato();
    const QStringList v = valores(histId, versao, m_chave.id());
    return v.isEmpty() ? QString() : LinhaQr::juntar(v);
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
    if (const auto t = RegistoViaturas(m_db).taraUsada(histId))
        out.insert(QStringLiteral("tara_registada"), RegistoViaturas::marca(t->pesadaEm.date()));
    if (comCodigo) {
        const QString linha = linhaAssinada(histId);
        out.insert(QStringLiteral("linha_qr"), linha);
        out.insert(QStringLiteral("codigo_qr"), CodigoQr::dataUrl(linha));
    }
    return out;
}

RastreioTalao::Verificacao RastreioTalao::verificar(const QString& linha, const QList<ChaveInstalacao::Publica>& chaves,
                                                    RastreioTalao* db) {
    Verificacao v;
    const QString texto = linha.trimmed();
    const auto partes = LinhaQr::separar(texto);
    const QString formatoLinha = partes ? partes->valores.value(0) : QString();
    const QStringList nomesLinha = nomes(formatoLinha);
    if (!partes || nomesLinha.isEmpty()) {
        v.motivo = QStringLiteral("o texto não é o código de um talão deste programa.");
        return v;
    }
    const QStringList& valoresLinha = partes->valores;
    bool ok = false;
    v.histId = valoresLinha.value(int(nomesLinha.indexOf(QStringLiteral("record")))).toInt(&ok);
    if (!ok || valoresLinha.size() != nomesLinha.size() + 1) {
        v.motivo = QStringLiteral("o código do talão está incompleto.");
        return v;
    }
    v.formatoOk = true;
    // The signature covers the text before its separator exactly as it was written.
    const QByteArray conteudo = texto.left(partes->inicios.last() - 1).toUtf8();
    const QByteArray assinatura = QByteArray::fromBase64(valoresLinha.last().toLatin1());
    const bool btx2 = formatoLinha != QStringLiteral("BTX1");  // every later format names its key
    const QString chaveLinha = btx2 ? valoresLinha.value(1) : QString();
    if (assinatura.size() == 64) {
        for (const ChaveInstalacao::Publica& c : chaves) {
            if (btx2 && c.id != chaveLinha) continue;
            if (ChaveInstalacao::verificar(c.pem, conteudo, assinatura)) {
                v.valida = true;
                v.chaveId = c.id;
                break;
            }
        }
    }
    if (!v.valida) {
        bool conhecida = !btx2;
        for (const ChaveInstalacao::Publica& c : chaves) conhecida = conhecida || c.id == chaveLinha;
        v.motivo =
            conhecida
                ? QStringLiteral("a assinatura não confere com a chave pública.")
                : QStringLiteral("a chave %1 que assinou o talão não está entre as chaves públicas.").arg(chaveLinha);
    }
    if (db) {
        v.comRegisto = true;
        const QStringList agora = db->valores(v.histId, formatoLinha, chaveLinha);
        if (agora.isEmpty()) {
            v.difere = QStringList{QStringLiteral("record")};
            if (v.motivo.isEmpty())
                v.motivo = QStringLiteral("a pesagem %1 não existe na base de dados.").arg(v.histId);
        } else {
            for (int i = 0; i < nomesLinha.size(); ++i)
                if (agora.value(i) != valoresLinha.value(i)) v.difere << nomesLinha[i];
            if (!v.difere.isEmpty() && v.motivo.isEmpty())
                v.motivo =
                    QStringLiteral("a pesagem ou as suas leituras foram alteradas desde a emissão do talão (%1).")
                        .arg(v.difere.join(QStringLiteral(", ")));
        }
        v.confere = v.difere.isEmpty();
    }
    return v;
}
