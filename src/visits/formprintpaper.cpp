#include "formprintpaper.h"

#include "deposit.h"
#include "receipt.h"

#include "store/cursor.h"
#include "store/datamodule.h"
#include "store/datasource.h"
#include "store/fieldvalue.h"
#include "store/reservations.h"
#include "store/tables.h"
#include "widgets/dbedit.h"
#include "widgets/dbnavigator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace ktv {

namespace {

const QString kSerial = QStringLiteral("Openroom_Lishui");

QChar systemDecimalPoint()
{
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point.front();
}

} // namespace

TFormPrintpaper::TFormPrintpaper(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : QDialog(parent), m_platform(platform),
      m_visits(new Query(data.database(), tables::openroom(), receipt::fields(), kSerial, this)),
      m_source(new DataSource(m_visits, this))
{
    setObjectName(QStringLiteral("FormPrintpaper"));
    setWindowTitle(QStringLiteral("打印小票"));
    m_visits->setObjectName(QStringLiteral("Query1"));
    m_source->setObjectName(QStringLiteral("DataSource1"));
    buildScreen();
    FormCreate();
}

void TFormPrintpaper::buildScreen()
{
    Dialogs &dialogs = m_platform.dialogs;
    const QList<NavButton> buttons{NavButton::First, NavButton::Prior, NavButton::Next, NavButton::Last};
    m_navigator = new DBNavigator(dialogs, m_source, buttons,
                                  {{NavButton::First, QStringLiteral("First record")},
                                   {NavButton::Prior, QStringLiteral("Prior record")},
                                   {NavButton::Next, QStringLiteral("Next record")},
                                   {NavButton::Last, QStringLiteral("Last record")}},
                                  this);
    m_navigator->setObjectName(QStringLiteral("DBNavigator1"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_navigator);
    // Every amount in the screens' money form, the base charge included; only the printed receipt keeps
    // its own number forms.
    const std::pair<const char *, QString> boxes[] = {
        {"开房流水号:", kSerial},
        {"开房客户号:", QStringLiteral("Openroom_Customers_id")},
        {"开房房间号:", QStringLiteral("Openroom_room_id")},
        {"基本消费:", QStringLiteral("Openroom_jbxf")},
        {"酒水消费:", QStringLiteral("Openroom_jiushui")},
        {"应付金额:", QStringLiteral("Openroom_yingfu")},
        {"实付金额:", QStringLiteral("Openroom_shifu")},
        {"找零:", QStringLiteral("Openroom_zhaoling")},
        {"备注:", QStringLiteral("Openroom_beizhu")},
    };
    QList<DBEdit *> edits;
    int labelWidth = 0;
    for (const auto &[label, field] : boxes) {
        auto *box = new DBEdit(dialogs, QString::fromUtf8(label), m_source, field, this);
        box->setObjectName(QStringLiteral("DBEdit") + field);
        box->setReadOnly(true);
        layout->addWidget(box);
        edits << box;
        labelWidth = std::max(labelWidth, box->label()->sizeHint().width());
    }
    // One label column, so that the boxes stand in one line.
    for (DBEdit *box : std::as_const(edits))
        box->label()->setMinimumWidth(labelWidth);

    m_select = new QPushButton(QStringLiteral("选择流水号"), this);
    m_select->setObjectName(QStringLiteral("BitBtnSelectliushuihao"));
    m_print = new QPushButton(QStringLiteral("打印小票"), this);
    m_print->setObjectName(QStringLiteral("BitBtnPrint"));
    m_print->setAutoDefault(false);
    m_select->setAutoDefault(false);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_select);
    buttonRow->addWidget(m_print);
    layout->addLayout(buttonRow);
    connect(m_select, &QPushButton::clicked, this,
            [this] { runGuarded(m_platform.dialogs, [this] { BitBtnSelectliushuihaoClick(); }); });
    connect(m_print, &QPushButton::clicked, this,
            [this] { runGuarded(m_platform.dialogs, [this] { BitBtnPrintClick(); }); });
}

void TFormPrintpaper::FormCreate()
{
    m_visits->open();
    m_visits->first();
}

void TFormPrintpaper::BitBtnSelectliushuihaoClick()
{
    const QString preset = m_visits->text(kSerial);
    const QString typed = m_platform.dialogs.askText(QStringLiteral("选择开房流水号"),
                                                     QStringLiteral("请输入您要打印的开房流水号码"), preset);
    // A text that is no serial number is the cashier's to correct: the store's conversion error says so.
    const QVariant serial = fieldvalue::normalize(m_visits->field(kSerial), typed);
    m_visits->locate(kSerial, serial, LocateOption::PartialKey);
}

void TFormPrintpaper::BitBtnPrintClick()
{
    QVariantList values;
    if (!m_visits->isEmpty()) {
        for (const QString &field : receipt::fields())
            values << m_visits->value(field);
    }
    // A reservation's deposit, counted in the amount paid, is named on the receipt.
    const double paidAhead =
        m_visits->isEmpty() ? 0.0 : reservations::depositOf(m_visits->database(), m_visits->integer(kSerial));
    printPage(deposit::onReceipt(receipt::texts(values, systemDecimalPoint()), paidAhead, systemDecimalPoint()));
    m_platform.dialogs.showMessage(QStringLiteral("打印完毕！欢迎再来！"));
}

void TFormPrintpaper::printPage(const QStringList &texts) { printLines(m_platform.printer, texts); }

// One page without a printer dialog. A failing step drops the begun document, so that no half receipt
// waits in the print queue.
void printLines(ReceiptPrinter &printer, const QStringList &texts)
{
    printer.beginDocument();
    try {
        printer.setClearBrush();
        printer.setFont(QStringLiteral("宋体"), 9);
        const int lineHeight = printer.lineHeight();
        for (int k = 0; k < texts.size(); ++k)
            printer.drawText(receipt::kLeft, receipt::kTop + k * lineHeight, texts[k]);
        printer.endDocument();
    } catch (...) {
        printer.abortDocument();
        throw;
    }
}

} // namespace ktv
