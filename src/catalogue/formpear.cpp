#include "formpear.h"

#include "store/datamodule.h"

namespace ktv {

TFormPear::TFormPear(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : BoxesForm(platform, data.DataSourcePear,
                {{QStringLiteral("酒水类编码:"), QStringLiteral("Pear_bm")},
                 {QStringLiteral("酒水类名称:"), QStringLiteral("Pear_name")},
                 {QStringLiteral("酒水类价格:"), QStringLiteral("Pear_price")},
                 {QStringLiteral("酒水类备注:"), QStringLiteral("Pear_beizhu")}},
                parent)
{
    setObjectName(QStringLiteral("FormPear"));
    setWindowTitle(QStringLiteral("酒水信息"));
}

} // namespace ktv
