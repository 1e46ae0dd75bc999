#include "records/viaturas.h"

#include <QSysInfo>

#include "base/basedados.h"
#include "base/datasbase.h"
#include "records/opcoesinstalacao.h"
#include "records/registoalibi.h"

namespace {

const char* kColunas =
    "Matricula, Terceiro, Artigo, Motorista, Tara, PesadaEm, ValidaAte, Posto, Utilizador, Origem, Alibi_Id, "
    "Hist_Id";

// Text columns take an empty text, never NULL.
QString texto(const QString& s) {
    return s.isNull() ? QString(QLatin1String("")) : s;
}

QVariant nuloSeZero(qint64 v, QMetaType::Type t) {
    return v ? QVariant(v) : QVariant(QMetaType(t));
}

Viatura deLinha(const RecordSet& rs, int r) {
    Viatura v;
    v.matricula = rs.text(r, QStringLiteral("Matricula")).trimmed();
    v.terceiro = rs.text(r, QStringLiteral("Terceiro")).trimmed();
    v.artigo = rs.text(r, QStringLiteral("Artigo")).trimmed();
    v.motorista = rs.text(r, QStringLiteral("Motorista")).trimmed();
    v.tara = Money::fromVariant(rs.value(r, QStringLiteral("Tara")));
    v.pesadaEm = RecordSet::toDateTime(rs.value(r, QStringLiteral("PesadaEm")));
    v.validaAte = RecordSet::toDateTime(rs.value(r, QStringLiteral("ValidaAte"))).date();
    v.posto = rs.text(r, QStringLiteral("Posto")).trimmed();
    v.utilizador = rs.text(r, QStringLiteral("Utilizador")).trimmed();
    // Anything but a reading of the indicator counts as typed.
    v.manual = rs.text(r, QStringLiteral("Origem")).trimmed() != QStringLiteral("scale");
    v.alibiId = rs.value(r, QStringLiteral("Alibi_Id")).toLongLong();
    v.histId = rs.value(r, QStringLiteral("Hist_Id")).toInt();
    return v;
}

}  // namespace

QString RegistoViaturas::marca(const QDate& pesadaEm) {
    return QStringLiteral("PT — tara registada em %1").arg(pesadaEm.toString(QStringLiteral("dd-MM-yyyy")));
}

QString RegistoViaturas::mensagemExpirada(const QString& matricula, const QDate& validaAte) {
    return QStringLiteral("A tara registada da viatura %1 expirou em %2: a viatura é pesada duas vezes.")
        .arg(matricula, validaAte.toString(QStringLiteral("dd-MM-yyyy")));
}

QString RegistoViaturas::erroValidade(const QDate& validaAte, const QDate& hoje) {
    if (const QString e = DatasBase::erro(validaAte, QStringLiteral("A validade da tara")); !e.isEmpty()) return e;
    if (validaAte < hoje)
        return QStringLiteral("A validade da tara (%1) já passou.")
            .arg(validaAte.toString(QStringLiteral("dd-MM-yyyy")));
    return {};
}

