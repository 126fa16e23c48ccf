#pragma once

#include "boxesform.h"

namespace ktv {

class TDataModule1;

// The drinks list on the shared drinks cursor, whose current drink the drinks delivery screen orders.
class TFormPear : public BoxesForm
{
    Q_OBJECT
public:
    TFormPear(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);
};

} // namespace ktv
