#pragma once

#include "widgets/platform.h"

#include <memory>

class QPainter;
class QPrinter;

namespace ktv {

class PrintService;
struct PrinterDescription;

// The receipt printer on Qt's printing: the default printer the print service describes, on its own default
// paper in the orientation its print engine gives it (A4 when it names no paper), at its own resolution. A
// printer whose queue refuses jobs, or that is stopped, is reported before anything is printed.
class QtReceiptPrinter : public ReceiptPrinter
{
public:
    QtReceiptPrinter(); // the system's print service
    // With a file named, the page goes into that PDF file instead of to the printer (used to check a page).
    explicit QtReceiptPrinter(std::unique_ptr<PrintService> service, const QString &pdfFile = {});
    ~QtReceiptPrinter() override;

    void beginDocument() override;
    void setClearBrush() override;
    void setFont(const QString &name, int pointSize) override;
    int lineHeight() override;
    void drawText(int x, int y, const QString &text) override;
    void endDocument() override;
    void abortDocument() override;
    void beginPdfDocument(const QString &file) override;
    QSize pageArea() override;
    void newPage() override;

private:
    std::unique_ptr<QPrinter> makePrinter(const PrinterDescription &described) const;
    QPainter &painter() const; // the painter of the begun document

    std::unique_ptr<PrintService> m_service;
    QString m_pdfFile;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
};

} // namespace ktv
