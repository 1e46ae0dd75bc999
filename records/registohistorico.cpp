#include "records/registohistorico.h"

#include "base/basedados.h"
#include "base/errooperacao.h"
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

RegraRecusada invalido(const char* nome, const QString& texto) {
    return RegraRecusada(QStringLiteral("Valor inválido para %1: '%2'.").arg(QString::fromLatin1(nome), texto));
}

// SQL Server would refuse what does not fit its parameter; say so instead of cutting it.
QVariant texto(const Parametro& p, const QString& t) {
    if (p.tamanho > 0 && t.size() > p.tamanho)
        throw RegraRecusada(QStringLiteral("O valor de %1 excede %2 caracteres: '%3'.")
                                .arg(QString::fromLatin1(p.nome))
                                .arg(p.tamanho)
                                .arg(t));
    return notNull(t);
}

QVariant inteiro(const Parametro& p, qint64 n) {
    const qint64 limite = p.tipo == ProcParam::SmallInt ? 32767 : 2147483647;
    if (n > limite || n < -limite - 1) throw invalido(p.nome, QString::number(n));
    return n;
}

// The procedure has always been given whole seconds.
QVariant dataHora(const QDateTime& dt) {
    if (!dt.isValid()) return QVariant(QMetaType(QMetaType::QDateTime));
    const QTime t = dt.time();
    return QDateTime(dt.date(), QTime(t.hour(), t.minute(), t.second()));
}

QList<QVariant> valoresProcedimento(const RegistoPesagem& r) {
    const auto& k = kParametros;
    return {inteiro(k[Hist_Id], r.histId),
            texto(k[Tipo], r.tipo),
            texto(k[TpDoc], r.tpDoc),
            inteiro(k[Serie], r.serie),
            inteiro(k[NoDoc], r.noDoc),
            inteiro(k[Ano], r.ano),
            r.pesoBruto.toVariant(),
            r.pesoTara.toVariant(),
            r.pesoLiquido.toVariant(),
            r.pesoEfectivo.toVariant(),
            texto(k[Justificacao], r.justificacao),
            dataHora(r.dataHoraPB),
            dataHora(r.dataHoraPL),
            texto(k[Terceiro], r.terceiro),
            texto(k[Artigo], r.artigo),
            texto(k[CodMorada], r.codMorada),
            texto(k[Motorista], r.motorista),
            texto(k[Carro], r.carro),
            inteiro(k[TipoTerc], r.tipoTerc),
            inteiro(k[AnoTalao], r.anoTalao),
            inteiro(k[NoTalao], r.noTalao),
            texto(k[RefCliente], r.refCliente),
            texto(k[RefEntrega], r.refEntrega),
            texto(k[Sigla], r.sigla),
            texto(k[Campanha], r.campanha),
            texto(k[TipoMorada], r.tipoMorada)};
}

}  // namespace

QString RegistoHistorico::textoPeso(const Money& m) {
    return m.plain().replace(QLatin1Char('.'), QLatin1Char(','));
}

QStringList RegistoPesagem::textos() const {
    const auto n = [](qint64 v) { return QString::number(v); };
    const auto dh = [](const QDateTime& d) { return d.isValid() ? textoDataHora(d) : QString(); };
    return {n(histId),
            tipo,
            tpDoc,
            n(serie),
            n(noDoc),
            n(ano),
            textoPeso(pesoBruto),
            textoPeso(pesoTara),
            textoPeso(pesoLiquido),
            textoPeso(pesoEfectivo),
            justificacao,
            dh(dataHoraPB),
            dh(dataHoraPL),
            terceiro,
            artigo,
            codMorada,
            motorista,
            carro,
            n(tipoTerc),
            n(anoTalao),
            n(noTalao),
            refCliente,
            refEntrega,
            sigla,
            campanha,
            tipoMorada};
}

std::optional<RegistoPesagem> RegistoPesagem::deTextos(const QStringList& v, QString& erro) {
    if (v.size() != NumCampos) {
        erro =
            QStringLiteral("O registo de pesagem deve ter %1 valores (recebeu %2).").arg(int(NumCampos)).arg(v.size());
        return std::nullopt;
    }
    bool ok = true;
    const auto falha = [&](int i) {
        if (ok)
            erro = QStringLiteral("Valor inválido para %1: '%2'.").arg(QString::fromLatin1(kParametros[i].nome), v[i]);
        ok = false;
    };
    const auto n = [&](int i) {
        bool lido = false;
        const qint64 x = v[i].trimmed().toLongLong(&lido);
        const qint64 limite = kParametros[i].tipo == ProcParam::SmallInt ? 32767 : 2147483647;
        if (!lido || x > limite || x < -limite - 1) falha(i);
        return qint32(lido ? x : 0);
    };
    const auto peso = [&](int i) {
        const auto m = Money::parse(v[i]);
        if (!m) falha(i);
        return m.value_or(Money());
    };
    // A note's date-times are the desk's own; an empty one is a NULL column.
    const auto dh = [&](int i) {
        if (v[i].trimmed().isEmpty()) return QDateTime();
        const auto d = lerDataHora(v[i]);
        if (!d) falha(i);
        return d.value_or(QDateTime());
    };
    RegistoPesagem r;
    r.histId = n(Hist_Id);
    r.tipo = v[Tipo];
    r.tpDoc = v[TpDoc];
    r.serie = n(Serie);
    r.noDoc = n(NoDoc);
    r.ano = n(Ano);
    r.pesoBruto = peso(PesoBruto);
    r.pesoTara = peso(PesoTara);
    r.pesoLiquido = peso(PesoLiquido);
    r.pesoEfectivo = peso(PesoEfectivo);
    r.justificacao = v[Justificacao];
    r.dataHoraPB = dh(DataHoraPB);
    r.dataHoraPL = dh(DataHoraPL);
    r.terceiro = v[Terceiro];
    r.artigo = v[Artigo];
    r.codMorada = v[CodMorada];
    r.motorista = v[Motorista];
    r.carro = v[Carro];
    r.tipoTerc = n(TipoTerc);
    r.anoTalao = n(AnoTalao);
    r.noTalao = n(NoTalao);
    r.refCliente = v[RefCliente];
    r.refEntrega = v[RefEntrega];
    r.sigla = v[Sigla];
    r.campanha = v[Campanha];
    r.tipoMorada = v[TipoMorada];
    if (!ok) return std::nullopt;
    return r;
}

