#pragma once
// The one result grid of the program. Row 0 holds the header captions; in a
// numbered grid column 0 of each data row holds its running number 1, 2, ...;
// reset() cuts the grid back to the header row and one blank data row.
// ResultGridModel is a QAbstractTableModel over one flat run of texts, row after row
// (no allocation per row or cell beyond each text itself, never one widget per cell;
// the running numbers are made when shown), so 100,000 rows fill in a few
// milliseconds; tests read cells through the model. ResultGrid is its view: the header row is
// shown as a fixed header, the running numbers in a grey column.
//
// Every grid carries the same context menu: Copy (the selected rows' cells,
// tab-separated, Ctrl+C), Copy with headers, Select all (Ctrl+A), Export to CSV
// (RFC 4180, UTF-8) and Print. The running-number column and hidden rows and
// columns are left out of what is copied, exported or printed. A cell with a
// background colour of its own (a warning or alarm) keeps it when its row is the
// current one: the selection is then drawn as a frame around the cell.
#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>

#include <unordered_map>
#include <vector>

class QPrinter;

namespace shell {

class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultGridModel(QObject *parent = nullptr);

    // Header captions of the data columns (after the number column when numbered).
    void setHeaders(const QStringList &captions, bool numbered = true);
    bool numbered() const { return m_numbered; }

    // Back to the header row and one blank data row.
    void reset();
    // Rows including the header row (the classic grid's Rows); growing adds blank rows.
    int rows() const { return static_cast<int>(m_autoNumber.size()); }
    void setRows(int n);
    int cols() const { return m_cols; }

    QString text(int row, int col) const;
    void setText(int row, int col, const QString &text);

    // Appends a data row (the values of the data columns; the running number is
    // added in numbered grids). The blank row left by reset() is used first.
    // Answers the row's index.
    int addRow(const QStringList &values);
    // Many rows at once (one model notification).
    void addRows(std::vector<QStringList> rows);
    // Many rows given as one flat run of texts, `columns` per row (the data columns, in
    // order; a short last row is padded): the cheapest way to fill a grid.
    void addRowCells(std::vector<QString> cells, int columns);
    // Data rows filled since reset (the blank row does not count).
    int dataRows() const;

    // The current row (the classic grid's Row): set by a click, or by the window.
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    void currentRowChanged(int row);

private:
    int lead() const { return m_numbered ? 1 : 0; }
    int dataCols() const { return m_cols - lead(); }
    QString &cell(int row, int col)   // a data row's cell, col counted from the first data column
    {
        return m_cells[static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(dataCols()) + col];
    }
    std::vector<QString> m_header;             // row 0: m_cols captions
    std::vector<QString> m_cells;              // rows 1.. of the data columns, row after row
    std::vector<bool> m_autoNumber;            // per row (row 0 included): shows its running number
    std::unordered_map<int, QString> m_numberTexts;   // column 0 written by setText in a numbered grid
    int m_cols = 1;
    bool m_numbered = true;
    bool m_blankPending = true;   // row 1 is the blank row left by reset()
    int m_current = 1;
};

class ResultGrid : public QTableView {
    Q_OBJECT
public:
    explicit ResultGrid(const QString &objectName, QWidget *parent = nullptr);
    ResultGridModel *grid() const { return m_model; }
    // Sizes the columns to their contents (header and the first rows).
    void fitColumns();
    // Widens any column whose header caption would be cut (never narrows one).
    void fitHeaderCaptions();
    // Wide enough for every visible column, tall enough for a dozen rows.
    QSize sizeHint() const override;

    // What the context menu does, callable directly.
    QString selectionText(bool withHeaders) const;      // tab-separated, one line per row
    void copySelection(bool withHeaders = false) const; // to the clipboard
    QString csvText() const;                            // header line and every data row, CRLF
    // Writes csvText() as UTF-8 to `path`; false with `error` set when it cannot.
    bool exportCsv(const QString &path, QString *error = nullptr) const;
    void print(QPrinter &printer) const;                // the grid as a table, header first
    // The rows the grid would copy, export or print: header (row 0) excluded.
    QList<int> dataRowIndexes() const;
    QList<int> dataColumnIndexes() const;

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void showEvent(QShowEvent *e) override;

signals:
    void rowClicked(int row);
    void rowDoubleClicked(int row);

private:
    void syncHiddenHeaderRow();
    void buildContextMenu();
    void exportCsvInteractive();
    void printInteractive();
    QString cellText(int row, int col) const;
    QString htmlTable() const;
    ResultGridModel *m_model;
};

} // namespace shell
