#include "output/ui/janelarelatorio.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <functional>

#include "base/basedados.h"
#include "base/dberror.h"
#include "base/operatormessages.h"
#include "output/ficheiroatomico.h"
#include "output/renderizadortalao.h"

namespace {

QPushButton* botao(QWidget* pai, const QString& nome, const QString& texto) {
    auto* b = new QPushButton(texto, pai);
    b->setObjectName(nome);
    return b;
}

}  // namespace

JanelaRelatorio::JanelaRelatorio(BaseDados& db, OperatorMessages& mensagens, QWidget* parent)
    : QWidget(parent), m_db(db), m_mensagens(mensagens) {
    setObjectName(QStringLiteral("frmRelatorio"));
    setWindowTitle(QStringLiteral("Pesagens por período"));
    const QDate hoje = QDate::currentDate();
    m_inicio = new QDateEdit(QDate(hoje.year(), hoje.month(), 1), this);
    m_inicio->setObjectName(QStringLiteral("dtInicio"));
    m_fim = new QDateEdit(hoje, this);
    m_fim->setObjectName(QStringLiteral("dtFim"));
    for (QDateEdit* d : {m_inicio, m_fim}) {
        d->setDisplayFormat(QStringLiteral("dd-MM-yyyy"));
        d->setCalendarPopup(true);
    }
    m_banca = new QComboBox(this);
    m_banca->setObjectName(QStringLiteral("cbBanca"));
    m_banca->addItem(QStringLiteral("Saídas e entradas"), int(RelatorioPeriodo::Banca::Ambas));
    m_banca->addItem(QStringLiteral("Saídas"), int(RelatorioPeriodo::Banca::Saidas));
    m_banca->addItem(QStringLiteral("Entradas"), int(RelatorioPeriodo::Banca::Entradas));
    m_por = new QComboBox(this);
    m_por->setObjectName(QStringLiteral("cbAgrupamento"));
    for (auto a : {RelatorioPeriodo::Agrupamento::Dia, RelatorioPeriodo::Agrupamento::Terceiro,
                   RelatorioPeriodo::Agrupamento::Artigo, RelatorioPeriodo::Agrupamento::Matricula})
        m_por->addItem(RelatorioPeriodo::tituloAgrupamento(a), int(a));

    auto* calcularBt = botao(this, QStringLiteral("btCalcular"), QStringLiteral("&Calcular"));
    auto* imprimirBt = botao(this, QStringLiteral("btImprimir"), QStringLiteral("&Imprimir"));
    auto* pdfBt = botao(this, QStringLiteral("btPdf"), QStringLiteral("&PDF"));
    auto* csvBt = botao(this, QStringLiteral("btCsv"), QStringLiteral("CS&V"));

    auto* topo = new QHBoxLayout;
    topo->addWidget(new QLabel(QStringLiteral("De"), this));
    topo->addWidget(m_inicio);
    topo->addWidget(new QLabel(QStringLiteral("a"), this));
    topo->addWidget(m_fim);
    topo->addWidget(new QLabel(QStringLiteral("Banca"), this));
    topo->addWidget(m_banca);
    topo->addWidget(new QLabel(QStringLiteral("Agrupar por"), this));
    topo->addWidget(m_por);
    topo->addWidget(calcularBt);
    topo->addStretch();
    topo->addWidget(imprimirBt);
    topo->addWidget(pdfBt);
    topo->addWidget(csvBt);

    m_grelha = new QTableWidget(this);
    m_grelha->setObjectName(QStringLiteral("grelhaRelatorio"));
    m_grelha->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grelha->verticalHeader()->hide();
    m_grafico = new QChartView(this);
    m_grafico->setObjectName(QStringLiteral("graficoRelatorio"));
    m_grafico->setRenderHint(QPainter::Antialiasing);
    m_grafico->setMinimumHeight(220);
    m_resumo = new QLabel(this);
    m_resumo->setObjectName(QStringLiteral("lblResumo"));

    auto* divisao = new QSplitter(Qt::Vertical, this);
    divisao->addWidget(m_grelha);
    divisao->addWidget(m_grafico);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(topo);
    layout->addWidget(divisao, 1);
    layout->addWidget(m_resumo);

    connect(calcularBt, &QPushButton::clicked, this, [this] { calcular(); });
    connect(imprimirBt, &QPushButton::clicked, this, [this] { imprimir(); });
    connect(pdfBt, &QPushButton::clicked, this, [this] { escolherFicheiro(true); });
    connect(csvBt, &QPushButton::clicked, this, [this] { escolherFicheiro(false); });
    resize(1000, 680);
}

