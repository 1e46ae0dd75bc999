#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

#include "base/money.h"

class BaseDados;
class QIODevice;

// The totals of a period's finished weighings (exit weighing inside the period, whole
// days), grouped by day, party, article or truck. One grouped query; weights summed
// exactly as ten-thousandths, never as floating point.
class RelatorioPeriodo {
  public:
    enum class Agrupamento { Dia, Terceiro, Artigo, Matricula };
    enum class Banca { Saidas, Entradas, Ambas };

    struct Linha {
        QString grupo;      // the day (yyyy-MM-dd), party code, article code or plate
        QString descricao;  // the party's or article's name; empty otherwise
        QString tipo;       // party grouping: "S" customer, "E" supplier (codes of both may meet)
        qint64 pesagens = 0;
        Money bruto, tara, liquido, efectivo, vasilhame, qualidade;
        Money descontos() const { return vasilhame + qualidade; }
        void somar(const Linha& l);
    };

    // Names as the command line spells them (day|party|article|truck, saidas|entradas|both).
    static std::optional<Agrupamento> agrupamentoDeNome(const QString& nome);
    static std::optional<Banca> bancaDeNome(const QString& nome);
    static QString nomeAgrupamento(Agrupamento a);
    static QString tituloAgrupamento(Agrupamento a);
    static QString tituloBanca(Banca b);

    // Reads the period; throws DbError. An empty `erro` and true when done; false with
    // `erro` for a period that ends before it starts.
    bool calcular(BaseDados& db, QDate inicio, QDate fim, Agrupamento por, Banca banca, QString& erro);

    QDate inicio() const { return m_inicio; }
    QDate fim() const { return m_fim; }
    Agrupamento agrupamento() const { return m_por; }
    Banca banca() const { return m_banca; }
    const QList<Linha>& linhas() const { return m_linhas; }
    const Linha& total() const { return m_total; }

    // UTF-8, ';' between fields, ',' before decimals, a header line and the totals last.
    QByteArray csv() const;
    // One document for QTextDocument: title, period, the table and its totals.
    QString html() const;
    // The document onto a PDF device (one or more A4 sheets, numbered).
    void pdf(QIODevice& destino) const;

    // A text cell made safe for a spreadsheet and for the separator (see csv()).
    static QString campoCsv(const QString& texto);

  private:
    QDate m_inicio, m_fim;
    Agrupamento m_por = Agrupamento::Dia;
    Banca m_banca = Banca::Ambas;
    QList<Linha> m_linhas;
    Linha m_total;
};
