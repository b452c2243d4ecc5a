#pragma once
// The rows of a query as the SQL editor's result grid shows them, read from an open
// cursor in batches as the user scrolls (canFetchMore/fetchMore), so a query of a
// million rows shows its first rows at once. Laid out like every result grid: row 0
// holds the column names, column 0 the running number 1, 2, ... Fetched rows are
// kept as packed UTF-8 texts (a few bytes over their length per cell), never as one
// object per cell.
#include <QAbstractTableModel>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "access/accessfwd.h"

namespace monitor {

class CursorModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kFirstBatch = 200;
    static constexpr int kBatch = 1000;

    CursorModel(std::unique_ptr<access::OraCursor> cursor, QObject *parent = nullptr);
    ~CursorModel() override;

    // Reads the next `rows` rows (may throw access::OraError); answers how many came.
    int fetchRows(int rows);
    // Called with the failure of a fetch the view asked for; fetching stops there.
    std::function<void(std::exception_ptr)> onFetchError;

    // Data rows read so far; true once the cursor has given its last row.
    long fetchedRows() const { return static_cast<long>(m_rowStart.size()); }
    bool exhausted() const;
    QString text(int row, int col) const;
    // Bytes held for the fetched rows.
    std::size_t bytesHeld() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    void store(const std::vector<std::vector<access::OraValue>> &rows);
    std::unique_ptr<access::OraCursor> m_cursor;
    QStringList m_headers;
    // Each row: its cells one after the other, each as a 4-byte length and its bytes,
    // in chunks of about a megabyte; m_rowStart packs chunk index and offset.
    std::vector<std::string> m_chunks;
    std::vector<std::uint64_t> m_rowStart;
    bool m_failed = false;
};

} // namespace monitor
