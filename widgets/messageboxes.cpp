#include "messageboxes.h"

#include <QMessageBox>

#include "programinfo.h"

bool MessageBoxes::mostrarAviso(int tipo, const QString& texto) {
    const QString title = QStringLiteral("Informação");
    switch (tipo) {
        case OkCancelar: {
            // The second button is the default: Enter must not confirm by accident.
            QMessageBox box(QMessageBox::Information, title, texto, QMessageBox::Ok | QMessageBox::Cancel, m_parent);
            box.setDefaultButton(QMessageBox::Cancel);
            return box.exec() == QMessageBox::Ok;
        }
        case SimNao: {
            QMessageBox box(QMessageBox::Information, title, texto, QMessageBox::Yes | QMessageBox::No, m_parent);
            box.setDefaultButton(QMessageBox::Yes);
            return box.exec() == QMessageBox::Yes;
        }
        case CampoObrigatorio:
            QMessageBox::warning(m_parent, title, texto);
            return true;
        case Informacao:
            QMessageBox::information(m_parent, title, texto);
            return true;
        default:
            // Unknown kinds show nothing.
            return false;
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
