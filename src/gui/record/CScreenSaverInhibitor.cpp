#include "record/CScreenSaverInhibitor.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace tavril {

namespace {
const char* const kService = "org.freedesktop.ScreenSaver";
const char* const kPath = "/org/freedesktop/ScreenSaver";
}

bool CScreenSaverInhibitor::Inhibit(const QString& reason)
{
    if (m_cookie) return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        m_whyNot = QStringLiteral("no session bus");
        return false;
    }
    QDBusInterface saver(QString::fromLatin1(kService), QString::fromLatin1(kPath), QString::fromLatin1(kService), bus);
    if (!saver.isValid()) {
        m_whyNot = QStringLiteral("no screen saver service");
        return false;
    }
    QDBusReply<uint32_t> reply = saver.call(QStringLiteral("Inhibit"), QStringLiteral("Tavril"), reason);
    if (!reply.isValid()) {
        m_whyNot = reply.error().message();
        return false;
    }
    m_cookie = reply.value();
    m_whyNot.clear();
    return m_cookie != 0;
}

void CScreenSaverInhibitor::Release()
{
    if (!m_cookie) return;
    QDBusInterface saver(QString::fromLatin1(kService), QString::fromLatin1(kPath), QString::fromLatin1(kService),
                         QDBusConnection::sessionBus());
    if (saver.isValid()) saver.call(QStringLiteral("UnInhibit"), m_cookie);
    m_cookie = 0;
}

} // namespace tavril
