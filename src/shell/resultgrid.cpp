#include "resultgrid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextDocument>

namespace shell {

ResultGridModel::ResultGridModel(QObject *parent) : QAbstractTableModel(parent)
{
    m_header.resize(1);
    m_autoNumber.assign(2, false);
}

void ResultGridModel::setHeaders(const QStringList &captions, bool numbered)
{
    beginResetModel();
    m_numbered = numbered;
    m_cols = static_cast<int>(captions.size()) + (numbered ? 1 : 0);
    m_header.clear();
    if (numbered)
        m_header.emplace_back();
    m_header.insert(m_header.end(), captions.begin(), captions.end());
    m_cells = std::vector<QString>(static_cast<std::size_t>(dataCols()));
    m_autoNumber.assign(2, false);
    m_numberTexts.clear();
    m_blankPending = true;
    m_current = 1;
    endResetModel();
}

void ResultGridModel::reset()
{
    beginResetModel();
    m_cells = std::vector<QString>(static_cast<std::size_t>(dataCols()));
    m_autoNumber.assign(2, false);
    m_numberTexts.clear();
    m_blankPending = true;
    m_current = 1;
    endResetModel();
    emit currentRowChanged(m_current);
}

void ResultGridModel::setRows(int n)
{
    n = std::max(n, 1);
    int old = rows();
    const auto cellsFor = [&](int rowCount) {
        return static_cast<std::size_t>(rowCount - 1) * static_cast<std::size_t>(dataCols());
    };
    if (n > old) {
        beginInsertRows({}, old, n - 1);
        m_cells.resize(cellsFor(n));
        m_autoNumber.resize(static_cast<std::size_t>(n), false);
        endInsertRows();
    } else if (n < old) {
        beginRemoveRows({}, n, old - 1);
        m_cells.resize(cellsFor(n));
        m_autoNumber.resize(static_cast<std::size_t>(n));
        for (auto it = m_numberTexts.begin(); it != m_numberTexts.end();)
            it = it->first >= n ? m_numberTexts.erase(it) : std::next(it);
        endRemoveRows();
        if (m_current >= n)
            setCurrentRow(n - 1);
    }
    if (n != 2)
        m_blankPending = false;
}

QString ResultGridModel::text(int row, int col) const
{
    if (row < 0 || row >= rows() || col < 0 || col >= m_cols)
        return {};
    if (row == 0)
        return m_header[static_cast<std::size_t>(col)];
    if (m_numbered && col == 0) {
        auto it = m_numberTexts.find(row);
        if (it != m_numberTexts.end())
            return it->second;
        return m_autoNumber[static_cast<std::size_t>(row)] ? QString::number(row) : QString();
    }
    return m_cells[static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(dataCols()) + (col - lead())];
}

void ResultGridModel::setText(int row, int col, const QString &t)
{
    if (row < 0 || col < 0 || col >= m_cols)
        return;
    if (row >= rows())
        setRows(row + 1);
    if (row == 0)
        m_header[static_cast<std::size_t>(col)] = t;
    else if (m_numbered && col == 0)
        m_numberTexts[row] = t;
    else
        cell(row, col - lead()) = t;
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
    const int cols = dataCols();
    if (cols <= 0) {
        // A numbered grid without data columns: the row holds its running number only.
        if (m_blankPending && rows() >= 2) {
            m_blankPending = false;
            m_autoNumber[1] = true;
            emit dataChanged(index(1, 0), index(1, m_cols - 1));
            return 1;
        }
        const int at = rows();
        beginInsertRows({}, at, at);
        m_autoNumber.push_back(m_numbered);
        endInsertRows();
        return at;
    }
    std::vector<QString> cells(values.begin(), values.begin() + std::min<qsizetype>(values.size(), cols));
    cells.resize(static_cast<std::size_t>(cols));
    const bool reuse = m_blankPending && rows() >= 2;
    addRowCells(std::move(cells), cols);
    return reuse ? 1 : rows() - 1;
}

void ResultGridModel::addRows(std::vector<QStringList> more)
{
    if (more.empty())
        return;
    const int cols = dataCols();
    if (cols <= 0) {
        for (const QStringList &r : more)
            addRow(r);
        return;
    }
    std::vector<QString> cells;
    cells.reserve(more.size() * static_cast<std::size_t>(cols));
    for (QStringList &r : more)
        for (int c = 0; c < cols; ++c)
            cells.push_back(c < r.size() ? std::move(r[c]) : QString());
    addRowCells(std::move(cells), cols);
}

void ResultGridModel::addRowCells(std::vector<QString> cells, int columns)
{
    const int cols = dataCols();
    if (columns <= 0 || cells.empty() || cols <= 0)
        return;
    const std::size_t per = static_cast<std::size_t>(columns);
    const std::size_t count = (cells.size() + per - 1) / per;
    cells.resize(count * per);
    if (columns != cols) {
        // Laid out again with the grid's own width: extra texts dropped, missing ones blank.
        std::vector<QString> fitted(count * static_cast<std::size_t>(cols));
        const int take = std::min(columns, cols);
        for (std::size_t r = 0; r < count; ++r)
            for (int c = 0; c < take; ++c)
                fitted[r * static_cast<std::size_t>(cols) + c] = std::move(cells[r * per + c]);
        cells = std::move(fitted);
    }
    const std::size_t width = static_cast<std::size_t>(cols);
    const bool blank = m_blankPending && rows() >= 2;
    m_blankPending = false;
    const int at = rows();               // where the rows after the blank one go
    std::size_t appended = blank ? count - 1 : count;
    if (appended > 0)
        beginInsertRows({}, at, at + static_cast<int>(appended) - 1);
    if (blank && m_cells.size() == width) {
        // Only the blank row so far: the texts become the grid's storage as they are.
        m_cells = std::move(cells);
    } else {
        std::size_t skip = 0;
        if (blank) {
            std::move(cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(width),
                      m_cells.begin());
            skip = width;
        }
        m_cells.insert(m_cells.end(), std::make_move_iterator(cells.begin() + static_cast<std::ptrdiff_t>(skip)),
                       std::make_move_iterator(cells.end()));
    }
    if (blank)
        m_autoNumber[1] = m_numbered;
    m_autoNumber.resize(m_autoNumber.size() + appended, m_numbered);
    if (appended > 0)
        endInsertRows();
    if (blank)
        emit dataChanged(index(1, 0), index(1, m_cols - 1));
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

namespace {

// Paints a cell that has a background of its own (warning, alarm) in that colour
// even when its row is selected, and shows the selection as a frame instead.
class KeepBackgroundDelegate : public QStyledItemDelegate {
public:
    explicit KeepBackgroundDelegate(QTableView *view) : QStyledItemDelegate(view), m_view(view) {}

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QVariant bg = index.data(Qt::BackgroundRole);
        // Every other shown row on the alternate base. The view's own alternating colours
        // walk every row above the viewport on each paint once a row is hidden (row 0 is),
        // which made scrolling far into a long result slower the further it went.
        const int shown = index.row() - (index.row() > 0 && m_view->isRowHidden(0) ? 1 : 0);
        if (shown % 2 == 1 && !bg.isValid()) p->fillRect(option.rect, option.palette.alternateBase());
        if (!(option.state & QStyle::State_Selected) || !bg.isValid()) {
            QStyledItemDelegate::paint(p, option, index);
            return;
        }
        QStyleOptionViewItem plain(option);
        plain.state &= ~QStyle::State_Selected;
        QStyledItemDelegate::paint(p, plain, index);
        p->save();
        QPen pen(option.palette.color(QPalette::Highlight), 2);
        p->setPen(pen);
        p->setBrush(Qt::NoBrush);
        p->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
        p->restore();
    }

private:
    QTableView *m_view;
};

// One CSV field (RFC 4180): quoted when it holds a comma, a quote or a line
// break, with its quotes doubled.
QString csvField(const QString &text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n') && !text.contains('\r'))
        return text;
    QString q = text;
    q.replace('"', "\"\"");
    return '"' + q + '"';
}

// One cell of tab-separated clipboard text: quoted the same way when it holds a
// tab, a quote or a line break, so that spreadsheets read it back as one cell.
QString tsvField(const QString &text)
{
    if (!text.contains('\t') && !text.contains('"') && !text.contains('\n') && !text.contains('\r'))
        return text;
    QString q = text;
    q.replace('"', "\"\"");
    return '"' + q + '"';
}

} // namespace

ResultGrid::ResultGrid(const QString &objectName, QWidget *parent)
    : QTableView(parent), m_model(new ResultGridModel(this))
{
    setObjectName(objectName);
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(false);   // painted by the delegate, see KeepBackgroundDelegate
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
    setItemDelegate(new KeepBackgroundDelegate(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setMinimumSectionSize(24);
    syncHiddenHeaderRow();
    fitHeaderCaptions();
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        syncHiddenHeaderRow();
        fitHeaderCaptions();
    });
    connect(m_model, &QAbstractItemModel::headerDataChanged, this, [this] { fitHeaderCaptions(); });
    buildContextMenu();
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
    // The header draws its captions heavier than the cells: never leave one cut.
    fitHeaderCaptions();
}

} // namespace shell

