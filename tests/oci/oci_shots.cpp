// oci_shots OUTDIR: screenshots of the client choice for review (not a test): the
// Servers window with its Client button, and the Oracle Client dialog for DEMO,
// once with the conformance client chosen and once with a directory holding none.
#include "clientes.h"
#include "servidores.h"
#include "windowtest.h"

#include "resultgrid.h"

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>

#include <iostream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: oci_shots OUTDIR\n";
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    harness::WindowTest t;
    auto *w = t.open<repository::Servidores>();
    w->GServidores_Click();
    w->LServidores->grid()->setCurrentRow(1);
    app.processEvents();
    w->grab().save(out + "/oci_servidores.png");

    repository::ClienteOracle dialog(t.ctx, "DEMO", "ORCL");
    dialog.eDirectorio->setText(OCI_STANDIN_DIR);
    dialog.show();
    app.processEvents();
    dialog.grab().save(out + "/oci_cliente.png");
    dialog.eDirectorio->setText("/opt/oracle/missing");
    app.processEvents();
    dialog.grab().save(out + "/oci_cliente_missing.png");
    std::cout << "written to " << argv[1] << "\n";
    return 0;
}
