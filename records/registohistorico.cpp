#include "records/registohistorico.h"

#include "base/basedados.h"
#include "base/money.h"

namespace RegistoHistorico {

std::optional<QDateTime> lerDataHora(const QString& texto) {
    const QString t = texto.trimmed();
    if (t.isEmpty()) return std::nullopt;
    static const char* const kFormats[] = {"dd-MM-yyyy HH:mm:ss", "dd-MM-yyyy HH:mm",    "dd-MM-yyyy",
                                           "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm",
                                           "yyyy-MM-dd"};
    for (const char* f : kFormats) {
        const QString format = QString::fromLatin1(f);
        QDateTime dt = QDateTime::fromString(t, format);
        if (!dt.isValid()) {
            const QDate d = QDate::fromString(t, format);
            if (d.isValid()) dt = QDateTime(d, QTime(0, 0));
        }
        if (dt.isValid()) return dt;
    }
    return std::nullopt;
}

QString textoDataHora(const QDateTime& dt) {
    return dt.toString(QStringLiteral("dd-MM-yyyy HH:mm:ss"));
}

}  // namespace RegistoHistorico

namespace {

using namespace RegistoHistorico;

struct Parametro {
    const char* nome;
    ProcParam::Type tipo;
    int tamanho;
};

// sp_kel_Gravar_PES_Historico, parameters in declaration order.
const Parametro kParametros[NumCampos] = {
    {"Hist_Id", ProcParam::Int, 0},
    {"Tipo", ProcParam::Text, 1},
    {"Tpdoc", ProcParam::Text, 3},
    {"Serie", ProcParam::SmallInt, 0},
    {"NoDoc", ProcParam::Int, 0},
    {"Ano", ProcParam::SmallInt, 0},
    {"PesoBruto", ProcParam::Money, 0},
    {"PesoTara", ProcParam::Money, 0},
    {"PesoLiquido", ProcParam::Money, 0},
    {"PesoEfectivo", ProcParam::Money, 0},
    {"Justificacao", ProcParam::Text, 2000},
    {"DataHoraPB", ProcParam::DateTime, 0},
    {"DataHoraPL", ProcParam::DateTime, 0},
    {"Terceiro", ProcParam::Text, 15},
    {"Artigo", ProcParam::Text, 15},
    {"CodMorada", ProcParam::Text, 3},
    {"Motorista", ProcParam::Text, 5},
    {"Carro", ProcParam::Text, 10},
    {"TipoTerc", ProcParam::SmallInt, 0},
    {"AnoTalao", ProcParam::SmallInt, 0},
    {"NoTalao", ProcParam::Int, 0},
    {"RefCliente", ProcParam::Text, 20},
    {"RefEntrega", ProcParam::Text, 20},
    {"Sigla", ProcParam::Text, 5},
    {"Campanha", ProcParam::Text, 10},
    {"TipoMorada", ProcParam::Text, 3},
};

QString notNull(const QString& s) {
    return s.isNull() ? QStringLiteral("") : s;
}

DbError invalido(const Parametro& p, const QString& texto) {
    return DbError(-1, QStringLiteral("Valor inválido para %1: '%2'.").arg(QString::fromLatin1(p.nome), texto));
}

Money dinheiro(const QString& texto, const char* campo) {
    const auto m = Money::parseOrZero(texto);
    if (!m) throw DbError(-1, QStringLiteral("Valor inválido para %1: '%2'.").arg(QString::fromLatin1(campo), texto));
    return *m;
}

QVariant converter(const Parametro& p, const QString& texto) {
    switch (p.tipo) {
        case ProcParam::Money: {
            const auto m = Money::parseOrZero(texto);
            if (!m) throw invalido(p, texto);
            return m->toVariant();
        }
        case ProcParam::DateTime: {
            if (texto.trimmed().isEmpty()) return QVariant(QMetaType(QMetaType::QDateTime));
            const auto dt = lerDataHora(texto);
            if (!dt) throw invalido(p, texto);
            return *dt;
        }
        case ProcParam::SmallInt:
        case ProcParam::Int: {
            const QString t = texto.trimmed();
            if (t.isEmpty()) return 0;
            bool ok = false;
            const qint64 n = t.toLongLong(&ok);
            const qint64 limit = p.tipo == ProcParam::SmallInt ? 32767 : 2147483647;
            if (!ok || n > limit || n < -limit - 1) throw invalido(p, texto);
            return n;
        }
        default:
            // SQL Server would refuse a text longer than its parameter; say so instead of cutting it.
            if (p.tamanho > 0 && texto.size() > p.tamanho)
                throw DbError(-1, QStringLiteral("O valor de %1 excede %2 caracteres: '%3'.")
                                      .arg(QString::fromLatin1(p.nome))
                                      .arg(p.tamanho)
                                      .arg(texto));
            return notNull(texto);
    }
}

}  // namespace

