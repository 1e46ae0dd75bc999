#include "widgets/filtrosemacentos.h"

FiltroSemAcentos::FiltroSemAcentos(QObject* parent) : QSortFilterProxyModel(parent) {}

QString FiltroSemAcentos::dobrar(const QString& texto) {
    const QString decomposto = texto.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposto.size());
    for (const QChar c : decomposto) {
        const QChar::Category k = c.category();
        if (k == QChar::Mark_NonSpacing || k == QChar::Mark_SpacingCombining || k == QChar::Mark_Enclosing) continue;
        out += c;
    }
    return out.toCaseFolded();
}

void FiltroSemAcentos::indexar() {
    QAbstractItemModel* m = sourceModel();
    if (!m) return;
    const int colunas = m->columnCount();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList partes;
        for (int c = 0; c < colunas; ++c) partes << m->index(r, c).data().toString();
        // A tab between columns: a search never matches across two of them.
        m->setData(m->index(r, 0), dobrar(partes.join(QLatin1Char('\t'))), kPapelPesquisa);
    }
    invalidateFilter();
}

void FiltroSemAcentos::setTexto(const QString& texto) {
    const QString t = dobrar(texto);
    if (t == m_texto) return;
    m_texto = t;
    invalidateFilter();
}

bool FiltroSemAcentos::filterAcceptsRow(int linha, const QModelIndex& pai) const {
    if (m_texto.isEmpty()) return true;
    const QModelIndex i = sourceModel()->index(linha, 0, pai);
    QVariant dobrado = i.data(kPapelPesquisa);
    if (!dobrado.isValid()) {
        // Rows added after indexar(): fold them now.
        QStringList partes;
        for (int c = 0; c < sourceModel()->columnCount(pai); ++c)
            partes << sourceModel()->index(linha, c, pai).data().toString();
        dobrado = dobrar(partes.join(QLatin1Char('\t')));
    }
    return dobrado.toString().contains(m_texto);
}