void JanelaRelatorio::setPeriodo(QDate inicio, QDate fim) {
    m_inicio->setDate(inicio);
    m_fim->setDate(fim);
}

void JanelaRelatorio::setEscolha(RelatorioPeriodo::Agrupamento por, RelatorioPeriodo::Banca banca) {
    m_por->setCurrentIndex(m_por->findData(int(por)));
    m_banca->setCurrentIndex(m_banca->findData(int(banca)));
}

bool JanelaRelatorio::calcular() {
    QString erro;
    try {
        RelatorioPeriodo r;
        if (!r.calcular(m_db, m_inicio->date(), m_fim->date(),
                        RelatorioPeriodo::Agrupamento(m_por->currentData().toInt()),
                        RelatorioPeriodo::Banca(m_banca->currentData().toInt()), erro)) {
            m_mensagens.mostrarAviso(OperatorMessages::Informacao, erro);
            return false;
        }
        m_relatorio = r;
    } catch (const DbError& e) {
        m_mensagens.mostrarEstado(OperatorMessages::Critico,
                                  QStringLiteral("Não foi possível ler as pesagens do período.\n") + e.texto());
        return false;
    }
    m_calculado = true;
    mostrar();
    return true;
}

void JanelaRelatorio::mostrar() {
    const RelatorioPeriodo& r = m_relatorio;
    const QStringList titulos{RelatorioPeriodo::tituloAgrupamento(r.agrupamento()),
                              QStringLiteral("Descrição"),
                              QStringLiteral("Pesagens"),
                              QStringLiteral("Bruto"),
                              QStringLiteral("Tara"),
                              QStringLiteral("Líquido"),
                              QStringLiteral("Efectivo"),
                              QStringLiteral("Descontos")};
    m_grelha->clear();
    m_grelha->setColumnCount(int(titulos.size()));
    m_grelha->setHorizontalHeaderLabels(titulos);
    m_grelha->setRowCount(int(r.linhas().size()) + 1);
    auto linha = [&](int row, const QString& grupo, const QString& descricao, const RelatorioPeriodo::Linha& l) {
        const QStringList cells{
            grupo,           descricao,          QString::number(l.pesagens), l.bruto.format(),
            l.tara.format(), l.liquido.format(), l.efectivo.format(),         l.descontos().format()};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c >= 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_grelha->setItem(row, c, item);
        }
    };
    for (int i = 0; i < r.linhas().size(); ++i) {
        const auto& l = r.linhas()[i];
        linha(i, l.grupo, l.descricao, l);
    }
    const int total = int(r.linhas().size());
    linha(total, QStringLiteral("Total"), QString(), r.total());
    for (int c = 0; c < m_grelha->columnCount(); ++c) {
        QFont f = m_grelha->item(total, c)->font();
        f.setBold(true);
        m_grelha->item(total, c)->setFont(f);
    }
    m_grelha->resizeColumnsToContents();

    // The chart: net kilograms per group, the largest ones when there are too many to read.
    QList<RelatorioPeriodo::Linha> barras = r.linhas();
    const bool cortado = barras.size() > kBarras;
    if (cortado) {
        std::stable_sort(barras.begin(), barras.end(),
                         [](const auto& a, const auto& b) { return a.liquido > b.liquido; });
        barras = barras.mid(0, kBarras);
        if (r.agrupamento() == RelatorioPeriodo::Agrupamento::Dia)
            std::sort(barras.begin(), barras.end(), [](const auto& a, const auto& b) { return a.grupo < b.grupo; });
    }
    auto* conjunto = new QBarSet(QStringLiteral("Líquido (kg)"));
    conjunto->setColor(QColor(0x2e, 0x6d, 0x8e));
    QStringList categorias;
    double maximo = 0;
    for (const auto& l : barras) {
        QString nome = l.grupo.isEmpty() ? QStringLiteral("(sem)") : l.grupo;
        if (r.agrupamento() == RelatorioPeriodo::Agrupamento::Dia)
            nome = QDate::fromString(l.grupo, QStringLiteral("yyyy-MM-dd")).toString(QStringLiteral("dd-MM"));
        // Equal labels would merge their bars: a code of both desks keeps its desk.
        if (!l.tipo.isEmpty() && r.banca() == RelatorioPeriodo::Banca::Ambas)
            nome += l.tipo == QStringLiteral("E") ? QStringLiteral(" (F)") : QStringLiteral(" (C)");
        categorias << nome;
        // The chart only draws: the figures themselves stay exact in the table.
        const double kg = l.liquido.toDouble();
        *conjunto << kg;
        maximo = std::max(maximo, kg);
    }
    auto* serie = new QBarSeries;
    serie->append(conjunto);
    auto* grafico = new QChart;
    grafico->addSeries(serie);
    grafico->setTitle(QStringLiteral("Peso líquido por %1 · %2 · %3 a %4%5")
                          .arg(RelatorioPeriodo::tituloAgrupamento(r.agrupamento()).toLower(),
                               RelatorioPeriodo::tituloBanca(r.banca()),
                               r.inicio().toString(QStringLiteral("dd-MM-yyyy")),
                               r.fim().toString(QStringLiteral("dd-MM-yyyy")),
                               cortado ? QStringLiteral(" (os %1 maiores)").arg(kBarras) : QString()));
    auto* eixoX = new QBarCategoryAxis;
    eixoX->append(categorias);
    eixoX->setLabelsAngle(categorias.size() > 10 ? -60 : 0);
    auto* eixoY = new QValueAxis;
    eixoY->setRange(0, maximo > 0 ? maximo * 1.1 : 1);
    eixoY->applyNiceNumbers();
    eixoY->setLabelFormat(QStringLiteral("%.0f"));
    eixoY->setTitleText(QStringLiteral("kg"));
    grafico->addAxis(eixoX, Qt::AlignBottom);
    grafico->addAxis(eixoY, Qt::AlignLeft);
    serie->attachAxis(eixoX);
    serie->attachAxis(eixoY);
    grafico->legend()->hide();
    QChart* antigo = m_grafico->chart();
    m_grafico->setChart(grafico);
    delete antigo;

    m_resumo->setText(QStringLiteral("%1 pesagens · líquido %2 kg · efectivo %3 kg")
                          .arg(r.total().pesagens)
                          .arg(r.total().liquido.format(), r.total().efectivo.format()));
}

