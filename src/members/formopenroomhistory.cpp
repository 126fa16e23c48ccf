#include "formopenroomhistory.h"

#include "store/cursor.h"
#include "store/datamodule.h"
#include "store/tables.h"
#include "widgets/platform.h"

namespace ktv {

TFormOpenroomHistory::TFormOpenroomHistory(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : QueryListing(platform.dialogs,
                   new Query(data.database(), tables::openroom(),
                             {QStringLiteral("Openroom_Customers_id"), QStringLiteral("Openroom_Lishui"),
                              QStringLiteral("Openroom_begintime"), QStringLiteral("Openroom_endtime"),
                              QStringLiteral("Openroom_room_id"), QStringLiteral("Openroom_beizhu")}),
                   {{QStringLiteral("Openroom_Customers_id"), QStringLiteral("会员编号")},
                    {QStringLiteral("Openroom_Lishui"), QStringLiteral("消费流水")},
                    {QStringLiteral("Openroom_begintime"), QStringLiteral("开始时间")},
                    {QStringLiteral("Openroom_endtime"), QStringLiteral("结束时间")},
                    {QStringLiteral("Openroom_room_id"), QStringLiteral("房间号")},
                    {QStringLiteral("Openroom_beizhu"), QStringLiteral("备注")}},
                   parent)
{
    setObjectName(QStringLiteral("FormOpenroomHistory"));
    setWindowTitle(QStringLiteral("消费历史"));
}

} // namespace ktv
