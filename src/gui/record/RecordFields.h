#pragma once
// Control builders the recording dialogs share: check boxes, choice lists,
// pairs of radio buttons with their own group, and the settings-file line
// edit. Header only; UI thread.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QStringList>

#include <algorithm>
#include <initializer_list>

namespace tavril {

inline QCheckBox* MakeCheck(const QString& text, bool on, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setChecked(on);
    return box;
}

inline QComboBox* MakeChoice(std::initializer_list<const char*> items, int index, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (const char* item : items) box->addItem(QString::fromUtf8(item));
    box->setCurrentIndex(std::clamp(index, 0, box->count() - 1));
    return box;
}

// Two exclusive choices; `second` selects the second button.
struct RadioPair {
    QRadioButton* first;
    QRadioButton* second;
    bool SecondChosen() const { return second->isChecked(); }
};

inline RadioPair MakeRadioPair(const QString& a, const QString& b, bool second, QWidget* parent)
{
    RadioPair pair{new QRadioButton(a, parent), new QRadioButton(b, parent)};
    auto* group = new QButtonGroup(parent);
    group->addButton(pair.first);
    group->addButton(pair.second);
    (second ? pair.second : pair.first)->setChecked(true);
    return pair;
}

} // namespace tavril
