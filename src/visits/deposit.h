#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// How a reservation's deposit, counted as paid at check-out, is shown to the cashier and the guest.
namespace ktv::deposit {

// "订金：" and the amount; empty when there is no deposit.
QString text(double amount, QChar decimalPoint = u'.');
// A receipt's lines with the deposit's line put before the closing line; the lines alone when there is none.
QStringList onReceipt(QStringList lines, double amount, QChar decimalPoint = u'.');

} // namespace ktv::deposit