std::variant<Viatura, QString> RegistoViaturas::daPesagem(qint32 histId, std::optional<QDate> validaAte,
                                                          const QDate& hoje) {
    const RecordSet h = m_db.consultar(
        QStringLiteral("SELECT Tipo, Carro, Terceiro, Artigo, PesoTara, DataHoraPB, DataHoraPL, TpDoc, Serie, NoDoc, "
                       "Ano FROM kel_PES_Historico WHERE Hist_Id = ?"),
        {histId});
    if (h.isEmpty()) return QStringLiteral("A pesagem %1 não existe.").arg(histId);
    if (h.text(0, QStringLiteral("Tipo")).trimmed().compare(QStringLiteral("S"), Qt::CaseInsensitive) != 0)
        return QStringLiteral("A pesagem %1 é uma entrada: só a tara de uma saída concluída pode ser guardada.")
            .arg(histId);
    if (h.value(0, QStringLiteral("DataHoraPL")).isNull())
        return QStringLiteral("A pesagem %1 não está concluída: a sua tara não pode ser guardada.").arg(histId);
    const QString matricula = normalizar(h.text(0, QStringLiteral("Carro")));
    if (matricula.isEmpty()) return QStringLiteral("A pesagem %1 não tem matrícula.").arg(histId);
    // A document cancelled in the ERP leaves the weighing without a sale: its weights are no reference.
    try {
        const QVariant vias = m_db.escalar(
            QStringLiteral("SELECT NumVias FROM DocGCCab WHERE Tpdoc = ? AND NNumdoc = ? AND Serie = ? AND Ano = ?"),
            {h.text(0, QStringLiteral("TpDoc")).trimmed(), h.value(0, QStringLiteral("NoDoc")).toInt(),
             h.value(0, QStringLiteral("Serie")).toInt(), h.value(0, QStringLiteral("Ano")).toInt()});
        if (vias.isValid() && !vias.isNull() && vias.toInt() == -1)
            return QStringLiteral("O documento da pesagem %1 foi anulado: a sua tara não pode ser guardada.")
                .arg(histId);
    } catch (const DbError&) {
        // A database without the ERP's tables: the record alone decides.
    }
    if (const auto usada = taraUsada(histId))
        return QStringLiteral(
                   "A tara da pesagem %1 já era a tara registada de %2: pese a viatura vazia para guardar "
                   "uma tara nova.")
            .arg(histId)
            .arg(usada->pesadaEm.toString(QStringLiteral("dd-MM-yyyy")));
    Viatura v;
    v.matricula = matricula;
    v.terceiro = h.text(0, QStringLiteral("Terceiro")).trimmed();
    v.artigo = h.text(0, QStringLiteral("Artigo")).trimmed();
    v.tara = Money::fromVariant(h.value(0, QStringLiteral("PesoTara")));
    if (v.tara <= Money() || v.tara.units() % Money::kScale != 0)
        return QStringLiteral("A tara da pesagem %1 (%2 kg) não é um peso inteiro maior que zero.")
            .arg(histId)
            .arg(v.tara.plain());
    v.pesadaEm = RecordSet::toDateTime(h.value(0, QStringLiteral("DataHoraPB")));
    v.histId = histId;
    // The outgoing tare is the first weight: the reading it stands on, or a typed weight.
    const auto leitura = RegistoAlibi(m_db, QString()).leituraDoPeso(histId, 1);
    v.manual = !leitura || leitura->leitura.origem.trimmed() != QStringLiteral("scale");
    v.alibiId = v.manual ? 0 : leitura->leitura.id;
    if (v.manual && !OpcoesInstalacao(m_db).pesoManualPermitido())
        return QStringLiteral(
                   "A tara da pesagem %1 foi introduzida à mão e nesta instalação não são permitidos pesos "
                   "manuais (opção PesoManual = proibido).")
            .arg(histId);
    v.validaAte = validaAte.value_or(v.pesadaEm.date().addDays(kValidadeDias));
    if (const QString e = erroValidade(v.validaAte, hoje); !e.isEmpty())
        return validaAte ? e
                         : QStringLiteral(
                               "A tara da pesagem %1, pesada em %2, já expirou em %3: indique outra "
                               "validade.")
                               .arg(histId)
                               .arg(v.pesadaEm.toString(QStringLiteral("dd-MM-yyyy")),
                                    v.validaAte.toString(QStringLiteral("dd-MM-yyyy")));
    return v;
}

std::optional<Viatura> RegistoViaturas::ler(const QString& matricula) {
    const QString m = normalizar(matricula);
    if (m.isEmpty()) return std::nullopt;
    const RecordSet rs = m_db.consultar(
        QStringLiteral("SELECT %1 FROM kel_PES_Viaturas WHERE UPPER(Matricula) = ?").arg(QLatin1String(kColunas)), {m});
    if (rs.isEmpty()) return std::nullopt;
    return deLinha(rs, 0);
}

