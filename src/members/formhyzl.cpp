#include "formhyzl.h"

#include "store/datamodule.h"
#include "widgets/dbgrid.h"
#include "widgets/platform.h"
#include "widgets/screenparts.h"

#include <QVBoxLayout>

namespace ktv {

TFormhyzl::TFormhyzl(TDataModule1 &data, const Platform &platform, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Formhyzl"));
    setWindowTitle(QStringLiteral("会员资料"));
    auto *navigator = new DBNavigator(platform.dialogs, data.DataSourceCustomers, DBNavigator::allButtons(), {}, this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(navigator);
    layout->addWidget(makeGrid(platform.dialogs, data.DataSourceCustomers,
                               {{QStringLiteral("Customers_id"), QStringLiteral("会员编号")},
                                {QStringLiteral("Customers_name"), QStringLiteral("姓名")},
                                {QStringLiteral("Customers_sfzh"), QStringLiteral("身份证号")},
                                {QStringLiteral("Customers_phone"), QStringLiteral("电话")},
                                {QStringLiteral("Customers_dizhi"), QStringLiteral("地址")},
                                {QStringLiteral("Customers_zcsj"), QStringLiteral("注册时间")},
                                {QStringLiteral("Customers_zjxfsj"), QStringLiteral("最近消费时间")},
                                {QStringLiteral("Customers_ljxf"), QStringLiteral("累计消费")},
                                {QStringLiteral("Customers_zkl"), QStringLiteral("折扣率")},
                                {QStringLiteral("Customers_hyjb"), QStringLiteral("会员级别")},
                                {QStringLiteral("Customers_bz"), QStringLiteral("备注")}},
                               QStringLiteral("DBGrid1"), this),
                      1);
}

} // namespace ktv
