#pragma once

#include "widgets/querylisting.h"

namespace ktv {

class TDataModule1;
struct Platform;

// Member query: every member, as the table holds them.
class TFormCustomersLocate : public QueryListing
{
    Q_OBJECT
public:
    TFormCustomersLocate(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);
};

// Consumption history: every visit of every member, open ones included.
class TFormOpenroomHistory : public QueryListing
{
    Q_OBJECT
public:
    TFormOpenroomHistory(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);
};

} // namespace ktv
