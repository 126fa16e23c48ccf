#include "formstaff.h"

#include "formauthorise.h"
#include "password.h"
#include "staffstore.h"

#include "store/cursor.h"
#include "store/database.h"
#include "store/datasource.h"
#include "store/journal.h"
#include "store/storeerror.h"
#include "store/tables.h"
#include "widgets/adminpassword.h"
#include "widgets/dbgrid.h"
#include "widgets/platform.h"
#include "widgets/screenparts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace ktv {

namespace {

const QString kId = QStringLiteral("Staff_id");
const QString kName = QStringLiteral("Staff_name");
const QString kRole = QStringLiteral("Staff_role");
const QString kActive = QStringLiteral("Staff_active");
const QString kPassword = QStringLiteral("Staff_password");
const QString kTitle = QStringLiteral("员工与权限");

// What a saved change did, for the journal; never the password itself.
QString changeText(const Cursor &c)
{
    const QString id = c.text(kId);
    if (c.state() == CursorState::Insert)
        return QStringLiteral("添加 %1 %2（%3）").arg(id, c.text(kName), c.text(kRole));
    QStringList parts;
    const auto was = [&c](const QString &field) { return c.originalValue(field).toString(); };
    if (was(kName) != c.text(kName))
        parts << QStringLiteral("%1→%2").arg(was(kName), c.text(kName));
    if (was(kRole) != c.text(kRole))
        parts << QStringLiteral("%1→%2").arg(was(kRole), c.text(kRole));
    if (was(kActive) != c.text(kActive))
        parts << (tables::isYes(c.text(kActive)) ? QStringLiteral("启用") : QStringLiteral("停用"));
    if (was(kPassword) != c.text(kPassword))
        parts << QStringLiteral("改密码");
    if (parts.isEmpty())
        return {};
    return QStringLiteral("修改 %1 ").arg(id) + parts.join(QLatin1Char(' '));
}

} // namespace

TFormStaff::TFormStaff(Database &db, const Platform &platform, const QString &authorisedBy, QWidget *parent)
    : QDialog(parent), m_db(db), m_platform(platform), m_authorisedBy(authorisedBy),
      m_staff(new Cursor(db, tables::staff(), this)), m_source(new DataSource(m_staff, this)),
      m_password(new QPushButton(QStringLiteral("设置密码"), this))
{
    setObjectName(QStringLiteral("FormStaff"));
    setWindowTitle(kTitle);
    m_staff->setObjectName(QStringLiteral("TableStaff"));
    m_staff->setIndexName(kId);
    m_staff->setAfterInsert([](Cursor &c) {
        c.setValue(kRole, staff::roles().constFirst());
        c.setValue(kActive, tables::yes);
    });
    m_staff->setBeforePost([this](Cursor &) { TableStaffBeforePost(); });
    m_staff->setWhileSaving([this](Cursor &) { TableStaffWhileSaving(); });
    m_source->setObjectName(QStringLiteral("DataSourceStaff"));
    m_staff->open();

    // No delete button: the journal keeps naming staff who left; they are set inactive instead.
    const QList<NavButton> buttons{NavButton::First, NavButton::Prior,  NavButton::Next,
                                   NavButton::Last,  NavButton::Insert, NavButton::Edit,
                                   NavButton::Post,  NavButton::Cancel, NavButton::Refresh};
    auto *navigator = new DBNavigator(platform.dialogs, m_source, buttons, standardHints(buttons), this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    m_grid = makeGrid(platform.dialogs, m_source,
                      {{kId, QStringLiteral("员工编号")},
                       {kName, QStringLiteral("姓名")},
                       {kRole, QStringLiteral("岗位"), false, staff::roles()},
                       {kActive, QStringLiteral("在职"), false, {tables::yes, tables::no}}},
                      QStringLiteral("DBGridStaff"), this);
    m_password->setObjectName(QStringLiteral("BitBtnPassword"));
    m_password->setAutoDefault(false);
    connect(m_password, &QPushButton::clicked, this,
            [this] { runGuarded(m_platform.dialogs, [this] { BitBtnPasswordClick(); }); });

    auto *tools = new QHBoxLayout;
    tools->addWidget(navigator);
    tools->addWidget(m_password);
    tools->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_grid, 1);
    resize(m_grid->wholeWidth() + layout->contentsMargins().left() + layout->contentsMargins().right(), 360);
}