bool GravarRegistoHistorico(BaseDados& db, const QStringList& valores, qint32& idRegisto) {
    if (valores.size() != NumCampos)
        throw DbError(-1, QStringLiteral("O registo de pesagem deve ter %1 valores (recebeu %2).")
                              .arg(int(NumCampos))
                              .arg(valores.size()));
    QList<ProcParam> params;
    for (int i = 0; i < NumCampos; ++i) {
        const Parametro& p = kParametros[i];
        params << ProcParam{QString::fromLatin1(p.nome), converter(p, valores[i]), p.tipo, p.tamanho};
    }
    const ProcResult r = db.procedimento(QStringLiteral("sp_kel_Gravar_PES_Historico"), params);
    idRegisto = qint32(r.returnValue);
    return true;
}

qint32 GravarComplementoHistorico(BaseDados& db, qint32 noIdHist, qint32 noIdComp, const CamposComplemento& campos) {
    const Money vasilhame = dinheiro(campos.vasilhame, "Vasilhame");
    const Money qualidade = campos.entrada ? dinheiro(campos.qualidade, "Qualidade") : Money();
    const int caracteristica = campos.entrada ? campos.caracteristica : 0;
    Transaccao t(db, true);
    const RecordSet rs =
        db.consultar(QStringLiteral("Select * from kel_PES_Historico_Comp where HistCmp_Id=?"), {noIdComp});
    qint32 id = noIdComp;
    if (rs.isEmpty()) {
        db.executar(QStringLiteral("INSERT INTO kel_PES_Historico_Comp (Cab_Id, Vasilhame, Qualidade, Caracteristica) "
                                   "VALUES (?, ?, ?, ?)"),
                    {noIdHist, vasilhame.toVariant(), qualidade.toVariant(), caracteristica});
        id = qint32(db.ultimoId());
    } else {
        db.executar(QStringLiteral("UPDATE kel_PES_Historico_Comp SET Cab_Id=?, Vasilhame=?, Qualidade=?, "
                                   "Caracteristica=? WHERE HistCmp_Id=?"),
                    {noIdHist, vasilhame.toVariant(), qualidade.toVariant(), caracteristica, noIdComp});
    }
    t.commit();
    return id;
}

