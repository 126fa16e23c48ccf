#pragma once

#include "widgets/querylisting.h"

namespace ktv {

class TDataModule1;
struct Platform;

// Member query: every member as the table holds them, read once when the screen opens.
class TFormCustomersLocate : public QueryListing
{
    Q_OBJECT
public:
    TFormCustomersLocate(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);
};

} // namespace ktv
