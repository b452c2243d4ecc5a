#pragma once
// GRANTS "Object Permissions": the object privileges of the current server as a
// tree of grantees (users, roles, PUBLIC), the owners of the objects granted to
// each and the objects; the privileges on an object and the details of one.
#include <QWidget>

#include <memory>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace schema {

class Divisor;

class Grants : public QWidget {
    Q_OBJECT
public:
    explicit Grants(shell::AppContext &ctx, QWidget *parent = nullptr);
    ~Grants() override;

    void GGrants_Click();
    void TreeViewGrants_NodeClick(QTreeWidgetItem *node);
    void PN_Permision_Grid_Privilege_DblClick();

    const Divisor &divisor() const { return *AwkViewTree; }

    QTreeWidget *TreeViewGrants;
    shell::ResultGrid *PN_Permision_Grid_Privilege;
    QLineEdit *PN_Permision_Grantee, *PN_Permision_Owner, *PN_Permision_Name, *PN_Permision_Grantor,
        *PN_Permision_Privilege, *PN_Permision_Type;
    QCheckBox *PN_Permision_Grantable;
    QPushButton *GGrants, *SGrants;

private:
    QStringList fields(QTreeWidgetItem *node);
    shell::AppContext &m_ctx;
    std::unique_ptr<Divisor> AwkViewTree;
};

} // namespace schema
