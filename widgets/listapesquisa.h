#pragma once

#include <QDialog>
#include <QVariantList>

class BaseDados;
class OperatorMessages;
class QLineEdit;
class QTableView;
class QStandardItemModel;
class FiltroSemAcentos;

// The lookup list: a modal window that runs a query through the shared database,
// shows its columns with their captions, filters the rows as the operator types
// (any column, ignoring case and accents) and gives back the first column of the row picked with
// Enter or a double-click, or an empty text when closed without a choice.
// Sizes are given in twips, as the callers have always sized their lists.
class ListaPesquisa : public QDialog {
    Q_OBJECT
  public:
    ListaPesquisa(BaseDados& db, OperatorMessages& messages, QWidget* parent = nullptr);

    void setTitulo(const QString& titulo) { setWindowTitle(titulo); }
    // The statement and its bound values (typed codes never go into the text).
    void setSql(const QString& sql, const QVariantList& parametros = {});
    void setLargura(int twips);
    // Runs the query and builds the columns. False (message shown) on a database error.
    bool carregar();
    // Width of column n, counting from 1.
    void setLarguraColuna(int coluna, int twips);
    // Shows the list modally; the first column's value of the chosen row, or empty.
    QString mostrar();

    // For tests and callers that pick in code.
    QLineEdit* filtro() const { return m_filtro; }
    QTableView* tabela() const { return m_tabela; }
    int linhasVisiveis() const;

    static int twipsParaPixeis(int twips);

  protected:
    bool eventFilter(QObject* o, QEvent* e) override;

  private:
    void escolher();

    BaseDados& m_db;
    OperatorMessages& m_messages;
    QString m_sql;
    QVariantList m_parametros;
    QLineEdit* m_filtro;
    QTableView* m_tabela;
    QStandardItemModel* m_modelo;
    FiltroSemAcentos* m_proxy;
    QString m_escolha;
};
