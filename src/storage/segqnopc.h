#pragma once
// SEGQNOPC "Segments": the segments of the current server that cannot grow: those at
// (or within a margin of) their maximum number of extents, and those whose next
// extent is larger than every free extent of their tablespace. Reads only.
#include <QWidget>

#include <string>

class QLineEdit;
class QPushButton;
class QToolButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace storage {

// The limit query for a margin as typed: the margin enters as its numeric value
// (a whole number); a margin that is not a positive number gives the "reached" form.
std::string consultaLimite(const QString &margen);

class SegQnoPc : public QWidget {
    Q_OBJECT
public:
    explicit SegQnoPc(shell::AppContext &ctx, QWidget *parent = nullptr);
    // The opening size: every column and row of the listing in view.
    QSize sizeHint() const override { return {760, 700}; }

    void GSegmentos_Click();
    void SQNSalir_Click();
    void UpDown_UpClick();
    void UpDown_DownClick();

    QLineEdit *Antes_Maxextent, *data_block_size;
    QToolButton *UpDown_Up, *UpDown_Down;
    shell::ResultGrid *LSegmentos_Limite, *LSegmentos_Espacio;
    QPushButton *GSegmentos, *SQNSalir;

private:
    void leerBloque();
    shell::AppContext &m_ctx;
};

} // namespace storage
