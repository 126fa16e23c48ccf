#include "boxesform.h"

#include "widgets/dbedit.h"
#include "widgets/platform.h"
#include "widgets/screenparts.h"

#include <QVBoxLayout>

namespace ktv {

BoxesForm::BoxesForm(const Platform &platform, DataSource *source, const QList<Box> &boxes, QWidget *parent)
    : QDialog(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *navigator = new DBNavigator(platform.dialogs, source, DBNavigator::allButtons(),
                                      standardHints(DBNavigator::allButtons()), this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    layout->addWidget(navigator);
    for (const Box &b : boxes) {
        auto *box = new DBEdit(platform.dialogs, b.label, source, b.field, this);
        box->setObjectName(QStringLiteral("DBEdit") + b.field);
        layout->addWidget(box);
    }
    layout->addStretch(1);
}

} // namespace ktv
