#include "offline_tablespace.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace storage {

OfflineTablespace::OfflineTablespace(std::string &modeWord, QWidget *parent) : QDialog(parent), m_word(modeWord)
{
    setObjectName("OFFLINE_TABLESPACE");
    setWindowTitle("Pasar a OFFLINE");
    setModal(true);
    auto button = [this](const char *name, const char *caption, const char *word) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, [this, word] { choose(word); });
        return b;
    };
    Normal = button("Normal", "&Normal", "NORMAL");
    Temporary = button("Temporary", "&Temporary", "TEMPORARY");
    Inmediate = button("Inmediate", "&Inmediate", "IMMEDIATE");
    Cancelar = button("Cancelar", "Cancelar", "CANCELAR");
    auto *label = new QLabel("Modo de paso a OFFLINE del tablespace:", this);
    auto *buttons = new QHBoxLayout;
    for (auto *b : {Normal, Temporary, Inmediate, Cancelar})
        buttons->addWidget(b);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(label);
    lay->addLayout(buttons);
    resize(sizeHint().expandedTo(QSize(420, 90)));
}

void OfflineTablespace::choose(const char *word)
{
    m_word = word;
    if (m_word == "CANCELAR")
        reject();
    else
        accept();
}

} // namespace storage
