#include "cursormodel.h"

#include "access/orasession.h"

#include <QColor>

#include <cstring>

namespace monitor {

namespace {
constexpr std::size_t kChunk = 1 << 20;
}

CursorModel::CursorModel(std::unique_ptr<access::OraCursor> cursor, QObject *parent)
    : QAbstractTableModel(parent), m_cursor(std::move(cursor))
{
    m_headers << QString();
    if (m_cursor)
        for (const std::string &c : m_cursor->columnNames())
            m_headers << QString::fromStdString(c);
}

CursorModel::~CursorModel() = default;

bool CursorModel::exhausted() const { return !m_cursor || m_cursor->IsEOF(); }

void CursorModel::store(const std::vector<std::vector<access::OraValue>> &rows)
{
    for (const auto &row : rows) {
        std::size_t need = 0;
        for (const auto &v : row)
            need += 4 + v.toString().size();
        if (m_chunks.empty() || m_chunks.back().size() + need > m_chunks.back().capacity()) {
            m_chunks.emplace_back();
            m_chunks.back().reserve(std::max(kChunk, need));
        }
        std::string &chunk = m_chunks.back();
        m_rowStart.push_back((static_cast<std::uint64_t>(m_chunks.size() - 1) << 32) | chunk.size());
        for (const auto &v : row) {
            const std::string &s = v.toString();
            const auto len = static_cast<std::uint32_t>(s.size());
            chunk.append(reinterpret_cast<const char *>(&len), 4);
            chunk.append(s);
        }
    }
}

int CursorModel::fetchRows(int rows)
{
    if (exhausted() || m_failed || rows <= 0)
        return 0;
    std::vector<std::vector<access::OraValue>> batch;
    batch.reserve(static_cast<std::size_t>(rows));
    m_cursor->Fetch(static_cast<std::size_t>(rows), batch);
    if (batch.empty())
        return 0;
    const int first = static_cast<int>(m_rowStart.size()) + 1;
    beginInsertRows({}, first, first + static_cast<int>(batch.size()) - 1);
    store(batch);
    endInsertRows();
    return static_cast<int>(batch.size());
}

QString CursorModel::text(int row, int col) const
{
    if (row == 0)
        return col >= 0 && col < m_headers.size() ? m_headers[col] : QString();
    if (row < 1 || row > static_cast<int>(m_rowStart.size()) || col < 0 || col >= m_headers.size())
        return {};
    if (col == 0)
        return QString::number(row);
    const std::uint64_t at = m_rowStart[static_cast<std::size_t>(row - 1)];
    const std::string &chunk = m_chunks[static_cast<std::size_t>(at >> 32)];
    std::size_t p = static_cast<std::size_t>(at & 0xffffffffu);
    for (int c = 1;; ++c) {
        std::uint32_t len;
        std::memcpy(&len, chunk.data() + p, 4);
        p += 4;
        if (c == col)
            return QString::fromUtf8(chunk.data() + p, static_cast<qsizetype>(len));
        p += len;
    }
}

std::size_t CursorModel::bytesHeld() const
{
    std::size_t n = m_rowStart.capacity() * sizeof(std::uint64_t);
    for (const std::string &c : m_chunks)
        n += c.capacity();
    return n;
}

int CursorModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rowStart.size()) + 1;
}

int CursorModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_headers.size(); }

QVariant CursorModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return text(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return index.column() == 0 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole: return index.column() == 0 ? QVariant(QColor(0x70, 0x70, 0x70)) : QVariant();
    case Qt::BackgroundRole: return index.column() == 0 ? QVariant(QColor(0xEE, 0xEF, 0xF2)) : QVariant();
    default: return {};
    }
}

QVariant CursorModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    return o == Qt::Horizontal ? QVariant(text(0, section)) : QVariant(section);
}

Qt::ItemFlags CursorModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool CursorModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_failed && !exhausted();
}

void CursorModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid())
        return;
    try {
        fetchRows(kBatch);
    } catch (...) {
        m_failed = true;
        if (onFetchError)
            onFetchError(std::current_exception());
    }
}

} // namespace monitor
