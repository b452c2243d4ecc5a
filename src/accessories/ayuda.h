#pragma once
// AYUDA: the help window. Each window of the program has a short page shipped in
// the program; Help/&Index (F1) shows the page of the active window, or the
// program's own page listing them all.
#include <QDialog>

#include <string>

class QTextBrowser;

namespace accessories {

// The page of a form in HTML; the program's page for "" or a form without one.
QString helpPage(const std::string &formName);
// Whether a form has a page of its own.
bool hasHelpPage(const std::string &formName);

class Ayuda : public QDialog {
    Q_OBJECT
public:
    explicit Ayuda(QWidget *parent = nullptr);
    void showPage(const std::string &formName);
    // The same by a form name in a QString (the main window calls it by name).
    Q_INVOKABLE void showPage(const QString &formName) { showPage(formName.toStdString()); }

    QTextBrowser *AyudaTexto;
};

} // namespace accessories
