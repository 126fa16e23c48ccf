#include "reportprint.h"

#include "store/gbk.h"
#include "widgets/platform.h"

#include <algorithm>

namespace ktv::reports {

namespace {

const QString kFont = QStringLiteral("宋体");
constexpr int kPointSize = 10;
constexpr int kSmallestPointSize = 5;
constexpr int kColumnGap = 2; // in half-width characters

// Columns measured in half-width characters: in the report font a Chinese character is two of them, so the
// GBK width of a text is its width on paper.
struct Layout
{
    QList<int> widths;
    int total = 0;

    explicit Layout(const ReportTable &table)
    {
        for (const ReportColumn &column : table.columns)
            widths.append(gbk::width(column.caption));
        for (const QStringList &row : table.rows) {
            for (qsizetype i = 0; i < row.size() && i < widths.size(); ++i)
                widths[i] = std::max(widths[i], gbk::width(row[i]));
        }
        for (int w : std::as_const(widths))
            total += w + kColumnGap;
    }
};

class Pages
{
public:
    Pages(ReceiptPrinter &printer, const ReportTable &table) : m_printer(printer), m_table(table), m_layout(table)
    {
        const QSize area = printer.pageArea();
        m_margin = area.width() / 20;
        m_bottom = area.height() - m_margin;
        printer.setClearBrush();
        int pointSize = kPointSize;
        printer.setFont(kFont, pointSize);
        m_lineHeight = printer.lineHeight();
        // A half-width character is about half a line's height wide.
        const int available = area.width() - 2 * m_margin;
        const int needed = m_layout.total * m_lineHeight / 2;
        if (needed > available) {
            pointSize = std::max(kSmallestPointSize, pointSize * available / needed);
            printer.setFont(kFont, pointSize);
            m_lineHeight = printer.lineHeight();
        }
        m_unit = std::max(1, m_lineHeight / 2);
        m_y = m_margin;
    }

    void text(const QString &line)
    {
        room();
        if (!line.isEmpty())
            m_printer.drawText(m_margin, m_y, line);
        m_y += m_lineHeight;
    }

    void header()
    {
        row(m_table.captions());
    }

    void rows()
    {
        for (const QStringList &cells : m_table.rows) {
            if (m_y + m_lineHeight > m_bottom) {
                m_printer.newPage();
                m_y = m_margin;
                header();
            }
            row(cells);
        }
    }

private:
    void room()
    {
        if (m_y + m_lineHeight > m_bottom) {
            m_printer.newPage();
            m_y = m_margin;
        }
    }

    void row(const QStringList &cells)
    {
        int x = m_margin;
        for (qsizetype i = 0; i < cells.size() && i < m_layout.widths.size(); ++i) {
            const int width = m_layout.widths[i];
            const int shift = m_table.columns[i].numeric ? width - gbk::width(cells[i]) : 0;
            if (!cells[i].isEmpty())
                m_printer.drawText(x + shift * m_unit, m_y, cells[i]);
            x += (width + kColumnGap) * m_unit;
        }
        m_y += m_lineHeight;
    }

    ReceiptPrinter &m_printer;
    const ReportTable &m_table;
    Layout m_layout;
    int m_margin = 0;
    int m_bottom = 0;
    int m_lineHeight = 1;
    int m_unit = 1;
    int m_y = 0;
};

} // namespace

void printReport(ReceiptPrinter &printer, const QString &pdfFile, const QString &title, const ReportTable &table)
{
    if (pdfFile.isEmpty())
        printer.beginDocument();
    else
        printer.beginPdfDocument(pdfFile);
    try {
        Pages pages(printer, table);
        pages.text(title);
        pages.text(QString());
        pages.header();
        pages.rows();
        printer.endDocument();
    } catch (...) {
        printer.abortDocument();
        throw;
    }
}

} // namespace ktv::reports
