#pragma once

#include <QDialog>

namespace ktv {

class TDataModule1;
struct Platform;

// Member data: every field of every member, editable in one grid on the shared member cursor.
class TFormhyzl : public QDialog
{
    Q_OBJECT
public:
    TFormhyzl(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);
};

} // namespace ktv
