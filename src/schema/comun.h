#pragma once
// What the schema and security windows share: the current-connection test, string
// literals and names spliced into SQL, queries walked record by record under the
// resume protocol, the tree pictures, and the path splitter hosted on the tree windows.
#include "access/accessfwd.h"

#include <QIcon>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace scx { class Host; }

namespace shell {
class AppContext;
class GuardedOperation;
}

namespace schema {

// The current slot's connection, or nullptr when the slot is not connected
// (state 4000 with its connection open).
access::OraDatabase *conexion(shell::AppContext &ctx);

// A value for a string literal: every single quote doubled.
std::string lit(const std::string &value);
inline std::string lit(const QString &value) { return lit(value.toStdString()); }

// A name typed by the administrator as it goes into a statement: bare when Oracle
// reads it unquoted the same way (a letter, then letters, digits, _ $ #, at most 30
// characters, not a reserved word), else as a quoted identifier. Lower-case letters
// stay bare (Oracle upper-cases them). Empty when the name cannot be written at all
// (it holds a double quote, a line break or a NUL).
std::string nombreSql(const std::string &name);
// The same for a name read from the dictionary, which is stored exactly: quoted
// unless it is an upper-case unquoted identifier.
std::string nombreDiccionario(const std::string &name);
// A password for "identified by": bare when it is an unquoted identifier, else quoted.
// Empty when it holds a double quote (Oracle has no way to write one).
std::string passwordSql(const std::string &password);
// A database link name (dotted parts allowed bare).
std::string enlaceSql(const std::string &link);

// Gives a window the size that shows its data: resized now, and when it is first
// shown inside a frame's child window, that child window grows to fit it.
void tamanoInicial(QWidget *form, int width, int height);

// Lays out a tree window: the tree and its detail side by side (the detail takes the
// spare width), the fetch button under them on the left and the exit button on the right.
// Creates the quota controls of the user dialogs (the size box, digits only and at
// most nine of them; the Kilobytes, Megabytes and Unlimited buttons) and lays them out
// with the tablespace list `onTablespace` in a group titled `title`.
QGroupBox *grupoCuota(QWidget *parent, const QString &title, QComboBox *onTablespace,
                      QLineEdit *&size, QRadioButton *&kilobytes, QRadioButton *&megabytes,
                      QRadioButton *&unlimited);

void ventanaArbol(QWidget *form, QWidget *tree, QWidget *detail, QPushButton *fetch,
                  QPushButton *exit);

// The text of a field: a null reads as "".
std::string campo(const access::OraDynaset &ds, const char *column);

// Runs `sql` on `db` and hands each record to `fila`, each record its own step
// (Ignore skips that record), moving on as its own step; closes the result.
// Answers false when the operation has ended.
bool recorrer(shell::GuardedOperation &op, access::OraDatabase &db, const std::string &sql,
              const std::function<void(const access::OraDynaset &)> &fila);
// The first record of `sql`, handed to `fila` when there is one.
bool primero(shell::GuardedOperation &op, access::OraDatabase &db, const std::string &sql,
             const std::function<void(const access::OraDynaset &)> &fila);

// Fills a drop-down (cleared first) with `column` of every record of `sql`.
void llenarLista(shell::GuardedOperation &op, access::OraDatabase &db, const std::string &sql, const char *column,
                 QComboBox *box);

// The pictures of the trees, drawn once.
enum class Dibujo {
    Cerrado,      // a closed branch
    Abierto,      // an open branch
    Hoja,         // an object without children
    BaseDatos,    // the database (root)
    Raiz,         // the root of the grantee and owner trees
    Usuario,      // a user
    Rol,          // a role
    Publico,      // PUBLIC
    Dueno,        // the owner of granted objects
    Otorgable,    // an object granted with the grant option
    NoOtorgable,  // an object granted without it
    Cluster,      // a cluster
};
QIcon dibujo(Dibujo d);
// Gives an item its picture, and records which one under kRolDibujo.
void ponerDibujo(QTreeWidgetItem *item, Dibujo d);
// Keeps a tree's branch pictures in step with expanding and collapsing: an item
// shows Abierto when expanded, Cerrado when collapsed; leaves keep theirs.
void seguirRamas(QTreeWidget *tree);

// Roles of the tree items.
inline constexpr int kRolNivel = Qt::UserRole + 1;   // indent level (int)
inline constexpr int kRolHoja = Qt::UserRole + 2;    // true for items that never have children
inline constexpr int kRolClave = Qt::UserRole + 3;   // key of the node
inline constexpr int kRolDibujo = Qt::UserRole + 4;  // the Dibujo shown (int)

// The texts of an item and its ancestors from the root.
QStringList textos(const QTreeWidgetItem *item);

// The hidden Scanix control of a tree window: the node path is written to its line
// L and the fields read with F(n). A name that itself holds a separator cannot be
// recovered from the joined path; for such a node the texts kept in the tree are
// used, so the object still opens.
class Divisor {
public:
    Divisor(const QString &objectName, const std::u16string &separators);
    ~Divisor();
    Divisor(const Divisor &) = delete;
    Divisor &operator=(const Divisor &) = delete;

    // Fields 1..n of the path made of `parts` joined with `joiner`; index 0 unused.
    // Missing fields read as "".
    QStringList campos(const QStringList &parts, const QString &joiner, int n);
    bool hosted() const;                 // the control was created
    const QString &objectName() const { return m_name; }
    QString lastLine() const { return m_last; }   // the last text written to L

private:
    QString m_name;
    std::u16string m_fs;
    std::unique_ptr<scx::Host> m_host;
    QString m_last;
};

} // namespace schema
