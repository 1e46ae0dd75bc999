#include "records/registoalibi.h"

#include <QCryptographicHash>

#include "base/basedados.h"

namespace {

const char* kColunas =
    "Alibi_Id, DataHora, Posto, Balcao, Tipo, Origem, Resposta, Peso, Estavel, Leitura_Id, Hist_Id, NoPeso, "
    "Hash";

// Text fields are written so that no value can pass for a separator.
QString campo(const QString& t) {
    QString out;
    out.reserve(t.size());
    for (QChar c : t) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('|'))
            out += QStringLiteral("\\|");
        else
            out += c;
    }
    return out;
}

QString pesoTexto(const Money& m) {
    const qint64 u = m.units();
    const qint64 a = u < 0 ? -u : u;
    return (u < 0 ? QStringLiteral("-") : QString()) + QString::number(a / Money::kScale) + QLatin1Char('.') +
           QStringLiteral("%1").arg(a % Money::kScale, 4, 10, QLatin1Char('0'));
}

// Qt binds a null text as NULL; the log's text columns hold empty text instead.
QString texto(const QString& t) {
    return t.isNull() ? QStringLiteral("") : t;
}

}  // namespace

QString LinhaAlibi::textoCanonico(const QString& hashAnterior) const {
    const bool ligacao = tipo == Tipo::Ligacao;
    return QStringList{QString::number(id),
                       dataHora.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                       campo(posto),
                       campo(balcao),
                       ligacao ? QStringLiteral("V") : QStringLiteral("L"),
                       campo(origem),
                       campo(resposta),
                       pesoTexto(peso),
                       estavel ? QStringLiteral("1") : QStringLiteral("0"),
                       ligacao ? QString::number(leitura) : QString(),
                       ligacao ? QString::number(histId) : QString(),
                       ligacao ? QString::number(numeroPeso) : QString(),
                       hashAnterior}
        .join(QLatin1Char('|'));
}

QString LinhaAlibi::calcularHash(const QString& hashAnterior) const {
    return QString::fromLatin1(
        QCryptographicHash::hash(textoCanonico(hashAnterior).toUtf8(), QCryptographicHash::Sha256).toHex());
}

RegistoAlibi::RegistoAlibi(BaseDados& db, QString posto) : m_db(db), m_posto(std::move(posto)) {}

QString RegistoAlibi::textoResposta(const QByteArray& resposta) {
    QString out;
    for (char ch : resposta) {
        const auto c = static_cast<unsigned char>(ch);
        QString piece = (c >= 0x20 && c < 0x7f) ? QString(QLatin1Char(char(c)))
                                                : QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
        if (out.size() + piece.size() > kMaxResposta) break;
        out += piece;
    }
    return out;
}

QString RegistoAlibi::ultimaLinhaSql(Backend backend) {
    if (backend == Backend::Mssql)
        // UPDLOCK: two writers cannot both hold the last row; HOLDLOCK keeps the range
        // after it locked too, so nobody inserts there until we commit (also on an empty table).
        return QStringLiteral(
            "SELECT TOP 1 Alibi_Id, Hash FROM kel_PES_Alibi WITH (UPDLOCK, HOLDLOCK) ORDER BY Alibi_Id DESC");
    return QStringLiteral("SELECT Alibi_Id, Hash FROM kel_PES_Alibi ORDER BY Alibi_Id DESC LIMIT 1");
}

QString RegistoAlibi::bloquearUltimaSql() {
    // A lock of the chain itself, held to the end of the transaction: a row lock on the
    // last row lets a waiter read that same row again after the holder added behind it.
    return QStringLiteral("SELECT pg_advisory_xact_lock(7431120001)");
}

