#include "acercade.h"

#include "appcontext.h"
#include "entservidores.h"
#include "prompts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

AcercaDe::AcercaDe(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName("ACERCA_DE_Principal");
    const QString title = "SQL*Vigil";
    setWindowTitle("About " + title);
    setModal(true);
    lblTitle = new QLabel(title, this);
    lblTitle->setObjectName("lblTitle");
    QFont f = lblTitle->font();
    f.setPointSizeF(f.pointSizeF() * 1.8);
    f.setBold(true);
    lblTitle->setFont(f);
    const QString v = QCoreApplication::applicationVersion().isEmpty() ? "1.0.0"
                                                                       : QCoreApplication::applicationVersion();
    lblVersion = new QLabel("Version " + v, this);
    lblVersion->setObjectName("lblVersion");
    lblDescription = new QLabel("Oracle DBA Tool", this);
    lblDescription->setObjectName("lblDescription");
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton("&System Info...", this);
    cmdSysInfo->setObjectName("cmdSysInfo");
    auto *text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(lblDescription);
    text->addStretch(1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch(1);
    auto *h = new QHBoxLayout(this);
    h->setContentsMargins(20, 18, 20, 18);
    h->addLayout(text, 1);
    h->addSpacing(24);
    h->addLayout(buttons);
    setMinimumSize(420, 170);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] {
        m_ctx.prompts.MsgBox("System Information Is Unavailable At This Time", vbOKOnly, windowTitle().toStdString());
    });
}

bool AcercaDe::mayClose()
{
    if (m_ctx.screenLock != -1)
        return true;
    if (askAccessCode(m_ctx, this)) {
        m_ctx.screenLock = 0;
        return true;
    }
    return false;
}

void AcercaDe::cmdOK_Click()
{
    if (mayClose())
        QDialog::accept();
}

void AcercaDe::reject()
{
    if (mayClose())
        QDialog::reject();
}

void AcercaDe::closeEvent(QCloseEvent *event)
{
    // A close by the user (the window's close button) is spontaneous; the program's own is not.
    if (event->spontaneous() && !mayClose()) {
        event->ignore();
        return;
    }
    QDialog::done(QDialog::Rejected);
    event->accept();
}

} // namespace shell
