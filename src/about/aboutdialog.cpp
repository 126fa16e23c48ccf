#include "aboutdialog.h"

#include "makerlink.h"

#include "widgets/maker.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace ktv {

namespace {

QPixmap programIcon()
{
    QPixmap icon(33, 33);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(200, 30, 60));
    p.setPen(Qt::NoPen);
    p.drawEllipse(2, 2, 29, 29);
    p.setBrush(Qt::white);
    p.drawRect(14, 8, 5, 14); // a microphone
    p.drawEllipse(12, 5, 9, 9);
    p.drawRect(11, 25, 11, 2);
    return icon;
}

QLabel *addLabel(QWidget *parent, QLayout *layout, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    layout->addWidget(label);
    return label;
}

} // namespace

TAboutBox::TAboutBox(const Platform &platform, QWidget *parent) : QDialog(parent), m_platform(platform)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("关于"));

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    auto *column = new QVBoxLayout(panel);
    QLabel *icon = addLabel(panel, column, "ProgramIcon", QString());
    icon->setFixedSize(33, 33);
    icon->setScaledContents(true);
    icon->setPixmap(programIcon());
    addLabel(panel, column, "ProductName", QStringLiteral("RIVivizev"));
    addLabel(panel, column, "Version", QStringLiteral("版本：2006.6"));
    addLabel(panel, column, "Copyright", QStringLiteral("欢歌软件工作室 出品"));
    m_comments = addLabel(panel, column, "Comments", QStringLiteral("网址：") + makerWebAddress());
    QFont underlined = m_comments->font();
    underlined.setUnderline(true);
    m_comments->setFont(underlined);
    m_comments->setWordWrap(true);
    m_comments->setCursor(Qt::PointingHandCursor);
    m_comments->installEventFilter(this);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("OKButton"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(m_ok, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutBox::CommentsClick() { openMakerPage(m_platform); }

bool TAboutBox::eventFilter(QObject *watched, QEvent *event)
{
    // A click is the left button let go over the label, as for any button.
    if (watched == m_comments && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && m_comments->rect().contains(mouse->position().toPoint()))
            runGuarded(m_platform.dialogs, [this] { CommentsClick(); });
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace ktv
