#include "desks/ui/deskwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "base/basedados.h"
#include "base/datasbase.h"
#include "desks/deskcore.h"
#include "desks/figurasdia.h"
#include "desks/ui/deskteclado.h"
#include "desks/ui/listadesk.h"
#include "desks/ui/mostradorpeso.h"
#include "desks/ui/talaodesk.h"
#include "erp/apiregistry.h"
#include "output/operacoestalao.h"
#include "scale/monitorbalanca.h"
#include "widgets/campoentrada.h"
#include "widgets/listapesquisa.h"
#include "widgets/messageboxes.h"

// The list of pending weighings or history: filled from the core, sorted, filtered, read a page at a time.

namespace {

// A list cell that sorts by its key (dates as yyyy-MM-dd, numbers by value), not its text.
class CelulaLista : public QTableWidgetItem {
  public:
    explicit CelulaLista(const QString& texto) : QTableWidgetItem(texto) {
        static const QRegularExpression data(QStringLiteral("^(\\d\\d)-(\\d\\d)-(\\d{4})(.*)$"));
        const QRegularExpressionMatch m = data.match(texto);
        m_chave = m.hasMatch() ? m.captured(3) + m.captured(2) + m.captured(1) + m.captured(4) : texto;
        m_numero = texto.toLongLong(&m_eNumero);
    }
    bool operator<(const QTableWidgetItem& outro) const override {
        const auto& o = static_cast<const CelulaLista&>(outro);
        if (m_eNumero && o.m_eNumero) return m_numero < o.m_numero;
        return QString::localeAwareCompare(m_chave, o.m_chave) < 0;
    }

  private:
    QString m_chave;
    qlonglong m_numero = 0;
    bool m_eNumero = false;
};

}  // namespace

void DeskWindow::encherGrelha() {
    const DeskGrid& g = m_core->grelha();
    QStringList colunas;
    for (const DeskGridColumn& c : g.colunas) colunas << c.chave + QLatin1Char('|') + c.titulo;
    if (colunas == m_grelhaColunas && g.linhas.size() > m_grelhaLinhas.size() && !m_grelhaLinhas.isEmpty() &&
        g.linhas.first() == m_grelhaLinhas.first() && g.linhas[m_grelhaLinhas.size() - 1] == m_grelhaLinhas.last()) {
        // The next page of the same list: only its rows are added.
        const int de = int(m_grelhaLinhas.size());
        m_grelhaLinhas = g.linhas;
        m_grelha->setRowCount(int(g.linhas.size()));
        for (int r = de; r < g.linhas.size(); ++r) {
            for (int c = 0; c < g.colunas.size(); ++c) {
                auto* item = new CelulaLista(g.linhas[r].value(c));
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                if (c == 0) item->setData(Qt::UserRole, r);
                m_grelha->setItem(r, c, item);
            }
        }
        if (!m_filtro->text().isEmpty()) filtrarGrelha();
        return;
    }
    if (colunas == m_grelhaColunas && g.linhas == m_grelhaLinhas) return;
    if (colunas != m_grelhaColunas) {
        // Another list: its own order and filter.
        m_ordemColuna = -1;
        m_grelha->horizontalHeader()->setSortIndicatorShown(false);
        const QSignalBlocker b(m_filtro);
        m_filtro->clear();
    }
    m_grelhaColunas = colunas;
    m_grelhaLinhas = g.linhas;
    m_grelha->clear();
    m_grelha->setColumnCount(int(g.colunas.size()));
    QStringList titulos;
    for (const DeskGridColumn& c : g.colunas) titulos << c.titulo;
    m_grelha->setHorizontalHeaderLabels(titulos);
    m_grelha->setRowCount(int(g.linhas.size()));
    for (int r = 0; r < g.linhas.size(); ++r) {
        for (int c = 0; c < g.colunas.size(); ++c) {
            auto* item = new CelulaLista(g.linhas[r].value(c));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            // The row of the desk's list this line stands for, whatever the order shown.
            if (c == 0) item->setData(Qt::UserRole, r);
            m_grelha->setItem(r, c, item);
        }
    }
    for (int c = 0; c < g.colunas.size(); ++c) {
        m_grelha->setColumnHidden(c, g.colunas[c].oculta);
        m_grelha->setColumnWidth(c, ListaPesquisa::twipsParaPixeis(g.colunas[c].largura));
    }
    // Names were cut while half the grid was empty: each column as wide as its contents
    // (never narrower than its usual width), while the window has room.
    m_grelha->horizontalHeader()->setStretchLastSection(false);
    m_grelha->resizeColumnsToContents();
    for (int c = 0; c < g.colunas.size(); ++c) {
        if (g.colunas[c].oculta) continue;
        const int w = std::max(m_grelha->columnWidth(c), ListaPesquisa::twipsParaPixeis(g.colunas[c].largura) / 2);
        m_grelha->setColumnWidth(c, std::min(w, 420));
    }
    m_grelha->horizontalHeader()->setStretchLastSection(true);
    ordenarGrelha();
    filtrarGrelha();
    completarEcra();
}