bool ActualizaHistorico(BaseDados& db, qint32 idRegisto, const QString& justificacao, const QString& pesoEfectivo,
                        CamposComplemento& campos) {
    const Money efectivo = dinheiro(pesoEfectivo, "PesoEfectivo");
    if (justificacao.size() > 2000) throw DbError(-1, QStringLiteral("A justificação excede 2000 caracteres."));
    // Read everything before writing anything, so a bad deduction text changes nothing.
    CamposComplemento novo = campos;
    if (novo.vasilhame.trimmed().isEmpty()) novo.vasilhame = QStringLiteral("0");
    if (novo.entrada && novo.qualidade.trimmed().isEmpty()) novo.qualidade = QStringLiteral("0");
    const Money vasilhame = dinheiro(novo.vasilhame, "Vasilhame");
    const Money qualidade = novo.entrada ? dinheiro(novo.qualidade, "Qualidade") : Money();

    Transaccao t(db, true);
    if (db.consultar(QStringLiteral("Select * from kel_PES_Historico where Hist_Id=?"), {idRegisto}).isEmpty())
        return false;
    db.executar(QStringLiteral("UPDATE kel_PES_Historico SET Justificacao=?, PesoEfectivo=? WHERE Hist_Id=?"),
                {notNull(justificacao), efectivo.toVariant(), idRegisto});
    const RecordSet comp = db.consultar(
        QStringLiteral("Select * from kel_PES_Historico_Comp where Cab_Id=? ORDER BY HistCmp_Id"), {idRegisto});
    if (!comp.isEmpty()) {
        db.executar(QStringLiteral("UPDATE kel_PES_Historico_Comp SET Vasilhame=?, Qualidade=?, Caracteristica=? "
                                   "WHERE HistCmp_Id=?"),
                    {vasilhame.toVariant(), qualidade.toVariant(), novo.entrada ? novo.caracteristica : 0,
                     comp.value(0, QStringLiteral("HistCmp_Id"))});
        campos = novo;
    }
    t.commit();
    return true;
}

void RegistarCarro(BaseDados& db, const QString& matricula) {
    if (matricula.trimmed().isEmpty()) return;
    if (matricula.size() > 10)
        throw DbError(-1, QStringLiteral("A matrícula excede 10 caracteres: '%1'.").arg(matricula));
    // The same lorry registered at two workstations at once: the second finds it on its
    // second try.
    db.comRepeticao(
        [&] {
            if (db.consultar(QStringLiteral("select * from kel_PES_Carros where Codigo=?"), {matricula}).isEmpty())
                db.executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo, Nome) VALUES (?, '')"), {matricula});
        },
        BaseDados::Repetir::TambemChaveDuplicada);
}

RecordSet LerHistorico(BaseDados& db, qint32 idRegisto) {
    return db.consultar(QStringLiteral("Select * from kel_PES_Historico where Hist_Id=?"), {idRegisto});
}

RecordSet LerComplementosHistorico(BaseDados& db, qint32 idRegisto) {
    return db.consultar(QStringLiteral("Select * from kel_PES_Historico_Comp where Cab_Id=?"), {idRegisto});
}

void ApagarHistorico(BaseDados& db, qint32 idRegisto) {
    Transaccao t(db, true);
    db.executar(QStringLiteral("Delete from kel_PES_Historico_Comp where Cab_Id=?"), {idRegisto});
    db.executar(QStringLiteral("Delete from kel_PES_Historico where Hist_Id=?"), {idRegisto});
    t.commit();
}

NovaPesagem GravarNovaPesagem(BaseDados& db, QStringList valores, const QDate& dataPesagem, ChaveTalao chave) {
    if (valores.size() != NumCampos)
        throw DbError(-1, QStringLiteral("O registo de pesagem deve ter %1 valores.").arg(int(NumCampos)));
    if (!dataPesagem.isValid()) throw DbError(-1, QStringLiteral("A data da pesagem não é válida."));
    NovaPesagem out;
    out.campanha = CampanhaDaData(dataPesagem);
    out.anoTalao = dataPesagem.year();
    chave.campanha = out.campanha;

    Transaccao t(db, true);
    out.talao = ProximoTalao(db, chave);
    valores[Hist_Id] = QStringLiteral("0");
    valores[NoTalao] = QString::number(out.talao.numero);
    valores[Sigla] = chave.tipo == 2 ? out.talao.sigla : QString();
    valores[AnoTalao] = QString::number(out.anoTalao);
    valores[Campanha] = out.campanha;
    qint32 id = 0;
    GravarRegistoHistorico(db, valores, id);
    RegistarCarro(db, valores[Carro]);
    t.commit();
    out.idRegisto = id;
    return out;
}
