#include "acercade.h"

#include "appcontext.h"
#include "entservidores.h"
#include "prompts.h"

#include "formutil.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QMovie>
#include <QProcess>
#include <QStandardPaths>
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
    // Major, minor and revision of the program's version.
    QStringList parts = QString(SQLVIGIL_VERSION).split('.');
    while (parts.size() < 3)
        parts << "0";
    lblVersion = new QLabel("Version " + parts[0] + "." + parts[1] + "." + parts[2], this);
    lblVersion->setObjectName("lblVersion");
    lblDescription = new QLabel("Oracle DBA Tool", this);
    lblDescription->setObjectName("lblDescription");
    // The logo: the animation SQLVigilLogo.gif of the repository directory when there
    // is one, otherwise the program's icon.
    Television = new QLabel(this);
    Television->setObjectName("Television");
    Television->setFixedSize(72, 72);
    Television->setAlignment(Qt::AlignCenter);
    const QString animation = QString::fromStdString(ctx.repositoryDirectory) + "SQLVigilLogo.gif";
    auto *movie = QFileInfo::exists(animation) ? new QMovie(animation, {}, Television) : nullptr;
    if (movie && movie->isValid()) {
        Television->setMovie(movie);
        movie->start();
    } else {
        delete movie;
        Television->setPixmap(appIcon().pixmap(64, 64));
    }
    sysInfoPrograms = defaultSysInfoPrograms();
    startProgram = [](const QString &program) { return QProcess::startDetached(program, {}); };
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
    auto *logo = new QVBoxLayout;
    logo->addWidget(Television);
    logo->addStretch(1);
    h->addLayout(logo);
    h->addSpacing(14);
    h->addLayout(text, 1);
    h->addSpacing(24);
    h->addLayout(buttons);
    setMinimumSize(480, 170);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });
}

QStringList AcercaDe::defaultSysInfoPrograms()
{
    return {"hardinfo", "gnome-system-monitor", "plasma-systemmonitor", "ksysguard", "mate-system-monitor",
            "xfce4-taskmanager", "lxtask"};
}

void AcercaDe::cmdSysInfo_Click()
{
    for (const QString &name : sysInfoPrograms) {
        const QString path = QFileInfo(name).isAbsolute() ? (QFileInfo(name).isExecutable() ? name : QString())
                                                          : QStandardPaths::findExecutable(name);
        if (!path.isEmpty() && startProgram && startProgram(path))
            return;
    }
    m_ctx.prompts.MsgBox("System Information Is Unavailable At This Time", vbOKOnly, windowTitle().toStdString());
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
