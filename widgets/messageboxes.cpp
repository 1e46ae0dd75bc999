#include "widgets/messageboxes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProgressDialog>
#include <QWindow>

#include "base/programinfo.h"

MessageBoxes::MessageBoxes(QWidget* parent) : m_parent(parent) {}

MessageBoxes::~MessageBoxes() = default;

void MessageBoxes::progresso(const QString& texto, int feito, int total) {
    if (feito >= total) {
        m_progresso.reset();
        return;
    }
    if (!m_progresso) {
        m_progresso = std::make_unique<QProgressDialog>(m_parent);
        m_progresso->setObjectName(QStringLiteral("progresso"));
        m_progresso->setWindowTitle(ProgramInfo::title());
        m_progresso->setCancelButton(nullptr);
        m_progresso->setAutoClose(false);
        m_progresso->setAutoReset(false);
        m_progresso->setMinimumDuration(0);
        m_progresso->setMinimumWidth(460);
        m_progresso->setWindowModality(Qt::ApplicationModal);
    }
    m_progresso->setRange(0, total);
    m_progresso->setLabelText(texto);
    m_progresso->setValue(feito);
    m_progresso->show();
    // The step that follows blocks this thread: let the window appear and paint first.
    QElapsedTimer espera;
    espera.start();
    do {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    } while ((!m_progresso->windowHandle() || !m_progresso->windowHandle()->isExposed()) && espera.elapsed() < 300);
    m_progresso->repaint();
}

bool MessageBoxes::mostrarAviso(int tipo, const QString& texto) {
    const QString title = QStringLiteral("Informação");
    switch (tipo) {
        case OkCancelar: {
            // The second button is the default: Enter must not confirm by accident.
            QMessageBox box(QMessageBox::Information, title, texto, QMessageBox::Ok | QMessageBox::Cancel, m_parent);
            box.setDefaultButton(QMessageBox::Cancel);
            return box.exec() == QMessageBox::Ok;
        }
        case SimNao:
        case SimNaoPredefinidoNao: {
            QMessageBox box(tipo == SimNao ? QMessageBox::Information : QMessageBox::Question, title, texto,
                            QMessageBox::Yes | QMessageBox::No, m_parent);
            box.setDefaultButton(tipo == SimNao ? QMessageBox::Yes : QMessageBox::No);
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