QString RegistoAlibi::insertSql() {
    return QStringLiteral("INSERT INTO kel_PES_Alibi (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .arg(QLatin1String(kColunas));
}

LinhaAlibi RegistoAlibi::acrescentar(LinhaAlibi l) {
    // On sqlite the write lock is taken before the last row is read (BEGIN IMMEDIATE);
    // inside a transaction that already wrote, the lock is held already. PostgreSQL takes
    // the chain's own lock before it reads the end, so appenders queue instead of
    // colliding; the primary key (and a new try) stays the fence behind it.
    return m_db.comRepeticao(
        [&] {
            LinhaAlibi linha = l;
            escrever(linha);
            return linha;
        },
        BaseDados::Repetir::TambemChaveDuplicada);
}

void RegistoAlibi::escrever(LinhaAlibi& l) {
    if (m_db.backend() == Backend::Postgresql) m_db.consultar(bloquearUltimaSql());
    const RecordSet ultima = m_db.consultar(ultimaLinhaSql(m_db.backend()));
    qint64 anterior = 0;
    QString hashAnterior = hashInicial();
    if (!ultima.isEmpty()) {
        anterior = ultima.value(0, QStringLiteral("Alibi_Id")).toLongLong();
        hashAnterior = ultima.text(0, QStringLiteral("Hash")).trimmed();
    }
    l.id = anterior + 1;
    l.posto = m_posto.left(64);
    const QDateTime agora = QDateTime::currentDateTime();
    l.dataHora = QDateTime(agora.date(), QTime(agora.time().hour(), agora.time().minute(), agora.time().second()));
    l.hash = l.calcularHash(hashAnterior);
    const bool ligacao = l.tipo == LinhaAlibi::Tipo::Ligacao;
    m_db.executar(insertSql(), {l.id, l.dataHora, texto(l.posto), texto(l.balcao),
                                ligacao ? QStringLiteral("V") : QStringLiteral("L"), texto(l.origem), texto(l.resposta),
                                l.peso.toDouble(), l.estavel ? 1 : 0,
                                ligacao ? QVariant(l.leitura) : QVariant(QMetaType(QMetaType::LongLong)),
                                ligacao ? QVariant(l.histId) : QVariant(QMetaType(QMetaType::Int)),
                                ligacao ? QVariant(l.numeroPeso) : QVariant(QMetaType(QMetaType::Int)), l.hash});
}

LinhaAlibi RegistoAlibi::registarLeitura(const QString& balcao, const QByteArray& resposta, const Money& peso,
                                         bool estavel) {
    LinhaAlibi l;
    l.balcao = balcao;
    l.origem = QStringLiteral("scale");
    l.resposta = textoResposta(resposta);
    l.peso = peso;
    l.estavel = estavel;
    return acrescentar(l);
}

LinhaAlibi RegistoAlibi::registarManual(const QString& balcao, const Money& peso) {
    LinhaAlibi l;
    l.balcao = balcao;
    l.origem = QStringLiteral("manual");
    l.peso = peso;
    return acrescentar(l);
}

LinhaAlibi RegistoAlibi::ligar(const QString& balcao, qint64 leitura, qint32 histId, int numeroPeso) {
    LinhaAlibi l;
    l.balcao = balcao;
    l.tipo = LinhaAlibi::Tipo::Ligacao;
    l.leitura = leitura;
    l.histId = histId;
    l.numeroPeso = numeroPeso;
    return acrescentar(l);
}

LinhaAlibi RegistoAlibi::deRegisto(const RecordSet& rs, int row) {
    LinhaAlibi l;
    l.id = rs.value(row, QStringLiteral("Alibi_Id")).toLongLong();
    l.dataHora = RecordSet::toDateTime(rs.value(row, QStringLiteral("DataHora")));
    l.posto = rs.text(row, QStringLiteral("Posto"));
    l.balcao = rs.text(row, QStringLiteral("Balcao"));
    l.tipo = rs.text(row, QStringLiteral("Tipo")).trimmed() == QStringLiteral("V") ? LinhaAlibi::Tipo::Ligacao
                                                                                   : LinhaAlibi::Tipo::Leitura;
    l.origem = rs.text(row, QStringLiteral("Origem"));
    l.resposta = rs.text(row, QStringLiteral("Resposta"));
    l.peso = Money::fromVariant(rs.value(row, QStringLiteral("Peso")));
    l.estavel = rs.value(row, QStringLiteral("Estavel")).toInt() != 0;
    l.leitura = rs.value(row, QStringLiteral("Leitura_Id")).toLongLong();
    l.histId = rs.value(row, QStringLiteral("Hist_Id")).toInt();
    l.numeroPeso = rs.value(row, QStringLiteral("NoPeso")).toInt();
    l.hash = rs.text(row, QStringLiteral("Hash")).trimmed();
    return l;
}

std::optional<LinhaAlibi> RegistoAlibi::linha(qint64 id) {
    const RecordSet rs = m_db.consultar(
        QStringLiteral("SELECT %1 FROM kel_PES_Alibi WHERE Alibi_Id = ?").arg(QLatin1String(kColunas)), {id});
    if (rs.isEmpty()) return std::nullopt;
    return deRegisto(rs, 0);
}

QList<LeituraLigada> RegistoAlibi::leiturasDe(qint32 histId) {
    const RecordSet links = m_db.consultar(
        QStringLiteral("SELECT Alibi_Id, Leitura_Id, NoPeso FROM kel_PES_Alibi WHERE Tipo = 'V' AND Hist_Id = ? "
                       "ORDER BY Alibi_Id"),
        {histId});
    QList<LeituraLigada> out;
    for (int i = 0; i < links.count(); ++i) {
        const auto l = linha(links.value(i, QStringLiteral("Leitura_Id")).toLongLong());
        if (!l) continue;
        LeituraLigada r;
        r.leitura = *l;
        r.histId = histId;
        r.numeroPeso = links.value(i, QStringLiteral("NoPeso")).toInt();
        r.ligacao = links.value(i, QStringLiteral("Alibi_Id")).toLongLong();
        out << r;
    }
    return out;
}

std::optional<LeituraLigada> RegistoAlibi::leituraDoPeso(qint32 histId, int numeroPeso) {
    const RecordSet rs = m_db.consultar(
        QStringLiteral("SELECT Alibi_Id, Leitura_Id FROM kel_PES_Alibi WHERE Alibi_Id = (SELECT MAX(Alibi_Id) FROM "
                       "kel_PES_Alibi WHERE Tipo = 'V' AND Hist_Id = ? AND NoPeso = ?)"),
        {histId, numeroPeso});
    if (rs.isEmpty()) return std::nullopt;
    const auto l = linha(rs.value(0, QStringLiteral("Leitura_Id")).toLongLong());
    if (!l) return std::nullopt;
    LeituraLigada r;
    r.leitura = *l;
    r.histId = histId;
    r.numeroPeso = numeroPeso;
    r.ligacao = rs.value(0, QStringLiteral("Alibi_Id")).toLongLong();
    return r;
}

RegistoAlibi::Verificacao RegistoAlibi::verificar(std::optional<QDate> de, std::optional<QDate> ate) {
    Verificacao v;
    qint64 primeira = 1;
    qint64 ultima = 0;
    const QVariant maximo = m_db.escalar(QStringLiteral("SELECT MAX(Alibi_Id) FROM kel_PES_Alibi"));
    if (maximo.isNull() || !maximo.isValid()) return v;
    ultima = maximo.toLongLong();
    if (de) {
        const QVariant x = m_db.escalar(QStringLiteral("SELECT MIN(Alibi_Id) FROM kel_PES_Alibi WHERE DataHora >= ?"),
                                        {QDateTime(*de, QTime(0, 0))});
        if (x.isNull() || !x.isValid()) return v;
        primeira = x.toLongLong();
    }
    if (ate) {
        const QVariant x = m_db.escalar(QStringLiteral("SELECT MAX(Alibi_Id) FROM kel_PES_Alibi WHERE DataHora <= ?"),
                                        {QDateTime(*ate, QTime(23, 59, 59))});
        if (x.isNull() || !x.isValid()) return v;
        ultima = x.toLongLong();
    }
    if (ultima < primeira) return v;

    // The row before the period gives the hash the period's first row was written on.
    qint64 esperado = primeira;
    QString hashAnterior = hashInicial();
    if (primeira > 1) {
        const auto antes = linha(primeira - 1);
        if (antes) {
            hashAnterior = antes->hash;
        } else {
            v.ok = false;
            v.primeiraErrada = primeira - 1;
            v.motivo = QStringLiteral("falta a linha %1 do registo").arg(primeira - 1);
            return v;
        }
    }
    // In slices, so a long log never sits in memory at once.
    constexpr qint64 kFatia = 2000;
    qint64 depois = primeira - 1;
    while (depois < ultima) {
        const RecordSet rs = m_db.consultar(
            QStringLiteral("SELECT %1 FROM kel_PES_Alibi WHERE Alibi_Id > ? AND Alibi_Id <= ? ORDER BY Alibi_Id")
                .arg(QLatin1String(kColunas)),
            {depois, std::min(ultima, depois + kFatia)});
        depois = std::min(ultima, depois + kFatia);
        for (int i = 0; i < rs.count(); ++i) {
            const LinhaAlibi l = deRegisto(rs, i);
            if (l.id != esperado) {
                v.ok = false;
                v.primeiraErrada = esperado;
                v.motivo = QStringLiteral("falta a linha %1 do registo").arg(esperado);
                return v;
            }
            if (l.calcularHash(hashAnterior) != l.hash) {
                v.ok = false;
                v.primeiraErrada = l.id;
                v.motivo = QStringLiteral("a linha %1 foi alterada (o hash não confere)").arg(l.id);
                return v;
            }
            ++v.linhas;
            hashAnterior = l.hash;
            ++esperado;
        }
    }
    if (esperado != ultima + 1) {
        v.ok = false;
        v.primeiraErrada = esperado;
        v.motivo = QStringLiteral("falta a linha %1 do registo").arg(esperado);
    }
    return v;
}
