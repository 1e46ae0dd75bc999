#pragma once

#include <QSortFilterProxyModel>

// The lookup list's filter: a row stays when the typed text is found in any of its
// columns, whatever the case and the accents ("cavado" finds "Cávado", "AÇORES" finds
// "Açores"). Each row's searchable text is folded once, when it is set, so typing in a
// list of many thousands of rows stays quick.
class FiltroSemAcentos : public QSortFilterProxyModel {
    Q_OBJECT
  public:
    explicit FiltroSemAcentos(QObject* parent = nullptr);

    // The text to look for; empty shows every row.
    void setTexto(const QString& texto);
    // Stores the folded text of every column of the source rows (call after loading them).
    void indexar();

    // Lower case, without accents or other combining marks.
    static QString dobrar(const QString& texto);
    // The role of column 0 that holds the row's folded text.
    static constexpr int kPapelPesquisa = Qt::UserRole + 41;

  protected:
    bool filterAcceptsRow(int linha, const QModelIndex& pai) const override;

  private:
    QString m_texto;
};
