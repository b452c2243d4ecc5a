#pragma once
// ROLES "Roles": the roles of the current server and whether each needs a password.
#include <QWidget>

class QPushButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace schema {

class Roles : public QWidget {
    Q_OBJECT
public:
    explicit Roles(shell::AppContext &ctx, QWidget *parent = nullptr);
    void GRoles_Click();

    shell::ResultGrid *LRoles;
    QPushButton *GRoles, *CRoles, *MRoles, *BRoles, *SRoles;

private:
    shell::AppContext &m_ctx;
};

} // namespace schema
