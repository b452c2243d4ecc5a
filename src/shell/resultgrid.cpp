#include "resultgrid.h"

#include <QFont>
#include <QHeaderView>
#include <QPalette>

namespace shell {

ResultGridModel::ResultGridModel(QObject *parent) : QAbstractTableModel(parent)
{
    m_rows.push_back(QStringList{QString()});
    m_rows.push_back(QStringList{QString()});
}

QStringList ResultGridModel::blankRow() const
{
    QStringList r;
    r.reserve(m_cols);
    for (int c = 0; c < m_cols; ++c)
        r.append(QString());
    return r;
}

void ResultGridModel::setHeaders(const QStringList &captions, bool numbered)
{
    beginResetModel();
    m_numbered = numbered;
    QStringList header;
    if (numbered)
        header.append(QString());
    header += captions;
    m_cols = static_cast<int>(header.size());
    m_rows.clear();
    m_rows.push_back(header);
    m_rows.push_back(blankRow());
    m_blankPending = true;
    m_current = 1;
    endResetModel();
}

void ResultGridModel::reset()
{
    beginResetModel();
    m_rows.resize(1);
    m_rows.push_back(blankRow());
    m_blankPending = true;
    m_current = 1;
    endResetModel();
    emit currentRowChanged(m_current);
}

void ResultGridModel::setRows(int n)
{
    n = std::max(n, 1);
    int old = rows();
    if (n > old) {
        beginInsertRows({}, old, n - 1);
        for (int i = old; i < n; ++i)
            m_rows.push_back(blankRow());
        endInsertRows();
    } else if (n < old) {
        beginRemoveRows({}, n, old - 1);
        m_rows.resize(static_cast<std::size_t>(n));
        endRemoveRows();
        if (m_current >= n)
            setCurrentRow(n - 1);
    }
    if (n > 2)
        m_blankPending = false;
}

QString ResultGridModel::text(int row, int col) const
{
    if (row < 0 || row >= rows() || col < 0 || col >= m_cols)
        return {};
    const QStringList &r = m_rows[static_cast<std::size_t>(row)];
    return col < r.size() ? r[col] : QString();
}

void ResultGridModel::setText(int row, int col, const QString &t)
{
    if (row < 0 || col < 0 || col >= m_cols)
        return;
    if (row >= rows())
        setRows(row + 1);
    QStringList &r = m_rows[static_cast<std::size_t>(row)];
    while (r.size() <= col)
        r.append(QString());
    r[col] = t;
    if (row == 1)
        m_blankPending = false;
    emit dataChanged(index(row, col), index(row, col));
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, col, col);
}

int ResultGridModel::dataRows() const
{
    return m_blankPending ? 0 : rows() - 1;
}

int ResultGridModel::addRow(const QStringList &values)
{
    QStringList r;
    r.reserve(m_cols);
    int n = dataRows() + 1;
    if (m_numbered)
        r.append(QString::number(n));
    r += values;
    while (r.size() < m_cols)
        r.append(QString());
    while (r.size() > m_cols)
        r.removeLast();
    if (m_blankPending) {
        m_rows[1] = r;
        m_blankPending = false;
        emit dataChanged(index(1, 0), index(1, m_cols - 1));
        return 1;
    }
    int at = rows();
    beginInsertRows({}, at, at);
    m_rows.push_back(std::move(r));
    endInsertRows();
    return at;
}

void ResultGridModel::addRows(std::vector<QStringList> more)
{
    if (more.empty())
        return;
    std::size_t first = 0;
    if (m_blankPending) {
        addRow(more[0]);
        first = 1;
    }
    if (first >= more.size())
        return;
    int at = rows();
    beginInsertRows({}, at, at + static_cast<int>(more.size() - first) - 1);
    m_rows.reserve(m_rows.size() + more.size());
    int n = dataRows();
    for (std::size_t i = first; i < more.size(); ++i) {
        QStringList r;
        r.reserve(m_cols);
        if (m_numbered)
            r.append(QString::number(++n));
        r += more[i];
        while (r.size() < m_cols)
            r.append(QString());
        while (r.size() > m_cols)
            r.removeLast();
        m_rows.push_back(std::move(r));
    }
    endInsertRows();
}

void ResultGridModel::setCurrentRow(int row)
{
    row = std::clamp(row, 0, rows() - 1);
    if (row == m_current)
        return;
    m_current = row;
    emit currentRowChanged(row);
}

int ResultGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows();
}

int ResultGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant ResultGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    int row = index.row(), col = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(row, col);
    case Qt::TextAlignmentRole:
        if (m_numbered && col == 0)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        if (m_numbered && col == 0)
            return QColor(0x70, 0x70, 0x70);
        return {};
    case Qt::BackgroundRole:
        if (row == 0 || (m_numbered && col == 0))
            return QColor(0xEE, 0xEF, 0xF2);
        return {};
    default:
        return {};
    }
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (o == Qt::Horizontal)
        return text(0, section);
    return section;
}

Qt::ItemFlags ResultGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

// ---------------------------------------------------------------- view

ResultGrid::ResultGrid(const QString &objectName, QWidget *parent)
    : QTableView(parent), m_model(new ResultGridModel(this))
{
    setObjectName(objectName);
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(true);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(true);
    setShowGrid(true);
    setStyleSheet("QTableView { gridline-color: #d8dbe0; }"
                  "QHeaderView::section { background: #e4e7ec; padding: 3px 6px; border: 0px;"
                  " border-right: 1px solid #c8ccd2; border-bottom: 1px solid #b8bcc4; font-weight: 600; }");
    syncHiddenHeaderRow();
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { syncHiddenHeaderRow(); });
    connect(m_model, &ResultGridModel::currentRowChanged, this, [this](int row) {
        if (row > 0 && row < m_model->rows())
            selectRow(row);
        else
            clearSelection();
    });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &i) {
        m_model->setCurrentRow(i.row());
        emit rowClicked(i.row());
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &i) {
        m_model->setCurrentRow(i.row());
        emit rowDoubleClicked(i.row());
    });
}

void ResultGrid::syncHiddenHeaderRow()
{
    // Row 0 is shown by the fixed header above the rows.
    setRowHidden(0, true);
}

void ResultGrid::fitColumns()
{
    const QFontMetrics fm = fontMetrics();
    int sample = std::min(m_model->rows(), 200);
    for (int c = 0; c < m_model->cols(); ++c) {
        int w = fm.horizontalAdvance(m_model->text(0, c)) + 24;
        for (int r = 1; r < sample; ++r)
            w = std::max(w, fm.horizontalAdvance(m_model->text(r, c)) + 14);
        setColumnWidth(c, std::min(w, 420));
    }
}

} // namespace shell
