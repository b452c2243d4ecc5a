#include "reportdocument.h"

#include "localdb.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <memory>

namespace report {

namespace {

QString formatValue(const localdb::Value &v, int decimals)
{
    if (decimals < 0 || v.isNull())
        return QString::fromStdString(v.toString());
    bool numeric = v.kind() == localdb::Value::Kind::Integer || v.kind() == localdb::Value::Kind::Double;
    if (!numeric) {
        QString t = QString::fromStdString(v.toString()).trimmed();
        t.toDouble(&numeric);
        if (!numeric)
            return QString::fromStdString(v.toString());
    }
    return QString::number(v.toDouble(), 'f', decimals);
}

bool isTrue(const localdb::Value &v)
{
    if (v.isNull())
        return false;
    if (v.kind() == localdb::Value::Kind::Text) {
        const QString t = QString::fromStdString(v.toString()).trimmed();
        bool ok = false;
        const double d = t.toDouble(&ok);
        return ok ? d != 0 : !t.isEmpty();
    }
    return v.toDouble() != 0;
}

std::string upper(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Height of `text` wrapped into `width` (at word boundaries, or anywhere when a
// word is longer than the line).
double wrappedHeight(const QFont &font, QPaintDevice &device, const QString &text, double width)
{
    if (text.isEmpty())
        return QFontMetricsF(font, &device).height();
    QTextLayout layout(text, font, &device);
    QTextOption opt;
    opt.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(opt);
    double h = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(1.0, width));
        h += line.height();
    }
    layout.endLayout();
    return h;
}

Qt::Alignment qtAlign(Align a)
{
    switch (a) {
    case Align::Right:
        return Qt::AlignRight;
    case Align::Center:
        return Qt::AlignHCenter;
    case Align::Left:
        break;
    }
    return Qt::AlignLeft;
}

// Widths that fill `avail`: columns whose natural width fits their fair share
// keep it; the rest share what is left (and wrap). Spare room goes to the
// left-aligned (text) columns.
std::vector<double> columnWidths(const std::vector<double> &natural, const std::vector<bool> &text, double avail)
{
    const std::size_t n = natural.size();
    std::vector<double> w(natural);
    double sum = 0;
    for (double x : natural)
        sum += x;
    if (sum <= avail) {
        double textSum = 0;
        for (std::size_t i = 0; i < n; ++i)
            textSum += text[i] ? natural[i] : 0;
        const double spare = avail - sum;
        for (std::size_t i = 0; i < n; ++i)
            w[i] += textSum > 0 ? (text[i] ? spare * natural[i] / textSum : 0) : spare / n;
        return w;
    }
    std::vector<bool> fixed(n, false);
    double remaining = avail;
    std::size_t open = n;
    while (open > 0) {
        const double fair = remaining / open;
        bool changed = false;
        for (std::size_t i = 0; i < n; ++i)
            if (!fixed[i] && natural[i] <= fair) {
                fixed[i] = true;
                remaining -= natural[i];
                --open;
                changed = true;
            }
        if (!changed) {
            for (std::size_t i = 0; i < n; ++i)
                if (!fixed[i])
                    w[i] = fair;
            break;
        }
    }
    return w;
}

struct Fonts {
    QFont title, subtitle, small, note, heading, cell, bold, group;
    Fonts()
    {
        QFont base("DejaVu Sans");
        base.setStyleHint(QFont::SansSerif);
        // No ligatures: "ff" in "db_block_buffers" must stay two letters for
        // anyone searching or copying text out of the PDF.
        base.setStyleStrategy(QFont::PreferNoShaping);
        title = base;
        title.setPointSizeF(15);
        title.setBold(true);
        subtitle = base;
        subtitle.setPointSizeF(10.5);
        small = base;
        small.setPointSizeF(7.5);
        note = small;
        note.setPointSizeF(8);
        note.setItalic(true);
        heading = base;
        heading.setPointSizeF(8.5);
        heading.setBold(true);
        cell = base;
        cell.setPointSizeF(8.5);
        bold = cell;
        bold.setBold(true);
        group = base;
        group.setPointSizeF(9.5);
        group.setBold(true);
    }
};

const QColor kInk(0x1d, 0x22, 0x2b), kMuted(0x5c, 0x64, 0x70), kHeadingBand(0xd9, 0xe0, 0xea),
    kGroupBand(0xe9, 0xed, 0xf3), kStripe(0xf5, 0xf7, 0xfa), kMarkBand(0xf8, 0xd7, 0xd2), kMarkInk(0x8f, 0x1d, 0x12),
    kRule(0x8a, 0x94, 0xa3);

class Layout {
public:
    Layout(const ReportDefinition &def, const ReportData &data, QPaintDevice &device, const QDateTime &printedAt)
        : m_def(def), m_data(data), m_dev(device), m_printed(printedAt)
    {
        m_pt = device.logicalDpiY() / 72.0;
        m_pad = 3 * m_pt;
        m_doc.pageSize = QSizeF(device.width(), device.height());
        m_doc.title = QString::fromStdString(def.title);
        m_doc.landscape = def.landscape;
        m_doc.rowCount = static_cast<int>(data.rows.size());
        QFontMetricsF fm(m_f.small, &m_dev);
        m_footerTop = m_doc.pageSize.height() - fm.height() - 4 * m_pt;
        measureColumns();
    }

