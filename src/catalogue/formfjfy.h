#pragma once

#include <QDialog>

class QCheckBox;

namespace ktv {

class TDataModule1;
struct Platform;

// Room fees: every room with its prices and special time bands in one grid on the shared room cursor, and
// whether the venue charges by those bands.
class TFormfjfy : public QDialog
{
    Q_OBJECT
public:
    TFormfjfy(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    // Gives every room whose charge standard is not worth charging the default price; the last room is
    // current afterwards.
    void FormCreate();

    QCheckBox *CheckBoxBands() const { return m_bands; }
    // Stores the venue's choice of time-band prices, shared by every station.
    void CheckBoxBandsClick();

private:
    QCheckBox *buildBandsSwitch();

    TDataModule1 &m_data;
    QCheckBox *m_bands = nullptr;
};

} // namespace ktv