bool JanelaRelatorio::gravar(const QString& path, const std::function<void(QIODevice&)>& escrever) {
    if (!m_calculado && !calcular()) return false;
    FicheiroAtomico f(path);
    if (f.abrir()) {
        escrever(f.dispositivo());
        if (f.confirmar()) return true;
    }
    m_mensagens.mostrarEstado(OperatorMessages::Critico,
                              QStringLiteral("O ficheiro %1 não foi gravado.\n%2").arg(path, f.erro()));
    return false;
}

bool JanelaRelatorio::exportarPdf(const QString& path) {
    return gravar(path, [this](QIODevice& d) { m_relatorio.pdf(d); });
}

bool JanelaRelatorio::exportarCsv(const QString& path) {
    return gravar(path, [this](QIODevice& d) { d.write(m_relatorio.csv()); });
}

void JanelaRelatorio::escolherFicheiro(bool pdf) {
    if (!m_calculado && !calcular()) return;
    const QString path =
        QFileDialog::getSaveFileName(this, pdf ? QStringLiteral("Gravar PDF") : QStringLiteral("Gravar CSV"),
                                     QStringLiteral("Pesagens_%1_%2.%3")
                                         .arg(m_relatorio.inicio().toString(QStringLiteral("yyyyMMdd")),
                                              m_relatorio.fim().toString(QStringLiteral("yyyyMMdd")),
                                              pdf ? QStringLiteral("pdf") : QStringLiteral("csv")),
                                     pdf ? QStringLiteral("PDF (*.pdf)") : QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return;
    pdf ? exportarPdf(path) : exportarCsv(path);
}

void JanelaRelatorio::imprimir() {
    if (!m_calculado && !calcular()) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(12, 12, 12, 12),
                                      QPageLayout::Millimeter));
    printer.setDocName(QStringLiteral("Pesagens por período"));
    QPrintDialog dialogo(&printer, this);
    if (dialogo.exec() != QDialog::Accepted) return;
    RenderizadorTalao::pintarDocumento(printer, m_relatorio.html());
    if (printer.printerState() == QPrinter::Error)
        m_mensagens.mostrarEstado(OperatorMessages::Critico, QStringLiteral("A impressão do mapa falhou."));
}
