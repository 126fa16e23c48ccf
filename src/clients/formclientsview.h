#pragma once

#include "agentwire.h"
#include "widgets/platform.h"

#include <QDialog>

class QPushButton;
class QTimer;

namespace ktv {

class AgentLink;
class DBGrid;
class DBNavigator;
class TDataModule1;

// Client PC browse and control: every client PC on the shared client cursor, and the link that tells the
// selected PC's agent to restart or to shut down.
class TFormClientsView : public QDialog
{
    Q_OBJECT
public:
    TFormClientsView(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);
    ~TFormClientsView() override;

    DBNavigator *navigator() const { return m_navigator; }
    DBGrid *DBGrid1() const { return m_grid; }
    QPushButton *BitBtn1() const { return m_connect; }
    QPushButton *BitBtnRebootClient() const { return m_reboot; }
    QPushButton *BitBtnCloseClient() const { return m_shutDown; }
    QTimer *Timer1() const { return m_timer; }
    AgentLink *TcpClient1() const { return m_link; }

    void BitBtn1Click();
    void BitBtnRebootClientClick();
    void BitBtnCloseClientClick();
    void Timer1Timer();

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The connect step; true when it went as far as trying to connect.
    bool connectStep();
    void sendCommand(AgentCommand command);

    TDataModule1 &m_data;
    Platform m_platform;
    AgentLink *m_link;
    QTimer *m_timer;
    DBNavigator *m_navigator = nullptr;
    DBGrid *m_grid = nullptr;
    QPushButton *m_connect = nullptr;
    QPushButton *m_reboot = nullptr;
    QPushButton *m_shutDown = nullptr;
};

} // namespace ktv
