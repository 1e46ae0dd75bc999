#include "desks/ui/listadesk.h"

#include "widgets/listapesquisa.h"

#include <QWidget>

QString ListaDesk::escolher(const LookupSpec& spec) {
    ListaPesquisa lista(m_db, m_messages, m_parent);
    lista.setTitulo(spec.titulo);
    lista.setSql(spec.sql, spec.params);
    lista.setLargura(spec.largura);
    if (!lista.carregar()) return {};
    for (int c = 0; c < spec.larguras.size(); ++c) lista.setLarguraColuna(c + 1, spec.larguras[c]);
    const QString escolha = lista.mostrar();
    // Back to the desk's window, so the focus can move on from the field at once.
    if (m_parent) m_parent->window()->activateWindow();
    return escolha;
}
