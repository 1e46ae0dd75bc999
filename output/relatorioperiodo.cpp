#include "output/relatorioperiodo.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include "base/basedados.h"
#include "base/dialectodatas.h"
#include "output/renderizadortalao.h"

namespace {

QString pesoCsv(Money m) {
    return m.plain().replace(QLatin1Char('.'), QLatin1Char(','));
}

QString escapar(const QString& t) {
    return t.toHtmlEscaped();
}

}  // namespace

void RelatorioPeriodo::Linha::somar(const Linha& l) {
    pesagens += l.pesagens;
    bruto = bruto + l.bruto;
    tara = tara + l.tara;
    liquido = liquido + l.liquido;
    efectivo = efectivo + l.efectivo;
    vasilhame = vasilhame + l.vasilhame;
    qualidade = qualidade + l.qualidade;
}

std::optional<RelatorioPeriodo::Agrupamento> RelatorioPeriodo::agrupamentoDeNome(const QString& nome) {
    if (nome == QStringLiteral("day")) return Agrupamento::Dia;
    if (nome == QStringLiteral("party")) return Agrupamento::Terceiro;
    if (nome == QStringLiteral("article")) return Agrupamento::Artigo;
    if (nome == QStringLiteral("truck")) return Agrupamento::Matricula;
    return std::nullopt;
}

std::optional<RelatorioPeriodo::Banca> RelatorioPeriodo::bancaDeNome(const QString& nome) {
    if (nome == QStringLiteral("saidas")) return Banca::Saidas;
    if (nome == QStringLiteral("entradas")) return Banca::Entradas;
    if (nome == QStringLiteral("both")) return Banca::Ambas;
    return std::nullopt;
}

QString RelatorioPeriodo::nomeAgrupamento(Agrupamento a) {
    switch (a) {
        case Agrupamento::Dia:
            return QStringLiteral("day");
        case Agrupamento::Terceiro:
            return QStringLiteral("party");
        case Agrupamento::Artigo:
            return QStringLiteral("article");
        case Agrupamento::Matricula:
            return QStringLiteral("truck");
    }
    return {};
}

QString RelatorioPeriodo::tituloAgrupamento(Agrupamento a) {
    switch (a) {
        case Agrupamento::Dia:
            return QStringLiteral("Dia");
        case Agrupamento::Terceiro:
            return QStringLiteral("Terceiro");
        case Agrupamento::Artigo:
            return QStringLiteral("Artigo");
        case Agrupamento::Matricula:
            return QStringLiteral("Matrícula");
    }
    return {};
}

QString RelatorioPeriodo::tituloBanca(Banca b) {
    switch (b) {
        case Banca::Saidas:
            return QStringLiteral("Saídas (cargas a clientes)");
        case Banca::Entradas:
            return QStringLiteral("Entradas (descargas de fornecedores)");
        case Banca::Ambas:
            return QStringLiteral("Saídas e entradas");
    }
    return {};
}

