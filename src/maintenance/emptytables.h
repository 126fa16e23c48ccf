#pragma once

#include "widgets/platform.h"

#include <QDialog>
#include <QVariant>

class QGridLayout;

namespace ktv {

class Cursor;
class DBNavigator;
class TDataModule1;

// Database maintenance: the six tables side by side on the shared cursors, and one button per table that
// empties it (the reserved member "000" stays) or, for the rooms, sets every room free. Each clearing is
// one transaction, with a progress window when it has more than about a thousand records.
class TFormEmptyTable : public QDialog
{
    Q_OBJECT
public:
    TFormEmptyTable(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    DBNavigator *DBNavigator1() const { return m_navigator; }
    // The administrator who confirmed the clearing, when not the one logged in: its journal rows name them.
    void setConfirmedBy(const QString &administrator) { m_confirmedBy = administrator; }

    void BitBtn1Click(); // members
    void BitBtn2Click(); // room states
    void BitBtn3Click(); // client PCs
    void BitBtn4Click(); // drinks
    void BitBtn5Click(); // drinks orders
    void BitBtn6Click(); // visits

private:
    void addButton(int number, const QString &caption, void (TFormEmptyTable::*handler)());
    template <typename Clearing> void inOneTransaction(Cursor &cursor, int button, Clearing clearing);
    void deleteAll(Cursor &cursor, int button);
    void deleteWithProgress(Cursor &cursor, const QString &condition, const QVariantList &binds);

    TDataModule1 &m_data;
    Platform m_platform;
    DBNavigator *m_navigator = nullptr;
    QGridLayout *m_buttons = nullptr;
    QString m_confirmedBy;
};

} // namespace ktv