    ReportDocument run()
    {
        const auto &rows = m_data.rows;
        if (rows.empty()) {
            startPage(nullptr);
            const double h = QFontMetricsF(m_f.cell, &m_dev).height() + 2 * m_pad;
            text(ReportItem::Summary, QRectF(0, m_y + m_pad, width(), h), QString::fromStdString(m_def.empty),
                 Qt::AlignLeft | Qt::AlignVCenter, m_f.note, kMuted);
            m_y += h;
        }
        QString lastGroup;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const ReportRow &row = rows[r];
            const bool newGroup = !m_def.group.empty() && (r == 0 || row.group != lastGroup);
            lastGroup = row.group;
            const double rowH = rowHeight(row);
            const double groupH = newGroup ? QFontMetricsF(m_f.group, &m_dev).height() + 2 * m_pad : 0;
            if (m_doc.pages.empty() || m_y + groupH + rowH > m_footerTop)
                startPage(&row);
            if (newGroup) {
                band(ReportItem::Group, QRectF(0, m_y, width(), groupH), kGroupBand, -1);
                text(ReportItem::Group, QRectF(m_pad, m_y, width() - 2 * m_pad, groupH), row.group,
                     Qt::AlignLeft | Qt::AlignVCenter, m_f.group, kInk);
                m_y += groupH;
            }
            placeRow(row, static_cast<int>(r), rowH);
            if (row.marked)
                ++m_doc.markedCount;
        }
        if (!rows.empty()) {
            QString summary = QString::number(rows.size()) + (rows.size() == 1 ? " row" : " rows");
            if (!m_def.mark.empty())
                summary += QString(", %1 marked").arg(m_doc.markedCount);
            const double h = QFontMetricsF(m_f.small, &m_dev).height() + 2 * m_pad;
            if (m_y + h > m_footerTop)
                startPage(nullptr);
            rule(m_y);
            text(ReportItem::Summary, QRectF(0, m_y + m_pad, width(), h), summary, Qt::AlignLeft | Qt::AlignTop,
                 m_f.small, kMuted);
        }
        footers();
        return std::move(m_doc);
    }

private:
    double width() const { return m_doc.pageSize.width(); }
    ReportPage &page() { return m_doc.pages.back(); }

    void text(ReportItem::Role role, const QRectF &rect, const QString &t, int flags, const QFont &font,
              const QColor &color, int row = -1, int column = -1)
    {
        ReportItem it;
        it.kind = ReportItem::Text;
        it.role = role;
        it.rect = rect;
        it.text = t;
        it.flags = flags;
        it.font = font;
        it.color = color;
        it.row = row;
        it.column = column;
        page().items.push_back(it);
    }
    void band(ReportItem::Role role, const QRectF &rect, const QColor &fill, int row)
    {
        ReportItem it;
        it.kind = ReportItem::Band;
        it.role = role;
        it.rect = rect;
        it.color = fill;
        it.row = row;
        page().items.push_back(it);
    }
    void rule(double y)
    {
        ReportItem it;
        it.kind = ReportItem::Rule;
        it.role = ReportItem::Footer;
        it.rect = QRectF(0, y, width(), 0);
        it.color = kRule;
        page().items.push_back(it);
    }

