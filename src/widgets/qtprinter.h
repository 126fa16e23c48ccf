#pragma once

#include "widgets/platform.h"

#include <memory>

class QPainter;
class QPrinter;

namespace ktv {

// The receipt printer on Qt's printing: the system's default printer at its own resolution, or a PDF file
// when one is named (used to check a printed page).
class QtReceiptPrinter : public ReceiptPrinter
{
public:
    QtReceiptPrinter();
    explicit QtReceiptPrinter(const QString &pdfFile);
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
    QPainter &painter() const; // the painter of the begun document

    QString m_pdfFile;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
};

} // namespace ktv