void DeskWindow::activarLinhaVista(int linhaVista) {
    QTableWidgetItem* item = m_grelha->item(linhaVista, 0);
    if (!item || m_grelha->isRowHidden(linhaVista)) return;
    const int r = item->data(Qt::UserRole).toInt();
    accao(Accao::Linha, [this, r] { m_core->activarLinha(r); });
}

void DeskWindow::completarEcra() {
    // Rows read up to a screen beyond the one shown: the next page is there before it is
    // scrolled to, and a list that does not fill its space reads on.
    const int altura = std::max(1, m_grelha->verticalHeader()->defaultSectionSize());
    const int porEcra = m_grelha->viewport()->height() / altura + 1;
    int paginas = 0;
    while (m_core->linhasPorLer() > 0 && !m_ocupado && paginas++ < 50 &&
           m_grelha->rowCount() < std::max(0, m_grelha->rowAt(0)) + 2 * porEcra) {
        m_core->lerMaisLinhas(m_core->historicoPorPaginas());
        encherGrelha();
    }
}

void DeskWindow::lerListaToda() {
    if (m_core->linhasPorLer() == 0) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_core->lerTodasLinhas();
    encherGrelha();
    QApplication::restoreOverrideCursor();
}

void DeskWindow::irParaLinha(bool primeira) {
    if (!primeira) lerListaToda();
    const int n = m_grelha->rowCount();
    for (int k = 0; k < n; ++k) {
        const int r = primeira ? k : n - 1 - k;
        if (m_grelha->isRowHidden(r)) continue;
        m_grelha->setCurrentCell(r, std::max(0, m_grelha->currentColumn()));
        m_grelha->selectRow(r);
        m_grelha->scrollToItem(m_grelha->item(r, 0));
        return;
    }
}

void DeskWindow::ordenarGrelha() {
    if (m_ordemColuna < 0 || m_ordemColuna >= m_grelha->columnCount()) return;
    // Sorting and filtering see the whole list, not the part scrolled to so far.
    lerListaToda();
    m_grelha->sortItems(m_ordemColuna, m_ordemSentido);
    m_grelha->horizontalHeader()->setSortIndicatorShown(true);
    m_grelha->horizontalHeader()->setSortIndicator(m_ordemColuna, m_ordemSentido);
    irParaLinha(true);
}

void DeskWindow::filtrarGrelha() {
    const QStringList palavras = semAcentos(m_filtro->text()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!palavras.isEmpty()) lerListaToda();
    for (int r = 0; r < m_grelha->rowCount(); ++r) {
        QString linha;
        for (int c = 0; c < m_grelha->columnCount(); ++c)
            if (!m_grelha->isColumnHidden(c) && m_grelha->item(r, c)) linha += m_grelha->item(r, c)->text() + u'\n';
        linha = semAcentos(linha);
        bool mostra = true;
        for (const QString& p : palavras) mostra = mostra && linha.contains(p);
        m_grelha->setRowHidden(r, !mostra);
    }
    const int actual = m_grelha->currentRow();
    if (actual < 0 || m_grelha->isRowHidden(actual)) irParaLinha(true);
}
