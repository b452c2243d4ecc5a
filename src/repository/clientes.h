#pragma once
// CLIENTES_ORACLE: the Oracle client library chosen for each registered server (a
// directory holding libclntsh.so), and the small dialog of the Servers window that
// sets it. A server without a row uses the default client. The table is this
// program's own, next to SERVIDORES, which it leaves unchanged.
#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace localdb { class Database; }
namespace shell { class AppContext; }

namespace repository {

inline constexpr const char *kClientTable = "CLIENTES_ORACLE";

// "" when the server has no choice.
std::string clientDirectory(localdb::Database &db, const std::string &server, const std::string &instance);
// Stores the choice; an empty directory removes it. Creates the table on first use.
void setClientDirectory(localdb::Database &db, const std::string &server, const std::string &instance,
                        const std::string &directory);
// Makes the client driver follow the choices stored in `db` (by the servers'
// connection texts); nullptr forgets them.
void installClientChoices(localdb::Database *db);

class ClienteOracle : public QDialog {
    Q_OBJECT
public:
    ClienteOracle(shell::AppContext &ctx, const std::string &server, const std::string &instance,
                  QWidget *parent = nullptr);

    QLineEdit *eDirectorio;
    QLabel *lEstado;       // what the chosen directory holds
    QLabel *lDefecto;      // the default client
    QPushButton *SExaminar;
    QPushButton *SAceptar;
    QPushButton *SCancelar;

    void SExaminar_Click();
    void SAceptar_Click();   // stores the choice and closes

private:
    void check();
    shell::AppContext &m_ctx;
    std::string m_server, m_instance;
};

} // namespace repository
