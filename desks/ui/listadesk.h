#pragma once

#include "desks/deskservices.h"

class BaseDados;
class OperatorMessages;
class QWidget;

// The desk's lookup lists in the window: the shared lookup dialog with the list's
// title, bound query and widths.
class ListaDesk : public LookupProvider {
  public:
    ListaDesk(BaseDados& db, OperatorMessages& messages, QWidget* parent)
        : m_db(db), m_messages(messages), m_parent(parent) {}
    QString escolher(const LookupSpec& spec) override;

  private:
    BaseDados& m_db;
    OperatorMessages& m_messages;
    QWidget* m_parent;
};
