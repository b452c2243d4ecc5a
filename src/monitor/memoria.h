#pragma once
// MEMORIA "Memory": the instance's memory health at a glance. The tuning block
// gives four hit ratios and counters and three memory settings, each shown
// rounded to two decimals; advice lines name what to enlarge when a ratio is out
// of range; four grids detail the library cache, the dictionary cache, the
// latches and the sort statistics.
#include <QWidget>

#include <array>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QTabWidget;
class QTextEdit;

namespace shell {
class AppContext;
class GuardedOperation;
class ResultGrid;
}

namespace monitor {

// The tuning block's figures as read back from its output parameters; a figure
// is empty when the block did not run (failed, answered Ignore) or left it null.
struct Figuras_Tuning {
    std::optional<double> LIBCAC, ROWCAC, BUFCAC, REDLOG, SPSIZE, BLKBUF, LOGBUF;
};

// The advice lines for the figures, in the order library cache, row cache,
// buffer cache, log buffer, each followed by a line feed. The comparisons use
// the values as read, not as rounded for display; an empty figure gives no line.
std::string Consejos_Memoria(const Figuras_Tuning &f);

class Memoria : public QWidget {
    Q_OBJECT
public:
    explicit Memoria(shell::AppContext &ctx, QWidget *parent = nullptr);
    // The size the window opens at (the main window sizes its child windows by
    // their size hints): wide and tall enough for the instance's figures.
    QSize sizeHint() const override { return {860, 540}; }

    void GMemoria_Click();
    void SMemoria_Click();
    void Carpeta_Memoria_Click(int page);

    // The output parameters of the tuning block, in the order they are added.
    static const std::array<const char *, 7> &parametros();

    QPushButton *GMemoria, *SMemoria;
    QTabWidget *Carpeta_Memoria;
    QLabel *marco_libcac, *marco_rowcac, *marco_bufcac, *marco_redlog;
    QLabel *marco_spsize, *marco_blkbuf, *marco_logbuf;
    QTextEdit *Mem_Comentarios;
    shell::ResultGrid *LMemcacbib, *LMemcacdic, *LMemcacbuffra, *LSortAreaSize, *LMemcacbuffdb;

private:
    void buildForm();
    QWidget *figuresPage();
    void tuningFigures(shell::GuardedOperation &op);
    void gridStep(shell::GuardedOperation &op, shell::ResultGrid *grid, const std::string &sql,
                  const std::vector<std::string> &aliases);

    shell::AppContext &m_ctx;
};

} // namespace monitor
