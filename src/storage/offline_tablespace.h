#pragma once
// OFFLINE_TABLESPACE "Pasar a OFFLINE": chooses how a tablespace goes offline. Each
// button leaves its word in the offline mode word it was given ("NORMAL",
// "TEMPORARY", "IMMEDIATE", or "CANCELAR") and closes the dialog.
#include <QDialog>

#include <string>

class QPushButton;

namespace storage {

class OfflineTablespace : public QDialog {
    Q_OBJECT
public:
    OfflineTablespace(std::string &modeWord, QWidget *parent = nullptr);

    QPushButton *Normal, *Temporary, *Inmediate, *Cancelar;

private:
    void choose(const char *word);
    std::string &m_word;
};

} // namespace storage
