#include "widgets/qtresolver.h"

#include <QHostAddress>
#include <QHostInfo>

namespace ktv {

void QtHostResolver::lookUp(const QString &name, QObject *receiver, Answer answer)
{
    // Qt delivers the result in the receiver's thread and drops it when the receiver is gone; a lookup the
    // system never answers keeps one of Qt's lookup threads busy, and one still queued is taken off.
    const int id = QHostInfo::lookupHost(name, receiver, [answer = std::move(answer)](const QHostInfo &info) {
        QList<quint32> addresses;
        for (const QHostAddress &address : info.addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol)
                addresses.append(address.toIPv4Address());
        }
        answer(addresses);
    });
    QObject::connect(receiver, &QObject::destroyed, [id] { QHostInfo::abortHostLookup(id); });
}

} // namespace ktv