std::optional<QString> TFormStaff::askToOpen(Database &db, const Platform &platform, QWidget *parent)
{
    if (!staff::anyActive(db)) {
        if (!askAdministratorPassword(platform.dialogs, kTitle))
            return std::nullopt;
        return QString();
    }
    return askAuthorisation(db, platform, staff::roles().constLast(), kTitle, parent);
}

// The password is typed twice, masked; it goes with the record's save when the record is being edited,
// else it is saved at once.
void TFormStaff::BitBtnPasswordClick()
{
    if (!settleFocusedInput(true))
        return;
    if (!m_staff->isEditing())
        m_staff->requireChosen();
    const QString who = m_staff->text(kId).isEmpty() ? QStringLiteral("新员工") : m_staff->text(kId);
    Dialogs &dialogs = m_platform.dialogs;
    const QString first = dialogs.askText(QStringLiteral("设置密码"), QStringLiteral("请输入 %1 的新密码").arg(who),
                                          QString(), Dialogs::Echo::Password);
    if (first.isEmpty())
        return;
    const QString second = dialogs.askText(QStringLiteral("设置密码"), QStringLiteral("请再输入一次新密码"), QString(),
                                           Dialogs::Echo::Password);
    if (second != first) {
        dialogs.showMessage(QStringLiteral("两次输入的密码不一样，%1 的密码没有改").arg(who));
        return;
    }
    if (m_staff->isEditing()) {
        m_staff->setValue(kPassword, staff::hashPassword(first));
        return;
    }
    m_staff->edit();
    m_staff->setValue(kPassword, staff::hashPassword(first));
    try {
        m_staff->post();
    } catch (...) {
        m_staff->cancel(); // the password alone was being changed: nothing typed is lost
        throw;
    }
}

void TFormStaff::TableStaffBeforePost()
{
    const QString id = m_staff->text(kId).trimmed();
    if (id.isEmpty())
        throw Refused(QStringLiteral("员工编号不能为空"));
    const bool inserting = m_staff->state() == CursorState::Insert;
    if (!inserting && id != m_staff->originalValue(kId).toString().trimmed())
        throw Refused(QStringLiteral("员工编号不能修改（操作日志按编号记人）：请作废修改，添加一名新员工"));
    if (!staff::roles().contains(m_staff->text(kRole)))
        throw Refused(QStringLiteral("员工 %1 的岗位只能是 %2").arg(id, staff::roles().join(QStringLiteral("、"))));
    const QString active = m_staff->text(kActive);
    if (active != tables::yes && active != tables::no)
        throw Refused(QStringLiteral("员工 %1 的“在职”只能填“是”或“否”").arg(id));
    if (inserting && m_staff->isNull(kPassword))
        throw Refused(QStringLiteral("请先为新员工 %1 设置密码（点“设置密码”）").arg(id));
    if (inserting && staff::find(m_db, id))
        throw Refused(QStringLiteral("员工编号 %1 已经有人使用").arg(id));
}

void TFormStaff::TableStaffWhileSaving()
{
    const bool wasActiveAdministrator = m_staff->state() == CursorState::Edit &&
                                        tables::isYes(m_staff->originalValue(kActive).toString()) &&
                                        m_staff->originalValue(kRole).toString() == staff::roles().constLast();
    staff::requireAnAdministrator(m_db, QStringLiteral("%1 %2").arg(m_staff->text(kId), m_staff->text(kName)),
                                  wasActiveAdministrator);
    const QString change = changeText(*m_staff);
    if (change.isEmpty())
        return;
    journal::Entry entry{QStringLiteral("员工")};
    entry.reason = change;
    entry.authorised = m_authorisedBy;
    journal::record(m_db, entry, m_platform.clock.now());
}

} // namespace ktv
