#include "frame/CFrameKeyRouter.h"

#include "frame/CCommandActions.h"
#include "frame/CMainFrame.h"
#include "view/CTavrilView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenu>

namespace tavril {

void CFrameKeyRouter::CollectMnemonicKeys(const CCommandActions& actions) {
    for (MenuKind kind : {MenuKind::Short, MenuKind::Full})
        for (QMenu* m : actions.Bar(kind)) {
            const QKeySequence mnemonic = QKeySequence::mnemonic(m->title());
            if (mnemonic.isEmpty())
                continue;
            const std::string key = mnemonic.toString(QKeySequence::PortableText).toStdString();
            for (const KeyRow& k : KeyRows())
                if (key == k.key)
                    m_mnemonicKeys[key] = k.id;
        }
}

bool CFrameKeyRouter::Filter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Shift)
            m_flags.shiftDown = e->type() == QEvent::KeyPress;
    }
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != &m_frame)
        return false;
    // A key of the table that is also a menu title's Alt+letter (Alt+T and
    // "&Tools") belongs to the command, as accelerators always win over
    // mnemonics: claim it before the toolkit finds two owners and runs neither.
    if ((e->type() == QEvent::ShortcutOverride || e->type() == QEvent::KeyPress) && !m_mnemonicKeys.empty()) {
        auto* k = static_cast<QKeyEvent*>(e);
        const QKeySequence seq(k->keyCombination());
        auto it = m_mnemonicKeys.find(seq.toString(QKeySequence::PortableText).toStdString());
        if (it != m_mnemonicKeys.end()) {
            e->accept();
            if (e->type() == QEvent::KeyPress && !k->isAutoRepeat())
                m_frame.Dispatch(it->second);
            return true;
        }
    }
    // A character no key of the table took goes to the typed-character owners.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        QMdiArea* area = m_frame.Area();
        const bool plain = !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        return plain && k->text().size() == 1 && k->text()[0].unicode() >= 0x20 && k->text()[0].unicode() < 0x7F &&
               !k->isAutoRepeat() &&
               // Offered once, where the key first arrives.
               (w == QApplication::focusWidget() || (!QApplication::focusWidget() && w == &m_frame)) &&
               (qobject_cast<CTavrilView*>(w) || qobject_cast<CViewPane*>(w) || w == &m_frame || w == area ||
                w == area->viewport()) &&
               m_frame.OfferTypedCharacter(static_cast<char>(k->text()[0].unicode()));
    }
    return false;
}

} // namespace tavril