namespace shell {

void ResultGrid::fitHeaderCaptions()
{
    QFont bold = horizontalHeader()->font();
    bold.setWeight(QFont::DemiBold);
    const QFontMetrics fm(bold);
    QAbstractItemModel *m = model();
    for (int c = 0; c < m->columnCount(); ++c) {
        const int need = fm.horizontalAdvance(m->headerData(c, Qt::Horizontal).toString()) + 20;
        if (columnWidth(c) < need)
            setColumnWidth(c, need);
    }
}

QSize ResultGrid::sizeHint() const
{
    int w = 2 * frameWidth() + verticalScrollBar()->sizeHint().width() + 2;
    for (int c = 0; c < model()->columnCount(); ++c)
        if (!isColumnHidden(c))
            w += columnWidth(c);
    const int rowsShown = std::clamp(model()->rowCount() - 1, 6, 12);
    int h = 2 * frameWidth() + horizontalHeader()->sizeHint().height() +
            rowsShown * verticalHeader()->defaultSectionSize() + horizontalScrollBar()->sizeHint().height();
    return {std::min(w, 1600), h};
}

void ResultGrid::buildContextMenu()
{
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto add = [this](const QString &caption, const char *name, const QKeySequence &keys, auto slot) {
        auto *a = new QAction(caption, this);
        a->setObjectName(name);
        if (!keys.isEmpty()) {
            a->setShortcut(keys);
            a->setShortcutContext(Qt::WidgetShortcut);
        }
        connect(a, &QAction::triggered, this, slot);
        addAction(a);
        return a;
    };
    add("&Copy", "GridCopy", QKeySequence::Copy, [this] { copySelection(false); });
    add("Copy with &headers", "GridCopyHeaders", {}, [this] { copySelection(true); });
    add("Select &all", "GridSelectAll", QKeySequence::SelectAll, [this] { selectAll(); });
    auto *sep = new QAction(this);
    sep->setSeparator(true);
    addAction(sep);
    add("&Export to CSV...", "GridExportCsv", {}, [this] { exportCsvInteractive(); });
    add("&Print...", "GridPrint", {}, [this] { printInteractive(); });
}

bool ResultGrid::event(QEvent *e)
{
    // The grid's own Copy and Select all win over the frame's Edit menu keys
    // while the grid has the focus.
    if (e->type() == QEvent::ShortcutOverride) {
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->matches(QKeySequence::Copy) || k->matches(QKeySequence::SelectAll)) {
            e->accept();
            return true;
        }
    }
    return QTableView::event(e);
}