bool RelatorioPeriodo::calcular(BaseDados& db, QDate inicio, QDate fim, Agrupamento por, Banca banca, QString& erro) {
    erro.clear();
    if (!inicio.isValid() || !fim.isValid()) {
        erro = QStringLiteral("O período não tem datas válidas.");
        return false;
    }
    if (fim < inicio) {
        erro = QStringLiteral("O período termina (%1) antes de começar (%2).")
                   .arg(fim.toString(QStringLiteral("dd-MM-yyyy")), inicio.toString(QStringLiteral("dd-MM-yyyy")));
        return false;
    }
    QString chave;
    switch (por) {
        case Agrupamento::Dia:
            chave = sqlDiaDe(db.backend(), QStringLiteral("h.DataHoraPL"));
            break;
        case Agrupamento::Terceiro:
            chave = QStringLiteral("h.Terceiro");
            break;
        case Agrupamento::Artigo:
            chave = QStringLiteral("h.Artigo");
            break;
        case Agrupamento::Matricula:
            chave = QStringLiteral("h.Carro");
            break;
    }
    // Whole days: from the first day's midnight to the midnight after the last. After the
    // last day a date-time can hold there is no upper bound to give.
    QVariantList params{QDateTime(inicio, QTime(0, 0))};
    QString where = QStringLiteral("h.DataHoraPL IS NOT NULL AND h.DataHoraPL >= ?");
    const QDate depois = fim.addDays(1);
    if (depois.isValid() && depois.year() <= 9999) {
        where += QStringLiteral(" AND h.DataHoraPL < ?");
        params << QDateTime(depois, QTime(0, 0));
    }
    if (banca == Banca::Ambas) {
        where += QStringLiteral(" AND h.Tipo IN (?, ?)");
        params << QStringLiteral("S") << QStringLiteral("E");
    } else {
        where += QStringLiteral(" AND h.Tipo = ?");
        params << (banca == Banca::Saidas ? QStringLiteral("S") : QStringLiteral("E"));
    }
    QString fonte = QStringLiteral("kel_PES_Historico h");
    QString filtro = where;
    if (db.backend() == Backend::Sqlite) {
        // Read in exit-date order, each first-complement lookup lands anywhere in the
        // complement index; read in Hist_Id order, each follows the last one (about three
        // times faster over a year). The period's Hist_Id range comes from the exit-date
        // index, and '+' keeps sqlite from walking that index for the rows themselves.
        QString semIndice = where;
        semIndice.replace(QStringLiteral("h.DataHoraPL"), QStringLiteral("+h.DataHoraPL"));
        fonte = QStringLiteral(
                    "(SELECT MIN(h.Hist_Id) AS Lo, MAX(h.Hist_Id) AS Hi FROM kel_PES_Historico h "
                    "WHERE %1) p, kel_PES_Historico h")
                    .arg(where);
        filtro = QStringLiteral("h.Hist_Id BETWEEN p.Lo AND p.Hi AND ") + semIndice;
        params += QVariantList(params);
    }
    const bool porTerceiro = por == Agrupamento::Terceiro;
    // The deductions of the weighing's first complement row, as its ticket shows them.
    const QString interna =
        QStringLiteral(
            "SELECT %1 AS Grupo, %2 COUNT(*) AS N, %3 AS Bruto, %4 AS Tara, %5 AS Liquido, "
            "%6 AS Efectivo, %7 AS Vasilhame, %8 AS Qualidade "
            "FROM %11 LEFT JOIN kel_PES_Historico_Comp c ON c.HistCmp_Id = "
            "(SELECT MIN(c2.HistCmp_Id) FROM kel_PES_Historico_Comp c2 WHERE c2.Cab_Id = h.Hist_Id) "
            "WHERE %9 GROUP BY %1%10")
            .arg(chave, porTerceiro ? QStringLiteral("h.Tipo AS Tipo,") : QString(),
                 sqlSomaExacta(QStringLiteral("h.PesoBruto")), sqlSomaExacta(QStringLiteral("h.PesoTara")),
                 sqlSomaExacta(QStringLiteral("h.PesoLiquido")), sqlSomaExacta(QStringLiteral("h.PesoEfectivo")),
                 sqlSomaExacta(QStringLiteral("c.Vasilhame")), sqlSomaExacta(QStringLiteral("c.Qualidade")), filtro,
                 porTerceiro ? QStringLiteral(", h.Tipo") : QString(), fonte);
    QString sql;
    if (porTerceiro)
        sql = QStringLiteral(
                  "SELECT g.*, COALESCE(cl.NOME, fo.NOME) AS Nome FROM (%1) g "
                  "LEFT JOIN Clientes cl ON g.Tipo = 'S' AND cl.CODIGO = g.Grupo "
                  "LEFT JOIN Fornec fo ON g.Tipo = 'E' AND fo.CODIGO = g.Grupo ORDER BY g.Grupo, g.Tipo")
                  .arg(interna);
    else if (por == Agrupamento::Artigo)
        sql = QStringLiteral(
                  "SELECT g.*, a.NOME AS Nome FROM (%1) g LEFT JOIN Artigos a ON a.CODIGO = g.Grupo "
                  "ORDER BY g.Grupo")
                  .arg(interna);
    else
        sql = QStringLiteral("SELECT g.*, NULL AS Nome FROM (%1) g ORDER BY g.Grupo").arg(interna);

    const RecordSet rs = db.consultar(sql, params);
    auto unidades = [&](int r, const char* col) {
        return Money::fromUnits(rs.value(r, QString::fromLatin1(col)).toLongLong());
    };
    QList<Linha> linhas;
    Linha total;
    for (int r = 0; r < rs.count(); ++r) {
        Linha l;
        l.grupo = rs.text(r, QStringLiteral("Grupo")).trimmed();
        l.descricao = rs.text(r, QStringLiteral("Nome")).trimmed();
        if (porTerceiro) l.tipo = rs.text(r, QStringLiteral("Tipo")).trimmed().toUpper();
        l.pesagens = rs.value(r, QStringLiteral("N")).toLongLong();
        l.bruto = unidades(r, "Bruto");
        l.tara = unidades(r, "Tara");
        l.liquido = unidades(r, "Liquido");
        l.efectivo = unidades(r, "Efectivo");
        l.vasilhame = unidades(r, "Vasilhame");
        l.qualidade = unidades(r, "Qualidade");
        total.somar(l);
        linhas << l;
    }
    m_inicio = inicio;
    m_fim = fim;
    m_por = por;
    m_banca = banca;
    m_linhas = linhas;
    m_total = total;
    return true;
}

