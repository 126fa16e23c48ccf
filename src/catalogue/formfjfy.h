#pragma once

#include <QDialog>

namespace ktv {

class TDataModule1;
struct Platform;

// Room fees: every room with its prices and special time bands in one grid on the shared room cursor.
class TFormfjfy : public QDialog
{
    Q_OBJECT
public:
    TFormfjfy(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    // Gives every room whose charge standard is not worth charging the default price; the last room is
    // current afterwards.
    void FormCreate();

private:
    TDataModule1 &m_data;
};

} // namespace ktv