void ResultGrid::showEvent(QShowEvent *e)
{
    // Widths a window set by hand still show each caption in full.
    fitHeaderCaptions();
    QTableView::showEvent(e);
}

void ResultGrid::keyPressEvent(QKeyEvent *e)
{
    if (e->matches(QKeySequence::Copy)) {
        copySelection(false);
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::SelectAll)) {
        selectAll();
        e->accept();
        return;
    }
    QTableView::keyPressEvent(e);
}

QString ResultGrid::cellText(int row, int col) const
{
    return model()->data(model()->index(row, col), Qt::DisplayRole).toString();
}

QList<int> ResultGrid::dataRowIndexes() const
{
    QList<int> rows;
    if (m_model->dataRows() == 0)
        return rows;                         // only the blank row left by reset()
    for (int r = 1; r < model()->rowCount(); ++r)
        if (!isRowHidden(r))
            rows.append(r);
    return rows;
}

QList<int> ResultGrid::dataColumnIndexes() const
{
    QList<int> cols;
    for (int c = m_model->numbered() ? 1 : 0; c < model()->columnCount(); ++c)
        if (!isColumnHidden(c))
            cols.append(c);
    return cols;
}

QString ResultGrid::selectionText(bool withHeaders) const
{
    const QList<int> cols = dataColumnIndexes();
    QStringList lines;
    if (withHeaders) {
        QStringList h;
        for (int c : cols)
            h.append(tsvField(model()->headerData(c, Qt::Horizontal).toString()));
        lines.append(h.join('\t'));
    }
    const QItemSelectionModel *sel = selectionModel();
    for (int r : dataRowIndexes()) {
        QStringList cells;
        bool any = false;
        for (int c : cols) {
            const bool picked = sel && sel->isSelected(model()->index(r, c));
            any = any || picked;
            cells.append(picked ? tsvField(cellText(r, c)) : QString());
        }
        if (any)
            lines.append(cells.join('\t'));
    }
    return lines.join('\n');
}

