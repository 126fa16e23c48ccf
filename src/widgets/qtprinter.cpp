#include "qtprinter.h"

#include "store/storeerror.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <utility>

namespace ktv {

QtReceiptPrinter::QtReceiptPrinter() = default;

QtReceiptPrinter::QtReceiptPrinter(const QString &pdfFile) : m_pdfFile(pdfFile) {}

QtReceiptPrinter::~QtReceiptPrinter()
{
    abortDocument();
}

void QtReceiptPrinter::beginDocument()
{
    abortDocument(); // a document left begun by a failed receipt goes first
    if (m_pdfFile.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            throw StoreError(QStringLiteral("没有可用的打印机：请先在系统中安装打印机并设为默认打印机。"));
        m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(m_pdfFile);
    }
    m_printer->setDocName(QStringLiteral("小票"));
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
        const QString name = m_pdfFile.isEmpty() ? m_printer->printerName() : m_pdfFile;
        m_painter.reset();
        m_printer.reset();
        throw StoreError(QStringLiteral("打印机 %1 无法开始打印，请检查打印机。").arg(name));
    }
}

QPainter &QtReceiptPrinter::painter() const
{
    if (!m_painter || !m_painter->isActive())
        throw StoreError(QStringLiteral("打印文档没有开始，无法打印。"));
    return *m_painter;
}

void QtReceiptPrinter::setClearBrush()
{
    QPainter &p = painter();
    p.setBrush(Qt::NoBrush);
    p.setBackgroundMode(Qt::TransparentMode);
}

void QtReceiptPrinter::setFont(const QString &name, int pointSize)
{
    QFont font(name);
    font.setPointSize(pointSize);
    painter().setFont(font);
}

int QtReceiptPrinter::lineHeight()
{
    return painter().fontMetrics().height();
}

void QtReceiptPrinter::drawText(int x, int y, const QString &text)
{
    QPainter &p = painter();
    // QPainter places text by its baseline; the receipt gives the top of the line.
    p.drawText(QPoint(x, y + p.fontMetrics().ascent()), text);
}

void QtReceiptPrinter::endDocument()
{
    QPainter &p = painter();
    const bool ended = p.end();
    const bool failed = !ended || m_printer->printerState() == QPrinter::Error;
    m_painter.reset();
    m_printer.reset();
    if (failed)
        throw StoreError(QStringLiteral("打印出错，小票没有打印出来，请检查打印机。"));
}

void QtReceiptPrinter::abortDocument()
{
    if (m_painter && m_painter->isActive()) {
        m_printer->abort();
        m_painter->end();
    }
    m_painter.reset();
    m_printer.reset();
}

void QtReceiptPrinter::beginPdfDocument(const QString &file)
{
    const QString printerFile = std::exchange(m_pdfFile, file);
    try {
        beginDocument();
    } catch (...) {
        m_pdfFile = printerFile;
        throw;
    }
    m_pdfFile = printerFile;
}

QSize QtReceiptPrinter::pageArea()
{
    painter();
    return m_printer->pageRect(QPrinter::DevicePixel).size().toSize();
}

void QtReceiptPrinter::newPage()
{
    painter();
    if (!m_printer->newPage())
        throw StoreError(QStringLiteral("打印机无法换页，没有打印完，请检查打印机。"));
}

} // namespace ktv
