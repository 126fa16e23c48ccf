#pragma once

#include <QPushButton>

class QLabel;

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
    // Under the caption, for a room in use: the time used and the charge so far; empty hides it.
    void setRunning(const QString &text);
    QLabel *runningLabel() const { return m_running; }

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
    QLabel *m_running = nullptr;
};

} // namespace ktv
