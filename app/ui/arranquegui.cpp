#include "app/ui/arranquegui.h"

#include <QApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStatusBar>

#include "app/ui/frmmain.h"
#include "base/programinfo.h"
#include "widgets/messageboxes.h"

ArranqueGui::ArranqueGui(QString programFolder, QString argument, OperatorMessages& messages, StartupDialogs& dialogs,
                         Arranque::ErpFactory erpFactory)
    : m_messages(messages),
      m_arranque(std::move(programFolder), std::move(argument), messages, dialogs, std::move(erpFactory)) {}

ArranqueGui::~ArranqueGui() = default;

void ArranqueGui::setPlacementStore(std::unique_ptr<QSettings> store) {
    m_placement = std::move(store);
}

QString ArranqueGui::databaseLabel(const SqlSettings& s) {
    if (s.kind() == Backend::Sqlite) return QFileInfo(s.baseDados.trimmed()).fileName();
    return s.baseDados;
}

bool ArranqueGui::executar() {
    // Steps 1 to 6: configuration, ERP, database, catalogue and versions.
    if (!m_arranque.ligar()) return false;

    // Step 7: the main window, with the pointer back to normal.
    FrmMain::Setup setup;
    setup.configFile = m_arranque.configFile();
    setup.programFolder = m_arranque.programFolder();
    setup.messages = &m_messages;
    setup.placement = std::move(m_placement);
    m_janela = std::make_unique<FrmMain>(std::move(setup));
    if (auto* boxes = dynamic_cast<MessageBoxes*>(&m_messages)) boxes->setParent(m_janela.get());
    m_janela->setSessao(m_arranque.sessao());
    m_janela->setParametros(&m_arranque.parametros());
    m_janela->setChildForms(m_forms);
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();

    // Step 8: status bar.
    const SqlSettings& sql = m_arranque.sqlSettings();
    m_janela->setStatusTexts(ProgramInfo::version(), sql.servidor, databaseLabel(sql));
    m_janela->statusBar()->setToolTip(sql.baseDados);

    // Step 9: the database, the window, the company in the title.
    m_janela->setBaseDados(m_arranque.baseDados());
    m_janela->show();
    m_janela->getNomeEmpresa();

    // Step 10: parameters; a failure was shown and the program goes on without them.
    m_arranque.lerParametros();
    return true;
}
