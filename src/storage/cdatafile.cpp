#include "cdatafile.h"

#include "appcontext.h"
#include "prompts.h"
#include "resultgrid.h"
#include "texto.h"

#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace storage {

using namespace shell;

CDatafile::CDatafile(AppContext &ctx, ResultGridModel &datafiles, bool modify, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_datafiles(datafiles), m_modify(modify)
{
    setObjectName("CDATAFILE");
    setWindowTitle("Create Datafile");
    setModal(true);
    Name_Datafile = new QLineEdit(this);
    Name_Datafile->setObjectName("Name_Datafile");
    Size_Datafile = new QLineEdit(this);
    Size_Datafile->setObjectName("Size_Datafile");
    Size_Datafile->installEventFilter(this);
    auto radio = [this](const char *name, const char *caption) {
        auto *r = new QRadioButton(caption, this);
        r->setObjectName(name);
        return r;
    };
    Size_En_Bytes = radio("Size_En_Bytes", "Bytes");
    Size_En_Kbytes = radio("Size_En_Kbytes", "Kbytes");
    Size_En_Mbytes = radio("Size_En_Mbytes", "MBytes");
    Size_En_Mbytes->setChecked(true);
    Reusar = new QCheckBox("Reuse", this);
    Reusar->setObjectName("Reusar");
    OK = new QPushButton("&OK", this);
    OK->setObjectName("OK");
    OK->setDefault(true);
    Cancel = new QPushButton("&Cancel", this);
    Cancel->setObjectName("Cancel");
    connect(OK, &QPushButton::clicked, this, [this] { OK_Click(); });
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *form = new QFormLayout;
    form->addRow("Datafile", Name_Datafile);
    form->addRow("Size", Size_Datafile);
    auto *units = new QGroupBox(this);
    auto *ul = new QHBoxLayout(units);
    for (auto *r : {Size_En_Bytes, Size_En_Kbytes, Size_En_Mbytes})
        ul->addWidget(r);
    ul->addWidget(Reusar);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addWidget(units);
    lay->addLayout(buttons);
    resize(460, 170);
}

bool CDatafile::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Size_Datafile && event->type() == QEvent::FocusOut)
        Size_Datafile_LostFocus();
    return QDialog::eventFilter(watched, event);
}

// The size as a whole number with the leading blank of a non-negative value.
void CDatafile::Size_Datafile_LostFocus()
{
    Size_Datafile->setText(Str(std::nearbyint(Val(Size_Datafile->text()))));
}

void CDatafile::OK_Click()
{
    if (Name_Datafile->text().trimmed().isEmpty()) {
        m_ctx.prompts.MsgBox("Debe escribir el nombre del datafile", vbOKOnly, "SQL*Vigil");
        return;
    }
    // The size as the field shows it after leaving it, also when OK is pressed
    // while the size field still has the focus.
    Size_Datafile_LostFocus();
    if (Val(Size_Datafile->text()) <= 0) {
        m_ctx.prompts.MsgBox("Debe escribir el tamaño del datafile", vbOKOnly, "SQL*Vigil");
        return;
    }
    const QString unit = Size_En_Kbytes->isChecked() ? "K" : Size_En_Mbytes->isChecked() ? "M" : "";
    const QString marker = Reusar->isChecked() ? "X" : m_modify ? "N" : "";
    m_datafiles.addRow({Name_Datafile->text().trimmed(), Size_Datafile->text() + unit, marker});
    accept();
}

} // namespace storage
