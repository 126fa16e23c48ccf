#include "serverpassword.h"

#include "store/database.h"
#include "store/storeerror.h"
#include "widgets/platform.h"

#include <QUrl>

namespace ktv {

std::unique_ptr<Database> openAskingPassword(const QString &where, Dialogs &dialogs)
{
    QString password;
    for (int tries = 0;; ++tries) {
        try {
            return Database::open(where, password);
        } catch (const PasswordNeeded &e) {
            if (tries == 3)
                throw;
            const QUrl url(where);
            // Without a user in the address, libpq takes PGUSER or the system's login name.
            const QString user = url.userName().isEmpty() ? qEnvironmentVariable("PGUSER") : url.userName();
            QString prompt = QStringLiteral("请输入数据库服务器 %1 的密码").arg(url.host());
            if (!user.isEmpty())
                prompt += QStringLiteral("（用户 %1）").arg(user);
            if (!password.isEmpty())
                prompt = QStringLiteral("密码不对。") + prompt;
            password = dialogs.askText(QStringLiteral("连接数据库服务器"), prompt, QString(), Dialogs::Echo::Password);
            if (password.isEmpty())
                throw StoreError(e.message());
        }
    }
}

} // namespace ktv
