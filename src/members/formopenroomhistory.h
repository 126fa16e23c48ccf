#pragma once

#include "widgets/querylisting.h"

namespace ktv {

class TDataModule1;
struct Platform;

// Consumption history: every visit of every member, open ones included, read once when the screen opens.
// Visits outlive their member, so a deleted member's visits are still listed under the old number.
class TFormOpenroomHistory : public QueryListing
{
    Q_OBJECT
public:
    TFormOpenroomHistory(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);
};

} // namespace ktv
