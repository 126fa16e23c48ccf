#pragma once

#include "widgets/querylisting.h"

namespace ktv {

class TDataModule1;
struct Platform;

// Room browsing: every room as the table holds them, read once when the screen opens.
class TFormRoomView : public QueryListing
{
    Q_OBJECT
public:
    TFormRoomView(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);
};

} // namespace ktv
