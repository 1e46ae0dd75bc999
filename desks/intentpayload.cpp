#include "desks/intentpayload.h"

#include <QJsonArray>

#include "base/basedados.h"
#include "erp/documentodesk.h"

void CabecalhoCarga::aplicar(BaseDados& db, const ChaveDocumento& k) const {
    const QVariant dtCarga = QDateTime(carga.date(), QTime(0, 0));
    const QVariant dtDescarga = QDateTime(descarga.date(), QTime(0, 0));
    db.executar(QStringLiteral("UPDATE DOCGCCAB SET LocalCG = ?, LocalDSG = ?, DtCarga = ?, DataDes = ?, Hora = ?, "
                               "HoraDes = ?, Matricul = ?, ONDEENTR = ? WHERE TpDoc = ? AND Ano = ? AND Serie = ? AND "
                               "NNumdoc = ?"),
                {localCarga, localDescarga, dtCarga, dtDescarga, DocumentoDesk::hora(carga),
                 DocumentoDesk::hora(descarga), matricula, ondeEntregar, k.tipo, k.ano, k.serie, k.numero});
}

QJsonObject CabecalhoCarga::toJson() const {
    return {{QStringLiteral("localCarga"), localCarga},
            {QStringLiteral("localDescarga"), localDescarga},
            {QStringLiteral("carga"), carga.toString(Qt::ISODate)},
            {QStringLiteral("descarga"), descarga.toString(Qt::ISODate)},
            {QStringLiteral("matricula"), matricula},
            {QStringLiteral("ondeEntregar"), ondeEntregar}};
}

CabecalhoCarga CabecalhoCarga::fromJson(const QJsonObject& o) {
    CabecalhoCarga c;
    c.localCarga = o.value(QStringLiteral("localCarga")).toString();
    c.localDescarga = o.value(QStringLiteral("localDescarga")).toString();
    c.carga = QDateTime::fromString(o.value(QStringLiteral("carga")).toString(), Qt::ISODate);
    c.descarga = QDateTime::fromString(o.value(QStringLiteral("descarga")).toString(), Qt::ISODate);
    c.matricula = o.value(QStringLiteral("matricula")).toString();
    c.ondeEntregar = o.value(QStringLiteral("ondeEntregar")).toString();
    return c;
}

