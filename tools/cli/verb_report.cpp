// report: a period's finished weighings grouped by day, party, article or truck.
#include <functional>

#include "base/basedados.h"
#include "output/ficheiroatomico.h"
#include "output/relatorioperiodo.h"
#include "tools/cli/cli.h"

namespace {

const char* kUso =
    "balantrix-cli report --from DD-MM-YYYY --to DD-MM-YYYY --by day|party|article|truck "
    "[--desk saidas|entradas|both] [--csv FICHEIRO] [--pdf FICHEIRO]";

// Written whole or not at all, never through a link standing at the name.
bool gravar(Cli& cli, const QString& path, const std::function<void(QIODevice&)>& escrever) {
    FicheiroAtomico f(path);
    if (!f.abrir()) {
        cli.err << f.erro() << '\n';
        return false;
    }
    escrever(f.dispositivo());
    if (!f.confirmar()) {
        cli.err << f.erro() << '\n';
        return false;
    }
    return true;
}

}  // namespace

int verbReport(Cli& cli) {
    bool m1 = false, m2 = false, m3 = false, m4 = false, m5 = false, m6 = false;
    const QString de = cli.take(QStringLiteral("--from"), nullptr, &m1);
    const QString ate = cli.take(QStringLiteral("--to"), nullptr, &m2);
    const QString por = cli.take(QStringLiteral("--by"), nullptr, &m3);
    bool temBanca = false;
    const QString banca = cli.take(QStringLiteral("--desk"), &temBanca, &m4);
    const QString csv = cli.take(QStringLiteral("--csv"), nullptr, &m5);
    const QString pdf = cli.take(QStringLiteral("--pdf"), nullptr, &m6);
    if (m1 || m2 || m3 || m4 || m5 || m6 || !cli.args.isEmpty()) return cli.usage(QString::fromUtf8(kUso));
    const QDate inicio = QDate::fromString(de, QStringLiteral("dd-MM-yyyy"));
    const QDate fim = QDate::fromString(ate, QStringLiteral("dd-MM-yyyy"));
    const auto agrupamento = RelatorioPeriodo::agrupamentoDeNome(por);
    const auto qual = temBanca ? RelatorioPeriodo::bancaDeNome(banca) : RelatorioPeriodo::Banca::Ambas;
    if (!inicio.isValid() || !fim.isValid() || !agrupamento || !qual) return cli.usage(QString::fromUtf8(kUso));
    if (fim < inicio) {
        cli.err << "O período termina (" << ate << ") antes de começar (" << de << ").\n";
        return Cli::Usage;
    }
    BaseDados db;
    if (!abrirBaseDados(cli, db)) return Cli::Failed;
    RelatorioPeriodo r;
    try {
        QString erro;
        if (!r.calcular(db, inicio, fim, *agrupamento, *qual, erro)) {
            cli.err << erro << '\n';
            return Cli::Usage;
        }
    } catch (const DbError& e) {
        cli.err << e.texto() << '\n';
        return Cli::Failed;
    }
    auto linha = [&](const RelatorioPeriodo::Linha& l) {
        return QStringLiteral("weighings=%1 gross=%2 tare=%3 net=%4 effective=%5 deductions=%6")
            .arg(QString::number(l.pesagens), l.bruto.plain(), l.tara.plain(), l.liquido.plain(), l.efectivo.plain(),
                 l.descontos().plain());
    };
    for (const auto& l : r.linhas()) {
        cli.out << "group="
                << (l.grupo.isEmpty() ? QStringLiteral("-")
                                      : QString(l.grupo).replace(QLatin1Char(' '), QLatin1Char('_')));
        if (!l.tipo.isEmpty()) cli.out << " desk=" << (l.tipo == QStringLiteral("E") ? "entradas" : "saidas");
        cli.out << ' ' << linha(l) << '\n';
    }
    cli.out << "total " << linha(r.total()) << '\n';
    cli.out.flush();
    if (!csv.isEmpty() && !gravar(cli, csv, [&](QIODevice& d) { d.write(r.csv()); })) return Cli::Failed;
    if (!pdf.isEmpty() && !gravar(cli, pdf, [&](QIODevice& d) { r.pdf(d); })) return Cli::Failed;
    if (!csv.isEmpty()) cli.result(QStringLiteral("csv"), csv);
    if (!pdf.isEmpty()) cli.result(QStringLiteral("pdf"), pdf);
    return Cli::Ok;
}
