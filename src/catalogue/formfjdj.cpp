#include "formfjdj.h"

#include "store/datamodule.h"

namespace ktv {

TFormfjdj::TFormfjdj(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : BoxesForm(platform, data.DataSourceroom,
                {{QStringLiteral("房间编号："), QStringLiteral("Room_id")},
                 {QStringLiteral("房间设施："), QStringLiteral("Room_sheshi")},
                 {QStringLiteral("收费标准："), QStringLiteral("Room_sfbiaozhun")},
                 {QStringLiteral("房间备注："), QStringLiteral("Room_beizhu")}},
                parent)
{
    setObjectName(QStringLiteral("Formfjdj"));
    setWindowTitle(QStringLiteral("房间登记"));
}

} // namespace ktv