namespace IntentPayload {

QJsonObject conclusao(const RegistoPesagem& registo, const CamposComplemento& c, const QString& carro,
                      const std::optional<CabecalhoCarga>& cabecalho) {
    QJsonObject o{{QStringLiteral("valores"), QJsonArray::fromStringList(registo.textos())},
                  {QStringLiteral("complemento"),
                   QJsonObject{{QStringLiteral("vasilhame"), RegistoHistorico::textoPeso(c.vasilhame)},
                               {QStringLiteral("qualidade"), RegistoHistorico::textoPeso(c.qualidade)},
                               {QStringLiteral("caracteristica"), c.caracteristica},
                               {QStringLiteral("entrada"), c.entrada}}},
                  {QStringLiteral("carro"), carro}};
    if (cabecalho) o.insert(QStringLiteral("cabecalho"), cabecalho->toJson());
    return o;
}

std::optional<RegistoPesagem> registo(const QJsonObject& dados, QString& erro) {
    QStringList textos;
    for (const QJsonValue& v : dados.value(QStringLiteral("valores")).toArray()) textos << v.toString();
    return RegistoPesagem::deTextos(textos, erro);
}

std::optional<CamposComplemento> complemento(const QJsonObject& dados, QString& erro) {
    const QJsonObject c = dados.value(QStringLiteral("complemento")).toObject();
    CamposComplemento r{
        {}, {}, c.value(QStringLiteral("caracteristica")).toInt(), c.value(QStringLiteral("entrada")).toBool()};
    // Notes of earlier versions carry a deduction left empty as empty text: no deduction.
    for (const auto& [nome, peso] : {std::pair{"vasilhame", &r.vasilhame}, std::pair{"qualidade", &r.qualidade}}) {
        const QString texto = c.value(QLatin1String(nome)).toString();
        const auto m = Money::parseOrZero(texto);
        if (!m) {
            erro = QStringLiteral("Valor inválido para %1 na nota: '%2'.").arg(QLatin1String(nome), texto);
            return std::nullopt;
        }
        *peso = *m;
    }
    return r;
}

QString carro(const QJsonObject& dados) {
    return dados.value(QStringLiteral("carro")).toString();
}

std::optional<CabecalhoCarga> cabecalho(const QJsonObject& dados) {
    if (!dados.contains(QStringLiteral("cabecalho"))) return std::nullopt;
    return CabecalhoCarga::fromJson(dados.value(QStringLiteral("cabecalho")).toObject());
}

QJsonObject documentoAntes(const DocumentoComercial& doc) {
    const CabDocumento& c = doc.Cab;
    QJsonObject cab{{QStringLiteral("Data"), c.Data},
                    {QStringLiteral("Sector"), c.Sector},
                    {QStringLiteral("Terceiro"), c.Terceiro},
                    {QStringLiteral("NumeroContribuinte"), c.NumeroContribuinte},
                    {QStringLiteral("Matricula"), c.Matricula},
                    {QStringLiteral("LocalCarga"), c.LocalCarga},
                    {QStringLiteral("LocalDescarga"), c.LocalDescarga},
                    {QStringLiteral("HoraCarga"), c.HoraCarga},
                    {QStringLiteral("HoraDescarga"), c.HoraDescarga},
                    {QStringLiteral("DataCarga"), c.DataCarga},
                    {QStringLiteral("DataDescarga"), c.DataDescarga},
                    {QStringLiteral("OndeEntregarDoc"), c.OndeEntregarDoc}};
    QJsonArray linhas;
    for (int i = 1; i <= doc.Linhas.Count(); ++i) {
        const LinhaDocumento& l = doc.Linhas.item(i);
        linhas.append(QJsonObject{{QStringLiteral("Artigo"), l.Artigo},
                                  {QStringLiteral("Descricao"), l.Descricao},
                                  {QStringLiteral("Quantidade"), l.Quantidade},
                                  {QStringLiteral("QuantidadeOrigem"), l.QuantidadeOrigem},
                                  {QStringLiteral("Armazem"), l.Armazem}});
    }
    return {{QStringLiteral("cabecalho"), cab}, {QStringLiteral("linhas"), linhas}};
}

void reporDocumento(const QJsonObject& dados, DocumentoComercial& doc) {
    const QJsonObject cab = dados.value(QStringLiteral("cabecalho")).toObject();
    CabDocumento& c = doc.Cab;
    auto t = [&cab](const char* k) { return cab.value(QString::fromLatin1(k)).toString(); };
    c.Data = t("Data");
    c.Sector = t("Sector");
    c.Terceiro = t("Terceiro");
    c.NumeroContribuinte = t("NumeroContribuinte");
    c.Matricula = t("Matricula");
    c.LocalCarga = t("LocalCarga");
    c.LocalDescarga = t("LocalDescarga");
    c.HoraCarga = t("HoraCarga");
    c.HoraDescarga = t("HoraDescarga");
    c.DataCarga = t("DataCarga");
    c.DataDescarga = t("DataDescarga");
    c.OndeEntregarDoc = t("OndeEntregarDoc");
    doc.Linhas.limpar();
    for (const QJsonValue& v : dados.value(QStringLiteral("linhas")).toArray()) {
        const QJsonObject l = v.toObject();
        doc.Linhas.adicionar(LinhaDocumento{
            l.value(QStringLiteral("Artigo")).toString(), l.value(QStringLiteral("Descricao")).toString(),
            l.value(QStringLiteral("Quantidade")).toString(), l.value(QStringLiteral("QuantidadeOrigem")).toString(),
            l.value(QStringLiteral("Armazem")).toString()});
    }
}

QString referencia(bool entrada, const QString& sigla, qint32 noTalao, const QString& campanha) {
    const QString n = QString::number(noTalao) + QLatin1Char('/') + campanha;
    return entrada ? n : sigla + QLatin1Char('/') + n;
}

}  // namespace IntentPayload
