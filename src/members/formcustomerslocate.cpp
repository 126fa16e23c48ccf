#include "formcustomerslocate.h"

#include "store/cursor.h"
#include "store/datamodule.h"
#include "store/tables.h"
#include "widgets/platform.h"

namespace ktv {

namespace {

QStringList allFields(const TableDef &table)
{
    QStringList names;
    for (const FieldDef &f : table.fields)
        names << f.name;
    return names;
}

} // namespace

// The last consumption time is read with the rest but has no column.
TFormCustomersLocate::TFormCustomersLocate(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : QueryListing(platform.dialogs, new Query(data.database(), tables::customers(), allFields(tables::customers())),
                   {{QStringLiteral("Customers_id"), QStringLiteral("会员编号")},
                    {QStringLiteral("Customers_name"), QStringLiteral("会员姓名")},
                    {QStringLiteral("Customers_sfzh"), QStringLiteral("身份证号")},
                    {QStringLiteral("Customers_phone"), QStringLiteral("会员电话")},
                    {QStringLiteral("Customers_zcsj"), QStringLiteral("注册时间")},
                    {QStringLiteral("Customers_ljxf"), QStringLiteral("累计消费")},
                    {QStringLiteral("Customers_zkl"), QStringLiteral("折扣率")},
                    {QStringLiteral("Customers_dizhi"), QStringLiteral("地址")},
                    {QStringLiteral("Customers_hyjb"), QStringLiteral("会员级别")},
                    {QStringLiteral("Customers_bz"), QStringLiteral("备注")}},
                   parent)
{
    setObjectName(QStringLiteral("FormCustomersLocate"));
    setWindowTitle(QStringLiteral("会员查询"));
}

} // namespace ktv
