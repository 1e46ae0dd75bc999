#pragma once

#include <QString>
#include <memory>

#include "app/arranque.h"
#include "app/ui/childforms.h"

class FrmMain;
class QSettings;

// The start-up of the GUI program: the windowless steps of Arranque with the main
// window put in between (load it, fill its status bar, hand it the database, show
// it, put the company in its title) before the parameters are read.
class ArranqueGui {
  public:
    ArranqueGui(QString programFolder, QString argument, OperatorMessages& messages, StartupDialogs& dialogs,
                Arranque::ErpFactory erpFactory = {});
    ~ArranqueGui();

    // Where the main window keeps its placement (tests); the per-user store by default.
    void setPlacementStore(std::unique_ptr<QSettings> store);
    void setChildForms(ChildForms forms) { m_forms = std::move(forms); }

    // Steps 1 to 10. False on a fatal failure, whose message was shown: the program
    // must then end with a non-zero exit code.
    bool executar();

    Arranque& arranque() { return m_arranque; }
    FrmMain* janela() const { return m_janela.get(); }

    // What the status bar shows as the database: the file name of a SQLite file.
    static QString databaseLabel(const SqlSettings& s);

  private:
    OperatorMessages& m_messages;
    Arranque m_arranque;
    std::unique_ptr<QSettings> m_placement;
    ChildForms m_forms = ChildForms::available();
    // Declared last: the window goes before the database and session it points to.
    std::unique_ptr<FrmMain> m_janela;
};