    void measureColumns()
    {
        const std::size_t n = m_def.columns.size();
        std::vector<double> natural(n, 0);
        std::vector<bool> isText(n, false);
        QFontMetricsF hm(m_f.heading, &m_dev), cm(m_f.bold, &m_dev);
        const double cap = width() * 0.6;
        for (std::size_t c = 0; c < n; ++c) {
            natural[c] = hm.horizontalAdvance(QString::fromStdString(m_def.columns[c].heading));
            isText[c] = m_def.columns[c].align == Align::Left;
        }
        for (const ReportRow &row : m_data.rows)
            for (std::size_t c = 0; c < n && c < static_cast<std::size_t>(row.cells.size()); ++c)
                natural[c] = std::max(natural[c], std::min(cap, cm.horizontalAdvance(row.cells[int(c)])));
        for (double &x : natural)
            x = std::ceil(x + 2 * m_pad + m_pt);
        m_widths = columnWidths(natural, isText, width());
        m_x.assign(n, 0);
        for (std::size_t c = 1; c < n; ++c)
            m_x[c] = m_x[c - 1] + m_widths[c - 1];
    }

    double rowHeight(const ReportRow &row)
    {
        const QFont &font = row.marked ? m_f.bold : m_f.cell;
        double h = QFontMetricsF(font, &m_dev).height();
        for (std::size_t c = 0; c < m_widths.size() && c < static_cast<std::size_t>(row.cells.size()); ++c)
            h = std::max(h, wrappedHeight(font, m_dev, row.cells[int(c)], m_widths[c] - 2 * m_pad));
        return std::min(h + 2 * m_pad, m_footerTop / 2);
    }

    void placeRow(const ReportRow &row, int index, double h)
    {
        if (row.marked)
            band(ReportItem::Cell, QRectF(0, m_y, width(), h), kMarkBand, index);
        else if (m_stripe % 2)
            band(ReportItem::Cell, QRectF(0, m_y, width(), h), kStripe, index);
        ++m_stripe;
        for (std::size_t c = 0; c < m_widths.size(); ++c) {
            const QString t = c < static_cast<std::size_t>(row.cells.size()) ? row.cells[int(c)] : QString();
            text(ReportItem::Cell, QRectF(m_x[c] + m_pad, m_y + m_pad, m_widths[c] - 2 * m_pad, h - 2 * m_pad), t,
                 qtAlign(m_def.columns[c].align) | Qt::AlignTop, row.marked ? m_f.bold : m_f.cell,
                 row.marked ? kMarkInk : kInk, index, static_cast<int>(c));
        }
        m_y += h;
    }

    // Title, subtitle from the page's first row, printing date, note and headings.
    void startPage(const ReportRow *first)
    {
        m_doc.pages.emplace_back();
        m_stripe = 0;
        QFontMetricsF tm(m_f.title, &m_dev), sm(m_f.subtitle, &m_dev), pm(m_f.small, &m_dev),
            nm(m_f.note, &m_dev), hm(m_f.heading, &m_dev);
        double y = 0;
        const QString printed = "Printed " + m_printed.toString("yyyy-MM-dd HH:mm");
        const double printedW = pm.horizontalAdvance(printed) + m_pt;
        text(ReportItem::Title, QRectF(0, y, width() - printedW - 8 * m_pt, tm.height()), m_doc.title,
             Qt::AlignLeft | Qt::AlignBottom, m_f.title, kInk);
        text(ReportItem::Printed, QRectF(width() - printedW, y, printedW, tm.height()), printed,
             Qt::AlignRight | Qt::AlignBottom, m_f.small, kMuted);
        y += tm.height() + m_pt;
        const QString sub = fillFields(m_def.subtitle, first ? first : (m_data.rows.empty() ? nullptr : &m_data.rows[0]));
        if (!sub.isEmpty()) {
            text(ReportItem::Subtitle, QRectF(0, y, width(), sm.height()), sub, Qt::AlignLeft | Qt::AlignTop,
                 m_f.subtitle, kInk);
            y += sm.height();
        }
        if (!m_def.note.empty()) {
            y += m_pt;
            text(ReportItem::Note, QRectF(0, y, width(), nm.height()), QString::fromStdString(m_def.note),
                 Qt::AlignLeft | Qt::AlignTop, m_f.note, kMarkInk);
            y += nm.height();
        }
        y += 6 * m_pt;
        const double hh = hm.height() + 2 * m_pad;
        band(ReportItem::Heading, QRectF(0, y, width(), hh), kHeadingBand, -1);
        for (std::size_t c = 0; c < m_widths.size(); ++c)
            text(ReportItem::Heading, QRectF(m_x[c] + m_pad, y + m_pad, m_widths[c] - 2 * m_pad, hh - 2 * m_pad),
                 QString::fromStdString(m_def.columns[c].heading),
                 qtAlign(m_def.columns[c].align) | Qt::AlignVCenter, m_f.heading, kInk, -1, static_cast<int>(c));
        m_y = y + hh;
    }