bool GravarRegistoHistorico(BaseDados& db, const RegistoPesagem& registo, qint32& idRegisto) {
    const QList<QVariant> valores = valoresProcedimento(registo);
    QList<ProcParam> params;
    for (int i = 0; i < NumCampos; ++i) {
        const Parametro& p = kParametros[i];
        params << ProcParam{QString::fromLatin1(p.nome), valores[i], p.tipo, p.tamanho};
    }
    const ProcResult r = db.procedimento(QStringLiteral("sp_kel_Gravar_PES_Historico"), params);
    idRegisto = qint32(r.returnValue);
    return true;
}

qint32 GravarComplementoHistorico(BaseDados& db, qint32 noIdHist, qint32 noIdComp, const CamposComplemento& campos) {
    const Money qualidade = campos.entrada ? campos.qualidade : Money();
    const int caracteristica = campos.entrada ? campos.caracteristica : 0;
    Transaccao t(db, true);
    const RecordSet rs =
        db.consultar(QStringLiteral("Select * from kel_PES_Historico_Comp where HistCmp_Id=?"), {noIdComp});
    qint32 id = noIdComp;
    if (rs.isEmpty()) {
        db.executar(QStringLiteral("INSERT INTO kel_PES_Historico_Comp (Cab_Id, Vasilhame, Qualidade, Caracteristica) "
                                   "VALUES (?, ?, ?, ?)"),
                    {noIdHist, campos.vasilhame.toVariant(), qualidade.toVariant(), caracteristica});
        id = qint32(db.ultimoId());
    } else {
        db.executar(QStringLiteral("UPDATE kel_PES_Historico_Comp SET Cab_Id=?, Vasilhame=?, Qualidade=?, "
                                   "Caracteristica=? WHERE HistCmp_Id=?"),
                    {noIdHist, campos.vasilhame.toVariant(), qualidade.toVariant(), caracteristica, noIdComp});
    }
    t.commit();
    return id;
}

bool ActualizaHistorico(BaseDados& db, qint32 idRegisto, const QString& justificacao, const Money& pesoEfectivo,
                        const CamposComplemento& campos) {
    if (justificacao.size() > 2000) throw RegraRecusada(QStringLiteral("A justificação excede 2000 caracteres."));
    const Money qualidade = campos.entrada ? campos.qualidade : Money();

    Transaccao t(db, true);
    if (db.consultar(QStringLiteral("Select * from kel_PES_Historico where Hist_Id=?"), {idRegisto}).isEmpty())
        return false;
    db.executar(QStringLiteral("UPDATE kel_PES_Historico SET Justificacao=?, PesoEfectivo=? WHERE Hist_Id=?"),
                {notNull(justificacao), pesoEfectivo.toVariant(), idRegisto});
    const RecordSet comp = db.consultar(
        QStringLiteral("Select * from kel_PES_Historico_Comp where Cab_Id=? ORDER BY HistCmp_Id"), {idRegisto});
    if (!comp.isEmpty()) {
        db.executar(QStringLiteral("UPDATE kel_PES_Historico_Comp SET Vasilhame=?, Qualidade=?, Caracteristica=? "
                                   "WHERE HistCmp_Id=?"),
                    {campos.vasilhame.toVariant(), qualidade.toVariant(), campos.entrada ? campos.caracteristica : 0,
                     comp.value(0, QStringLiteral("HistCmp_Id"))});
    }
    t.commit();
    return true;
}

void RegistarCarro(BaseDados& db, const QString& matricula) {
    if (matricula.trimmed().isEmpty()) return;
    if (matricula.size() > 10)
        throw RegraRecusada(QStringLiteral("A matrícula excede 10 caracteres: '%1'.").arg(matricula));
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

NovaPesagem GravarNovaPesagem(BaseDados& db, RegistoPesagem registo, const QDate& dataPesagem, ChaveTalao chave) {
    if (!dataPesagem.isValid()) throw RegraRecusada(QStringLiteral("A data da pesagem não é válida."));
    NovaPesagem out;
    out.campanha = CampanhaDaData(dataPesagem);
    out.anoTalao = dataPesagem.year();
    chave.campanha = out.campanha;
    registo.histId = 0;
    registo.anoTalao = out.anoTalao;
    registo.campanha = out.campanha;

    Transaccao t(db, true);
    out.talao = ProximoTalao(db, chave);
    registo.noTalao = out.talao.numero;
    registo.sigla = chave.tipo == 2 ? out.talao.sigla : QString();
    qint32 id = 0;
    GravarRegistoHistorico(db, registo, id);
    RegistarCarro(db, registo.carro);
    t.commit();
    out.idRegisto = id;
    return out;
}