QString RelatorioPeriodo::campoCsv(const QString& texto) {
    QString t = texto;
    // A cell a spreadsheet would take for a formula is kept as text.
    if (!t.isEmpty() && QStringLiteral("=+-@").contains(t.front())) t.prepend(QLatin1Char('\''));
    if (t.contains(QLatin1Char(';')) || t.contains(QLatin1Char('"')) || t.contains(QLatin1Char('\n')) ||
        t.contains(QLatin1Char('\r'))) {
        t.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        t = QLatin1Char('"') + t + QLatin1Char('"');
    }
    return t;
}

QByteArray RelatorioPeriodo::csv() const {
    QStringList linhas;
    linhas << QStringLiteral(
                  "%1;Descrição;Pesagens;Bruto (kg);Tara (kg);Líquido (kg);Efectivo (kg);"
                  "Vasilhame (kg);Qualidade (kg);Descontos (kg)")
                  .arg(tituloAgrupamento(m_por));
    auto linha = [](const QString& grupo, const QString& descricao, const Linha& l) {
        return QStringList{campoCsv(grupo),       campoCsv(descricao),  QString::number(l.pesagens),
                           pesoCsv(l.bruto),      pesoCsv(l.tara),      pesoCsv(l.liquido),
                           pesoCsv(l.efectivo),   pesoCsv(l.vasilhame), pesoCsv(l.qualidade),
                           pesoCsv(l.descontos())}
            .join(QLatin1Char(';'));
    };
    for (const Linha& l : m_linhas) linhas << linha(l.grupo, l.descricao, l);
    linhas << linha(QStringLiteral("Total"), QString(), m_total);
    return (linhas.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

QString RelatorioPeriodo::html() const {
    QString h =
        QStringLiteral(
            "<html><body style=\"font-family: 'DejaVu Sans'; font-size: 8pt;\">"
            "<p style=\"font-size: 13pt; font-weight: bold; margin-bottom: 2px;\">Mapa de pesagens por %1</p>"
            "<p style=\"margin-top: 0px;\">%2 · de %3 a %4 · pesagens concluídas (data de saída)</p>"
            "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\" border=\"1\" "
            "style=\"border-collapse: collapse; border-color: #9a9a9a;\">"
            "<tr style=\"background-color: #ececec;\"><th align=\"left\">%5</th><th align=\"left\">Descrição</th>"
            "<th align=\"right\">Pesagens</th><th align=\"right\">Bruto</th><th align=\"right\">Tara</th>"
            "<th align=\"right\">Líquido</th><th align=\"right\">Efectivo</th><th align=\"right\">Descontos</th></tr>")
            .arg(tituloAgrupamento(m_por).toLower(), escapar(tituloBanca(m_banca)),
                 m_inicio.toString(QStringLiteral("dd-MM-yyyy")), m_fim.toString(QStringLiteral("dd-MM-yyyy")),
                 tituloAgrupamento(m_por));
    auto linha = [](const QString& grupo, const QString& descricao, const Linha& l, bool negrito) {
        const QString b = negrito ? QStringLiteral("<b>") : QString();
        const QString bf = negrito ? QStringLiteral("</b>") : QString();
        QString t = QStringLiteral("<tr%1><td>%2%3%4</td><td>%5</td>")
                        .arg(negrito ? QStringLiteral(" style=\"background-color: #ececec;\"") : QString(), b,
                             escapar(grupo), bf, escapar(descricao));
        t += QStringLiteral("<td align=\"right\">%1%2%3</td>").arg(b, QString::number(l.pesagens), bf);
        for (Money m : {l.bruto, l.tara, l.liquido, l.efectivo, l.descontos()})
            t += QStringLiteral("<td align=\"right\">%1%2%3</td>").arg(b, m.format(), bf);
        return t + QStringLiteral("</tr>");
    };
    for (const Linha& l : m_linhas) {
        QString descricao = l.descricao;
        if (!l.tipo.isEmpty() && m_banca == Banca::Ambas)
            descricao =
                (l.tipo == QStringLiteral("E") ? QStringLiteral("Fornecedor · ") : QStringLiteral("Cliente · ")) +
                descricao;
        h += linha(l.grupo.isEmpty() ? QStringLiteral("(sem)") : l.grupo, descricao, l, false);
    }
    h += linha(QStringLiteral("Total"), QString(), m_total, true);
    h += QStringLiteral(
             "</table><p style=\"font-size: 7pt; color: #555555;\">Pesos em kg. Impresso em %1 · Balantrix</p>"
             "</body></html>")
             .arg(QDateTime::currentDateTime().toString(QStringLiteral("dd-MM-yyyy HH:mm")));
    return h;
}

void RelatorioPeriodo::pdf(QIODevice& destino) const {
    QPdfWriter writer(&destino);
    writer.setTitle(QStringLiteral("Mapa de pesagens"));
    writer.setCreator(QStringLiteral("Balantrix"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(12, 12, 12, 12),
                                     QPageLayout::Millimeter));
    RenderizadorTalao::pintarDocumento(writer, html());
}
