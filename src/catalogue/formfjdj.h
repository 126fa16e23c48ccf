#pragma once

#include "boxesform.h"

namespace ktv {

class TDataModule1;

// Room registration: rooms entered one at a time on the shared room cursor.
class TFormfjdj : public BoxesForm
{
    Q_OBJECT
public:
    TFormfjdj(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);
};

} // namespace ktv
