#pragma once

#include "widgets/platform.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace ktv {

// The about box: the product, its version and the maker's web address, which opens the maker's page.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(const Platform &platform, QWidget *parent = nullptr);

    QLabel *Comments() const { return m_comments; }
    QPushButton *OKButton() const { return m_ok; }

    void CommentsClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Platform m_platform;
    QLabel *m_comments = nullptr;
    QPushButton *m_ok = nullptr;
};

} // namespace ktv
