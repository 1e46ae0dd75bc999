#pragma once

#include <QString>
#include <functional>

class BaseDados;
class MonitorBalanca;
class OperatorMessages;
class ParametrosAplic;
class QWidget;
class SessaoSage;

// What the main window hands every child window: the shared database (the
// `BaseDados` property of the form), the ERP session, the parameters row and the
// message door, and where the configuration lives.
struct FormContext {
    BaseDados& db;
    SessaoSage* sessao;
    ParametrosAplic* parametros;
    OperatorMessages& messages;
    QString configFile;
    QString programFolder;
    // The program's one live reader of the indicator, shared by every desk.
    MonitorBalanca* monitor = nullptr;
};

// The factories of the child windows the menu opens. A menu entry whose factory is
// empty stays disabled; a form becomes available by filling its factory in
// childforms.cpp, without touching the menu. A factory returns a new top-level
// widget (the main window puts it in its MDI area and deletes it when closed).
struct ChildForms {
    using Factory = std::function<QWidget*(const FormContext&)>;
    // modo: bulk mailing 1 suppliers, 2 customers; counters 1 incoming, 2 outgoing.
    using ModeFactory = std::function<QWidget*(const FormContext&, int modo)>;

    Factory entradas;         // incoming-loads desk
    Factory saidas;           // outgoing-loads desk
    ModeFactory envioMail;    // bulk mailing
    ModeFactory numeradores;  // ticket counters
    Factory parametros;       // application parameters
    Factory relatorio;        // period report

    // The forms this build of the program has.
    static ChildForms available();
};
