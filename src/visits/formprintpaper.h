#pragma once

#include "widgets/platform.h"

#include <QDialog>

class QPushButton;

namespace ktv {

class ReceiptPrinter;

class DataSource;
class Database;
class DBNavigator;
class Query;
class TDataModule1;

// Receipt printing: any visit, newest first, and its receipt on the default printer. Reads only.
class TFormPrintpaper : public QDialog
{
    Q_OBJECT
public:
    TFormPrintpaper(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    Query *Query1() const { return m_visits; }
    DBNavigator *DBNavigator1() const { return m_navigator; }
    QPushButton *BitBtnSelectliushuihao() const { return m_select; }
    QPushButton *BitBtnPrint() const { return m_print; }

    void FormCreate();
    void BitBtnSelectliushuihaoClick();
    void BitBtnPrintClick();

private:
    void buildScreen();
    void printPage(const QStringList &texts);
    QStringList chargeLines() const;

    Database &m_db;
    Platform m_platform;
    Query *m_visits;
    DataSource *m_source;
    DBNavigator *m_navigator = nullptr;
    QPushButton *m_select = nullptr;
    QPushButton *m_print = nullptr;
};

// Prints the lines as a receipt is printed: one page on the default printer, in the receipt's place and font.
void printLines(ReceiptPrinter &printer, const QStringList &texts);

} // namespace ktv
