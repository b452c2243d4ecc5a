#pragma once
// The pattern of the four object browsers (tables, indexes, views, sequences): an
// owner drop-down filled at load, a get button that lists the objects of that
// owner (or of every owner) in a numbered grid, and an exit button. Each window
// gives its names, statement halves and grid columns in one Miembro.
#include <QWidget>

#include <string>
#include <vector>

class QComboBox;
class QPushButton;
class QVBoxLayout;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace schema {

struct Columna {
    const char *header;
    const char *source;
};

struct Miembro {
    const char *form, *caption;
    const char *ownerBox, *ownerLabel;
    const char *grid;
    const char *getButton, *getCaption;
    const char *exitButton, *exitCaption;
    const char *head, *tail;          // the statement before and after the owner filter
    const char *ownerColumn;          // OWNER or SEQUENCE_OWNER
    std::vector<Columna> columns;
};

class ListaObjetos : public QWidget {
    Q_OBJECT
public:
    ListaObjetos(shell::AppContext &ctx, Miembro miembro, QWidget *parent = nullptr);

    void Get_Click();
    void Exit_Click();
    // The statement for the owner in the box ("" for every owner).
    std::string statement() const;

    QComboBox *owner() const { return m_owner; }
    shell::ResultGrid *grid() const { return m_grid; }
    const Miembro &miembro() const { return m_m; }

protected:
    // The list page (owner box and grid) for windows that put it in a tab.
    QWidget *listPage() const { return m_page; }
    QVBoxLayout *mainLayout() const { return m_layout; }
    shell::AppContext &m_ctx;

private:
    Miembro m_m;
    QComboBox *m_owner;
    shell::ResultGrid *m_grid;
    QPushButton *m_get, *m_exit;
    QWidget *m_page;
    QVBoxLayout *m_layout;
};

} // namespace schema
