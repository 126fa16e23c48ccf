#pragma once

#include <QLabel>
#include <QList>
#include <QStatusBar>

namespace ktv {

// A status bar of fixed-width text panels, numbered from 0 at the left.
class StatusPanels : public QStatusBar
{
    Q_OBJECT
public:
    StatusPanels(const QList<int> &widths, QWidget *parent = nullptr);

    int panelCount() const { return int(m_panels.size()); }
    QString panelText(int panel) const { return m_panels.at(panel)->text(); }
    void setPanelText(int panel, const QString &text) { m_panels.at(panel)->setText(text); }
    QLabel *panel(int panel) const { return m_panels.at(panel); }

private:
    QList<QLabel *> m_panels;
};

} // namespace ktv