    void footers()
    {
        const int total = static_cast<int>(m_doc.pages.size());
        QFontMetricsF pm(m_f.small, &m_dev);
        for (int i = 0; i < total; ++i) {
            ReportPage &p = m_doc.pages[i];
            const double y = m_footerTop + 2 * m_pt;
            ReportItem r;
            r.kind = ReportItem::Rule;
            r.role = ReportItem::Footer;
            r.rect = QRectF(0, m_footerTop, width(), 0);
            r.color = kRule;
            p.items.push_back(r);
            ReportItem left;
            left.role = ReportItem::Footer;
            left.rect = QRectF(0, y, width() / 2, pm.height());
            left.text = "SQL*Vigil \u2014 " + m_doc.title;
            left.flags = Qt::AlignLeft | Qt::AlignTop;
            left.font = m_f.small;
            left.color = kMuted;
            p.items.push_back(left);
            ReportItem right = left;
            right.rect = QRectF(width() / 2, y, width() / 2, pm.height());
            right.text = QString("Page %1 of %2").arg(i + 1).arg(total);
            right.flags = Qt::AlignRight | Qt::AlignTop;
            p.items.push_back(right);
        }
    }

    const ReportDefinition &m_def;
    const ReportData &m_data;
    QPaintDevice &m_dev;
    QDateTime m_printed;
    Fonts m_f;
    ReportDocument m_doc;
    double m_pt = 1, m_pad = 3, m_y = 0, m_footerTop = 0;
    int m_stripe = 0;
    std::vector<double> m_widths, m_x;
};

} // namespace

QStringList ReportPage::texts(ReportItem::Role role) const
{
    QStringList out;
    for (const ReportItem &it : items)
        if (it.kind == ReportItem::Text && it.role == role)
            out << it.text;
    return out;
}

QString fillFields(const std::string &text, const ReportRow *row)
{
    QString out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t close = text[i] == '{' ? text.find('}', i) : std::string::npos;
        if (close == std::string::npos) {
            out += QString::fromStdString(text.substr(i, 1));
            continue;
        }
        if (row) {
            auto it = row->fields.find(upper(text.substr(i + 1, close - i - 1)));
            if (it != row->fields.end())
                out += it->second;
        }
        i = close;
    }
    return out;
}

ReportData readReportData(const ReportDefinition &def, const std::string &dataFile)
{
    ReportData data;
    try {
        auto db = localdb::Database::OpenDatabase(dataFile, false, true);
        auto rs = db->OpenRecordset(def.source);
        const auto &names = rs->columnNames();
        for (; !rs->IsEOF(); rs->MoveNext()) {
            ReportRow row;
            for (const auto &c : def.columns)
                row.cells << formatValue(rs->Field(c.field), c.decimals);
            if (!def.group.empty())
                row.group = QString::fromStdString((def.groupLabel.empty() ? "" : def.groupLabel + " ") +
                                                   rs->Field(def.group).toString());
            if (!def.mark.empty())
                row.marked = isTrue(rs->Field(def.mark));
            for (const auto &n : names)
                row.fields[upper(n)] = QString::fromStdString(rs->Field(n).toString());
            data.rows.push_back(std::move(row));
        }
        rs->Close();
    } catch (const localdb::DbError &e) {
        throw ReportError(20599, "The report's data cannot be read from " + dataFile + ": " + e.what());
    }
    return data;
}

ReportDocument layoutReport(const ReportDefinition &def, const ReportData &data, QPaintDevice &device,
                            const QDateTime &printedAt)
{
    return Layout(def, data, device, printedAt).run();
}

} // namespace report
