#pragma once
// MDATABAS "Database": the identity of the current server's database, the number
// of objects of each type, and the object tree Wonder_View (by type, owner,
// object, and by user, type, object), loaded level by level on first selection;
// a table, index, sequence, synonym or database link shows its details.
#include <QWidget>

#include <map>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace schema {

class Divisor;

class MDatabas : public QWidget {
    Q_OBJECT
public:
    explicit MDatabas(shell::AppContext &ctx, QWidget *parent = nullptr);
    ~MDatabas() override;

    void GDatabase_Click();
    void Wonder_View_Click(QTreeWidgetItem *item);
    void SDatabase_Click();

    // A detail field of a panel by its name (PN_DBLINK_HOST, PN_INDICE_OWNER, ...).
    QString valor(const char *name) const;
    // The panel shown now ("" when none).
    QString panelVisible() const;
    const Divisor &divisor() const { return *AWK_Objetos; }

    QLineEdit *Nombre, *Fecha_Creacion, *Log_Mode, *Checkpoint_Change, *Archive_Change;
    shell::ResultGrid *LNumeros;
    QTreeWidget *Wonder_View;
    QWidget *PN_Tablas, *PN_Indice, *PN_SEQUENCE, *PN_Database_Synonym, *PN_Database_Link, *PN_Inicio;
    shell::ResultGrid *PN_TABLES_COLUMNAS;
    QListWidget *PN_INDICE_COLUMNAS, *PN_INDICE_TAB_COL;
    QCheckBox *PN_INDICE_UNIQUE, *PN_SYNONYM_PUBLIC;
    QPushButton *GDatabase, *SDatabase;

private:
    void buildForm();
    QWidget *panel(const char *name, const std::vector<std::pair<const char *, const char *>> &fields,
                   bool dropDowns = false);
    void set(const char *name, const std::string &value);
    void load(QTreeWidgetItem *item, const std::string &owner, int level, std::string type);
    void details(const std::string &type, const std::string &owner, const std::string &name);
    void showOnly(QWidget *panel);

    shell::AppContext &m_ctx;
    std::unique_ptr<Divisor> AWK_Objetos;
    std::map<std::string, QWidget *> m_fields;
    bool m_synonymPublic = false;
};

} // namespace schema
