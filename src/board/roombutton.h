#pragma once

#include <QPushButton>

namespace ktv {

// A room button of the board: its caption colour is the room's state.
class RoomButton : public QPushButton
{
    Q_OBJECT
public:
    RoomButton(const QString &room, QWidget *parent = nullptr);

    QColor captionColor() const;
    void setCaptionColor(const QColor &color);
    QString room() const { return text(); }
    // The picture of a painted state and the file it was read from; empty before the first painting.
    void setPicture(const QPixmap &picture, const QString &file);
    QString pictureFile() const { return m_pictureFile; }
    QString group() const;

signals:
    void entered();
    void mousePressed();
    void mouseMoved();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_pictureFile;
};

} // namespace ktv
