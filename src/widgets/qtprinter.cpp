#include "qtprinter.h"

#include "printservice.h"

#include "store/storeerror.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <utility>

namespace ktv {

namespace {

const QString kNoPrinter = QStringLiteral("没有可用的打印机：请先在系统中安装打印机并设为默认打印机。");

} // namespace

QtReceiptPrinter::QtReceiptPrinter() : QtReceiptPrinter(std::make_unique<SystemPrintService>()) {}

QtReceiptPrinter::QtReceiptPrinter(std::unique_ptr<PrintService> service, const QString &pdfFile)
    : m_service(std::move(service)), m_pdfFile(pdfFile)
{}

QtReceiptPrinter::~QtReceiptPrinter()
{
    abortDocument();
}

void QtReceiptPrinter::beginDocument()
{
    abortDocument(); // a document left begun by a failed receipt goes first
    const PrinterDescription described = m_service->defaultPrinter();
    if (described.name.isEmpty())
        throw StoreError(kNoPrinter);
    if (!described.acceptsJobs)
        throw StoreError(QStringLiteral("打印服务拒绝了这张小票：打印机“%1”现在不接受打印任务，小票没有打印出来。"
                                        "请在系统的打印机设置中让它接受任务，再打印一次。")
                             .arg(described.name));
    if (described.stopped)
        throw StoreError(QStringLiteral("打印机“%1”已停止或出错，小票现在打印不出来。请检查打印机的纸、电源和连接，"
                                        "在系统的打印机设置中让它恢复工作，再打印一次。")
                             .arg(described.name));
    m_printer = makePrinter(described);
    m_printer->setDocName(QStringLiteral("小票"));
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
        const QString name = m_pdfFile.isEmpty() ? described.name : m_pdfFile;
        m_painter.reset();
        m_printer.reset();
        throw StoreError(QStringLiteral("打印机 %1 无法开始打印，请检查打印机。").arg(name));
    }
}

std::unique_ptr<QPrinter> QtReceiptPrinter::makePrinter(const PrinterDescription &described) const
{
    std::unique_ptr<QPrinter> printer;
    if (m_pdfFile.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(described.name);
        if (info.isNull())
            throw StoreError(kNoPrinter);
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(m_pdfFile);
    }
    // Qt gives a new printer its own default paper, not the printer's: a roll printer would feed a whole A4
    // page per receipt. The orientation stays the one the printer's engine set up for it.
    printer->setPageSize(described.pageSize.isValid() ? described.pageSize : QPageSize(QPageSize::A4));
    return printer;
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
    // Where the platform reports the job's fate when the document ends, a failed or aborted job is no receipt.
    const QPrinter::PrinterState state = m_printer->printerState();
    const bool failed = !ended || state == QPrinter::Error || state == QPrinter::Aborted;
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
