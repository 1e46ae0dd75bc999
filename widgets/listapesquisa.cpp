#include "widgets/listapesquisa.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include "base/basedados.h"
#include "base/operatormessages.h"
#include "widgets/filtrosemacentos.h"

ListaPesquisa::ListaPesquisa(BaseDados& db, OperatorMessages& messages, QWidget* parent)
    : QDialog(parent), m_db(db), m_messages(messages) {
    setObjectName(QStringLiteral("ListaPesquisa"));
    setModal(true);
    m_filtro = new QLineEdit(this);
    m_filtro->setObjectName(QStringLiteral("filtro"));
    m_filtro->setPlaceholderText(QStringLiteral("Pesquisar..."));
    m_filtro->setClearButtonEnabled(true);
    m_modelo = new QStandardItemModel(this);
    m_proxy = new FiltroSemAcentos(this);
    m_proxy->setSourceModel(m_modelo);
    m_tabela = new QTableView(this);
    m_tabela->setObjectName(QStringLiteral("tabela"));
    m_tabela->setModel(m_proxy);
    m_tabela->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tabela->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tabela->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tabela->verticalHeader()->hide();
    m_tabela->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_tabela->horizontalHeader()->setStretchLastSection(true);
    m_tabela->setAlternatingRowColors(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_filtro);
    layout->addWidget(m_tabela);
    auto* ajuda = new QLabel(QStringLiteral("Enter ou duplo clique escolhe; Esc fecha sem escolher."), this);
    ajuda->setEnabled(false);
    layout->addWidget(ajuda);

    connect(m_filtro, &QLineEdit::textChanged, this, [this](const QString& t) {
        m_proxy->setTexto(t);
        if (m_proxy->rowCount() > 0) m_tabela->selectRow(0);
    });
    connect(m_tabela, &QTableView::doubleClicked, this, [this] { escolher(); });
    m_filtro->installEventFilter(this);
    m_tabela->installEventFilter(this);
    resize(480, 360);
}

int ListaPesquisa::twipsParaPixeis(int twips) {
    return twips / 15;
}

void ListaPesquisa::setSql(const QString& sql, const QVariantList& parametros) {
    m_sql = sql;
    m_parametros = parametros;
}

void ListaPesquisa::setLargura(int twips) {
    resize(std::max(200, twipsParaPixeis(twips) + 40), height());
}

bool ListaPesquisa::carregar() {
    m_modelo->clear();
    try {
        RecordSet rs = m_db.consultar(m_sql, m_parametros);
        m_modelo->setHorizontalHeaderLabels(rs.columns());
        for (int r = 0; r < rs.count(); ++r) {
            QList<QStandardItem*> linha;
            for (const QString& c : rs.columns()) linha << new QStandardItem(rs.text(r, c));
            m_modelo->appendRow(linha);
        }
        m_proxy->indexar();
    } catch (const DbError& e) {
        m_messages.mensagem(QStringLiteral("Lista ") + windowTitle() + QStringLiteral(": ") + e.texto());
        return false;
    }
    if (m_proxy->rowCount() > 0) m_tabela->selectRow(0);
    return true;
}

void ListaPesquisa::setLarguraColuna(int coluna, int twips) {
    if (coluna < 1 || coluna > m_modelo->columnCount()) return;
    // Widths come from the caller in twips, set for another font: never narrower than the title.
    QHeaderView* cab = m_tabela->horizontalHeader();
    m_tabela->setColumnWidth(coluna - 1, std::max(twipsParaPixeis(twips), cab->sectionSizeHint(coluna - 1)));
    // The dialog grows to show every column when the widths add up to more than it has.
    // (layout margins, the table's frame and its vertical scroll bar around them).
    const int extra = 40 + 2 * m_tabela->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (cab->length() + extra > width()) resize(cab->length() + extra, height());
}

int ListaPesquisa::linhasVisiveis() const {
    return m_proxy->rowCount();
}

void ListaPesquisa::escolher() {
    const QModelIndex atual = m_tabela->currentIndex();
    QModelIndex linha = atual.isValid() ? atual : m_proxy->index(0, 0);
    if (!linha.isValid()) return;
    m_escolha = m_proxy->index(linha.row(), 0).data().toString();
    accept();
}

bool ListaPesquisa::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            escolher();
            return true;
        }
        // Up and down in the filter walk the rows, so the operator never leaves the keyboard.
        if (o == m_filtro && (k->key() == Qt::Key_Down || k->key() == Qt::Key_Up || k->key() == Qt::Key_PageDown ||
                              k->key() == Qt::Key_PageUp)) {
            QCoreApplication::sendEvent(m_tabela, e);
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

QString ListaPesquisa::mostrar() {
    m_escolha.clear();
    m_filtro->setFocus();
    if (exec() != QDialog::Accepted) return {};
    return m_escolha;
}
