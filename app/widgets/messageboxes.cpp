#include "messageboxes.h"

#include <QMessageBox>

#include "programinfo.h"

bool MessageBoxes::mostrarAviso(int tipo, const QString& texto) {
    const QString title = QStringLiteral("Informação");
    switch (tipo) {
        case OkCancelar:
            return QMessageBox::question(m_parent, title, texto, QMessageBox::Ok | QMessageBox::Cancel,
                                         QMessageBox::Ok) == QMessageBox::Ok;
        case SimNao:
            return QMessageBox::question(m_parent, title, texto, QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::Yes) == QMessageBox::Yes;
        case CampoObrigatorio:
            QMessageBox::warning(m_parent, title, texto);
            return true;
        default:
            QMessageBox::information(m_parent, title, texto);
            return true;
    }
}

void MessageBoxes::mostrarEstado(int estado, const QString& texto) {
    const QString title = ProgramInfo::description();
    if (estado == Critico)
        QMessageBox::critical(m_parent, title, texto);
    else if (estado == Info)
        QMessageBox::information(m_parent, title, texto);
    else
        QMessageBox::warning(m_parent, title, texto);
}

void MessageBoxes::mensagem(const QString& texto) {
    QMessageBox box(QMessageBox::NoIcon, ProgramInfo::title(), texto, QMessageBox::Ok, m_parent);
    box.exec();
}
