#include "formroomview.h"

#include "store/cursor.h"
#include "store/datamodule.h"
#include "store/tables.h"
#include "widgets/platform.h"

namespace ktv {

TFormRoomView::TFormRoomView(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : QueryListing(platform.dialogs,
                   new Query(data.database(), tables::room(),
                             {QStringLiteral("Room_id"), QStringLiteral("Room_used"), QStringLiteral("Room_sheshi"),
                              QStringLiteral("Room_sfbiaozhun"), QStringLiteral("Room_beizhu")}),
                   {{QStringLiteral("Room_id"), QStringLiteral("房间编号")},
                    {QStringLiteral("Room_used"), QStringLiteral("是否在使用")},
                    {QStringLiteral("Room_sheshi"), QStringLiteral("房间设施")},
                    {QStringLiteral("Room_sfbiaozhun"), QStringLiteral("收费标准")},
                    {QStringLiteral("Room_beizhu"), QStringLiteral("备注")}},
                   parent)
{
    setObjectName(QStringLiteral("FormRoomView"));
    setWindowTitle(QStringLiteral("房间查询"));
}

} // namespace ktv
