#pragma once

#include <QDialog>

namespace ktv {

class DataSource;
struct Platform;

// A screen that shows one record of a shared cursor in labelled boxes, under a navigator of all ten
// buttons with the usual hints.
class BoxesForm : public QDialog
{
    Q_OBJECT
public:
    struct Box
    {
        QString label;
        QString field;
    };

    BoxesForm(const Platform &platform, DataSource *source, const QList<Box> &boxes, QWidget *parent = nullptr);
};

} // namespace ktv