void ResultGrid::copySelection(bool withHeaders) const
{
    QApplication::clipboard()->setText(selectionText(withHeaders));
}

QString ResultGrid::csvText() const
{
    const QList<int> cols = dataColumnIndexes();
    QString out;
    QStringList h;
    for (int c : cols)
        h.append(csvField(model()->headerData(c, Qt::Horizontal).toString()));
    out += h.join(',') + "\r\n";
    for (int r : dataRowIndexes()) {
        QStringList cells;
        for (int c : cols)
            cells.append(csvField(cellText(r, c)));
        out += cells.join(',') + "\r\n";
    }
    return out;
}

bool ResultGrid::exportCsv(const QString &path, QString *error) const
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    const QByteArray bytes = csvText().toUtf8();
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        if (error)
            *error = f.errorString();
        f.close();
        f.remove();                           // no half-written export left behind
        return false;
    }
    f.close();
    return true;
}

QString ResultGrid::htmlTable() const
{
    const QList<int> cols = dataColumnIndexes();
    QString html = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>";
    for (int c : cols)
        html += "<th align=\"left\">" + model()->headerData(c, Qt::Horizontal).toString().toHtmlEscaped() + "</th>";
    html += "</tr>";
    for (int r : dataRowIndexes()) {
        html += "<tr>";
        for (int c : cols)
            html += "<td>" + cellText(r, c).toHtmlEscaped().replace('\n', "<br>") + "</td>";
        html += "</tr>";
    }
    return html + "</table>";
}

void ResultGrid::print(QPrinter &printer) const
{
    QTextDocument doc;
    QFont f = font();
    f.setPointSizeF(8);
    doc.setDefaultFont(f);
    QString title = window() ? window()->windowTitle() : QString();
    doc.setHtml("<h3>" + title.toHtmlEscaped() + "</h3>" + htmlTable());
    doc.print(&printer);
}

void ResultGrid::exportCsvInteractive()
{
    const QString path = QFileDialog::getSaveFileName(this, "Export to CSV", objectName() + ".csv",
                                                      "CSV files (*.csv);;All files (*)");
    if (path.isEmpty())
        return;
    QString error;
    if (!exportCsv(path, &error))
        QMessageBox::critical(this, "Export to CSV", "The file " + path + " could not be written:\n" + error);
}

void ResultGrid::printInteractive()
{
    QPrinter printer;
    QPrintDialog dlg(&printer, this);
    dlg.setObjectName("GridPrintDialog");
    if (dlg.exec() == QDialog::Accepted)
        print(printer);
}

} // namespace shell
