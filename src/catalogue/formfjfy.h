#pragma once

#include "widgets/platform.h"

#include <QDialog>

namespace ktv {

class TDataModule1;

// Room fees: every room with its prices and special time bands in one grid on the shared room cursor.
class TFormfjfy : public QDialog
{
    Q_OBJECT
public:
    TFormfjfy(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    // Gives every room without a charge standard worth charging the default price.
    void FormCreate();

private:
    TDataModule1 &m_data;
};

} // namespace ktv