QList<Viatura> RegistoViaturas::todas() {
    const RecordSet rs = m_db.consultar(
        QStringLiteral("SELECT %1 FROM kel_PES_Viaturas ORDER BY Matricula").arg(QLatin1String(kColunas)));
    QList<Viatura> out;
    for (int r = 0; r < rs.count(); ++r) out << deLinha(rs, r);
    return out;
}

void RegistoViaturas::gravar(const Viatura& v) {
    const QString m = normalizar(v.matricula);
    if (m.isEmpty() || m.size() > 10)
        throw RegraRecusada(QStringLiteral("A matrícula \"%1\" não é válida.").arg(v.matricula));
    // Whoever stores it is named: this workstation and login unless the caller says.
    const QString posto = v.posto.isEmpty() ? QSysInfo::machineHostName() : v.posto;
    const QString utilizador =
        v.utilizador.isEmpty() ? qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME")) : v.utilizador;
    // Replaced as a whole: two workstations storing the same truck end with one row,
    // the last one's.
    m_db.comRepeticao(
        [&] {
            m_db.executar(QStringLiteral("DELETE FROM kel_PES_Viaturas WHERE UPPER(Matricula) = ?"), {m});
            m_db.executar(
                QStringLiteral("INSERT INTO kel_PES_Viaturas (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                    .arg(QLatin1String(kColunas)),
                {m, texto(v.terceiro), texto(v.artigo), texto(v.motorista), v.tara.toVariant(), v.pesadaEm,
                 QDateTime(v.validaAte, QTime(0, 0)), texto(posto.left(64)), texto(utilizador.left(64)), v.origem(),
                 nuloSeZero(v.manual ? 0 : v.alibiId, QMetaType::LongLong), nuloSeZero(v.histId, QMetaType::Int)});
        },
        BaseDados::Repetir::TambemChaveDuplicada);
}

bool RegistoViaturas::apagar(const QString& matricula) {
    return m_db.executar(QStringLiteral("DELETE FROM kel_PES_Viaturas WHERE UPPER(Matricula) = ?"),
                         {normalizar(matricula)}) > 0;
}

void RegistoViaturas::marcar(qint32 histId, const Viatura& v) {
    desmarcar(histId);
    m_db.executar(QStringLiteral("INSERT INTO kel_PES_Historico_TaraRegistada (Hist_Id, Matricula, Tara, PesadaEm, "
                                 "Origem, Alibi_Id) VALUES (?, ?, ?, ?, ?, ?)"),
                  {histId, normalizar(v.matricula), v.tara.toVariant(), v.pesadaEm, v.origem(),
                   nuloSeZero(v.manual ? 0 : v.alibiId, QMetaType::LongLong)});
}

void RegistoViaturas::desmarcar(qint32 histId) {
    m_db.executar(QStringLiteral("DELETE FROM kel_PES_Historico_TaraRegistada WHERE Hist_Id = ?"), {histId});
}

std::optional<TaraUsada> RegistoViaturas::taraUsada(qint32 histId) {
    const RecordSet rs =
        m_db.consultar(QStringLiteral("SELECT Hist_Id, Matricula, Tara, PesadaEm, Origem, Alibi_Id FROM "
                                      "kel_PES_Historico_TaraRegistada WHERE Hist_Id = ?"),
                       {histId});
    if (rs.isEmpty()) return std::nullopt;
    TaraUsada t;
    t.histId = histId;
    t.matricula = rs.text(0, QStringLiteral("Matricula")).trimmed();
    t.tara = Money::fromVariant(rs.value(0, QStringLiteral("Tara")));
    t.pesadaEm = RecordSet::toDateTime(rs.value(0, QStringLiteral("PesadaEm")));
    t.manual = rs.text(0, QStringLiteral("Origem")).trimmed() != QStringLiteral("scale");
    t.alibiId = rs.value(0, QStringLiteral("Alibi_Id")).toLongLong();
    return t;
}
