#pragma once
// The one result grid of the program. Row 0 holds the header captions; in a
// numbered grid column 0 of each data row holds its running number 1, 2, ...;
// reset() cuts the grid back to the header row and one blank data row.
// ResultGridModel is a QAbstractTableModel over rows of texts (one allocation per
// row, never one widget per cell), so 100,000 rows fill in a fraction of a second;
// tests read cells through the model. ResultGrid is its view: the header row is
// shown as a fixed header, the running numbers in a grey column.
#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>

#include <vector>

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
    int rows() const { return static_cast<int>(m_rows.size()); }
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
    QStringList blankRow() const;
    std::vector<QStringList> m_rows;
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

signals:
    void rowClicked(int row);
    void rowDoubleClicked(int row);

private:
    void syncHiddenHeaderRow();
    ResultGridModel *m_model;
};

} // namespace shell
