#pragma once
// CScreenSaverInhibitor: keeps the screen saver off while recording, through
// the desktop's org.freedesktop.ScreenSaver service on the session bus. Where
// there is no session bus or no such service (a bare X server, a remote
// shell) it does nothing and says so in WhyNot(); recording goes on.
//
// Owned by the recording controller. UI thread only.

#include <QString>
#include <cstdint>

namespace tavril {

class CScreenSaverInhibitor {
public:
    ~CScreenSaverInhibitor() { Release(); }
    // True when the screen saver is now held off.
    bool Inhibit(const QString& reason);
    void Release();
    bool IsInhibited() const { return m_cookie != 0; }
    const QString& WhyNot() const { return m_whyNot; }

private:
    uint32_t m_cookie = 0;
    QString m_whyNot;
};

} // namespace tavril
