#pragma once
// TABLAS "Tablas": the tables of the current server, optionally of one owner, and
// on its second tab the constraint viewer of the chosen table: its parent tables
// (those its foreign keys point to) and child tables (those whose foreign keys
// point to its primary or unique keys), each with the constraints and their columns.
#include "listaobjetos.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace schema {

class Tablas : public ListaObjetos {
    Q_OBJECT
public:
    explicit Tablas(shell::AppContext &ctx, QWidget *parent = nullptr);

    void CarpetaTablas_Click(int tab);
    void GConstraint_Click();
    void Visor_de_Constraint_Click(QTreeWidgetItem *item);

    QTabWidget *CarpetaTablas;
    QLabel *Dueno_Principal, *Tabla_Principal;
    QRadioButton *Tipo[5];
    QPushButton *GConstraint;
    QTreeWidget *Visor_de_Constraint;
    // The constraint type recorded on switching to the viewer.
    const std::string &tipo() const { return m_tipo; }

private:
    void addChildren(QTreeWidgetItem *item, const std::string &sql, const char *column, bool leaves);
    std::string m_tipo, m_owner, m_table;
};

} // namespace schema
