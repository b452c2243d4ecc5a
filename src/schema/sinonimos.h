#pragma once
// SINONIMOS "Sinonyms": the synonyms of the current server, optionally of one
// owner; an editor tab creates and drops private and public synonyms.
#include <QWidget>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMovie;
class QPushButton;
class QTabWidget;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace schema {

class Sinonimos : public QWidget {
    Q_OBJECT
public:
    explicit Sinonimos(shell::AppContext &ctx, QWidget *parent = nullptr);

    void GSinonimos_Click();
    void LSinonimos_DblClick();
    void cbPublic_Click();
    void TextOwner_LostFocus();
    void CarpetaSynonyms_Click(int tab);
    void CSinonimos_Click();
    void BSinonimos_Click();
    void SSinonimos_Click();

    // The statements the editor makes (names trimmed, quoted where needed); empty
    // when a name cannot be written.
    std::string createStatement() const;
    std::string dropStatement() const;

    QTabWidget *CarpetaSynonyms;
    QComboBox *SUsuarios;
    shell::ResultGrid *LSinonimos;
    QLineEdit *TextOwner, *TextSynonym, *TextOwnerTable, *TextTable, *TextDatabaseLink;
    QCheckBox *cbPublic;
    QPushButton *GSinonimos, *CSinonimos, *BSinonimos, *SSinonimos;
    QLabel *Television;

    // The animation played while the list is fetched (nullptr without the file).
    QMovie *animation() const { return m_movie; }

private:
    void followOwner();
    void execute(const std::string &sql, const char *done);
    shell::AppContext &m_ctx;
    QMovie *m_movie = nullptr;
};

inline constexpr const char *kSinonimoCreado = "Created Synonym";
inline constexpr const char *kSinonimoBorrado = "Drop Synonym";

} // namespace schema
