#pragma once
// CDATAFILE "Create Datafile": one datafile row for the tablespace maintenance
// window's datafile grid: name, size with its unit (Bytes, Kbytes, MBytes) and
// whether an existing file is reused.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace shell {
class AppContext;
class ResultGridModel;
}

namespace storage {

class CDatafile : public QDialog {
    Q_OBJECT
public:
    // `modify`: the maintenance window is in modify mode (rows are marked "N" or "X").
    CDatafile(shell::AppContext &ctx, shell::ResultGridModel &datafiles, bool modify, QWidget *parent = nullptr);

    void Size_Datafile_LostFocus();
    void OK_Click();

    QLineEdit *Name_Datafile, *Size_Datafile;
    QRadioButton *Size_En_Bytes, *Size_En_Kbytes, *Size_En_Mbytes;
    QCheckBox *Reusar;
    QPushButton *OK, *Cancel;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    shell::AppContext &m_ctx;
    shell::ResultGridModel &m_datafiles;
    bool m_modify;
};

} // namespace storage
