#pragma once

#include <QWidget>

#include "output/relatorioperiodo.h"

class BaseDados;
class OperatorMessages;
class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QTableWidget;

// "Mapas" → "Pesagens por período": a period, a desk (or both) and a grouping; the
// table with its totals, a bar chart of the net weight per group, print, PDF and CSV.
class JanelaRelatorio : public QWidget {
    Q_OBJECT
  public:
    JanelaRelatorio(BaseDados& db, OperatorMessages& mensagens, QWidget* parent = nullptr);

    void setPeriodo(QDate inicio, QDate fim);
    void setEscolha(RelatorioPeriodo::Agrupamento por, RelatorioPeriodo::Banca banca);
    // Reads the period; false (and said to the operator) when it could not.
    bool calcular();
    // The files, written whole; false with the reason said to the operator.
    bool exportarPdf(const QString& path);
    bool exportarCsv(const QString& path);
    const RelatorioPeriodo& relatorio() const { return m_relatorio; }
    // Groups the chart shows at most (the largest net weights).
    static constexpr int kBarras = 31;

  private:
    void imprimir();
    void escolherFicheiro(bool pdf);
    void mostrar();
    bool gravar(const QString& path, const std::function<void(QIODevice&)>& escrever);

    BaseDados& m_db;
    OperatorMessages& m_mensagens;
    RelatorioPeriodo m_relatorio;
    bool m_calculado = false;
    QDateEdit* m_inicio;
    QDateEdit* m_fim;
    QComboBox* m_banca;
    QComboBox* m_por;
    QTableWidget* m_grelha;
    QChartView* m_grafico;
    QLabel* m_resumo;
};
